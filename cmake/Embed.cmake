# brevanta_embed(TARGET SYMBOL FILE): compiles FILE's bytes into TARGET as the array SYMBOL.
function(brevanta_embed target symbol input)
    set(output "${CMAKE_CURRENT_BINARY_DIR}/embedded/${symbol}.cpp")
    add_custom_command(OUTPUT "${output}"
        COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${output} -DSYMBOL=${symbol}
                -P ${PROJECT_SOURCE_DIR}/cmake/EmbedFile.cmake
        DEPENDS "${input}" ${PROJECT_SOURCE_DIR}/cmake/EmbedFile.cmake
        COMMENT "Embedding ${input}")
    target_sources(${target} PRIVATE "${output}")
endfunction()
