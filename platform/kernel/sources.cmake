target_sources(ceplatform PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/code_page.cpp
    ${CMAKE_CURRENT_LIST_DIR}/critical_section.cpp
    ${CMAKE_CURRENT_LIST_DIR}/device_path.cpp
    ${CMAKE_CURRENT_LIST_DIR}/file.cpp
    ${CMAKE_CURRENT_LIST_DIR}/file_info.cpp
    ${CMAKE_CURRENT_LIST_DIR}/file_time.cpp
    ${CMAKE_CURRENT_LIST_DIR}/find_file.cpp
    ${CMAKE_CURRENT_LIST_DIR}/handle_table.cpp
    ${CMAKE_CURRENT_LIST_DIR}/last_error.cpp
    ${CMAKE_CURRENT_LIST_DIR}/module_path.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sleep.cpp
    ${CMAKE_CURRENT_LIST_DIR}/thread.cpp
    ${CMAKE_CURRENT_LIST_DIR}/thread_exit.cpp
    ${CMAKE_CURRENT_LIST_DIR}/thread_id.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tick_count.cpp
    ${CMAKE_CURRENT_LIST_DIR}/utf.cpp
    ${CMAKE_CURRENT_LIST_DIR}/wildcard.cpp)
