target_sources(ceplatform PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/select.cpp
    ${CMAKE_CURRENT_LIST_DIR}/winsock.cpp)
