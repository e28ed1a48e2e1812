target_sources(ceplatform PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/x11/x11_driver.cpp)
