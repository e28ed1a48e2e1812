# One warning set for every target of the project; CI turns it into errors.
add_library(brevanta_warnings INTERFACE)
target_compile_options(brevanta_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
    -Wunused -Woverloaded-virtual -Wnull-dereference -Wdouble-promotion -Wformat=2
    -Wimplicit-fallthrough)
if(BREVANTA_WERROR)
    target_compile_options(brevanta_warnings INTERFACE -Werror)
endif()
