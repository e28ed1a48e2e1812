# Files that the packages install beside the programs: man pages built from scdoc sources, icons
# for the hicolor theme taken from the programs' ICO files, and files compressed as Debian wants
# them (gzip -9n: no name and no time stamp, so that two builds give the same bytes).
find_program(BREVANTA_SCDOC scdoc)
find_program(BREVANTA_GZIP gzip REQUIRED)
find_program(BREVANTA_ICOTOOL icotool)
if(NOT BREVANTA_SCDOC OR NOT BREVANTA_ICOTOOL)
    message(FATAL_ERROR "scdoc and icotool are needed for the man pages and icons: "
        "run scripts/setup.sh (Debian packages scdoc and icoutils)")
endif()

# brevanta_gzip_file(INPUT OUTPUT): OUTPUT is INPUT compressed, remade when INPUT changes.
function(brevanta_gzip_file input output)
    add_custom_command(OUTPUT ${output}
        COMMAND ${BREVANTA_GZIP} -9nc ${input} > ${output}
        DEPENDS ${input}
        VERBATIM)
endfunction()

# brevanta_man_page(SOURCE COMPONENT): SOURCE is PROGRAM.SECTION.scd; the page is built with the
# project and installed into its section for the component.
function(brevanta_man_page source component)
    get_filename_component(page ${source} NAME_WLE)
    string(REGEX MATCH "[^.]+$" section ${page})
    set(roff ${CMAKE_BINARY_DIR}/man/${page})
    add_custom_command(OUTPUT ${roff}
        COMMAND ${BREVANTA_SCDOC} < ${source} > ${roff}
        DEPENDS ${source}
        COMMENT "Man page ${page}"
        VERBATIM)
    brevanta_gzip_file(${roff} ${roff}.gz)
    add_custom_target(man.${page} ALL DEPENDS ${roff}.gz)
    install(FILES ${roff}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section}
        COMPONENT ${component})
endfunction()

# brevanta_hicolor_icon(ICO NAME COMPONENT): every size of the ICO file becomes NAME.png in the
# hicolor theme's folder of that size.
function(brevanta_hicolor_icon ico name component)
    foreach(size 16 32)
        set(png ${CMAKE_BINARY_DIR}/icons/${size}x${size}/${name}.png)
        add_custom_command(OUTPUT ${png}
            COMMAND ${BREVANTA_ICOTOOL} --extract --width=${size} --output=${png} ${ico}
            DEPENDS ${ico}
            VERBATIM)
        add_custom_target(icon.${name}.${size} ALL DEPENDS ${png})
        install(FILES ${png}
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps
            COMPONENT ${component})
    endforeach()
endfunction()
