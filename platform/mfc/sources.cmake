# The files of the MFC subset.
target_sources(cemfc PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/dc.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gdi_objects.cpp
    ${CMAKE_CURRENT_LIST_DIR}/message_map.cpp
    ${CMAKE_CURRENT_LIST_DIR}/string.cpp
    ${CMAKE_CURRENT_LIST_DIR}/string_format.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win_app.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_map.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_procedure.cpp
    ${CMAKE_CURRENT_LIST_DIR}/wnd.cpp)
