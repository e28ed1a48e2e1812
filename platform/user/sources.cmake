target_sources(ceplatform PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/desktop.cpp
    ${CMAKE_CURRENT_LIST_DIR}/message_loop.cpp
    ${CMAKE_CURRENT_LIST_DIR}/message_queue.cpp
    ${CMAKE_CURRENT_LIST_DIR}/post_message.cpp
    ${CMAKE_CURRENT_LIST_DIR}/send_message.cpp
    ${CMAKE_CURRENT_LIST_DIR}/thread_end.cpp
    ${CMAKE_CURRENT_LIST_DIR}/timer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_class.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_lifetime.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_long.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_proc.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_table.cpp)
