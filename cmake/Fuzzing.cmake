# Fuzz builds instrument the whole tree for coverage and with AddressSanitizer and
# UndefinedBehaviorSanitizer, so that a fault in the layer or a library under a target is caught
# too. Only the fuzz targets link libFuzzer's main.
if(BREVANTA_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "BREVANTA_FUZZ needs clang++: configure with CXX=clang++")
    endif()
    set(_fuzzFlags -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
        -fno-sanitize-recover=all)
    add_compile_options(${_fuzzFlags})
    add_link_options(-fsanitize=address,undefined)
endif()
