# Sanitizer builds apply to the whole tree so that the layer, the programs and the tests agree.
if(BREVANTA_SANITIZE)
    set(_flags -fsanitize=${BREVANTA_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_compile_options(${_flags})
    add_link_options(${_flags})
endif()
