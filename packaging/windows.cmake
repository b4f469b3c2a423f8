# Windows: the icon and version information in the executables, a portable
# zip and an installer (cpack in the build folder). The user's own arj.exe
# goes into the program folder beside horbelung.exe.

# The icon, rendered from the SVG at the sizes Explorer and the task bar ask
# for, in one .ico.
set(HORBELUNG_ICON ${PROJECT_SOURCE_DIR}/resources/icons/horbelung.svg)
set(HORBELUNG_ICO ${CMAKE_CURRENT_BINARY_DIR}/horbelung.ico)
find_program(HORBELUNG_RSVG_CONVERT rsvg-convert REQUIRED)
find_program(HORBELUNG_ICOTOOL icotool REQUIRED)
set(ico_commands)
set(ico_pngs)
foreach(size 16 24 32 48)
    set(png ${CMAKE_CURRENT_BINARY_DIR}/icon-${size}.png)
    list(APPEND ico_commands
         COMMAND ${HORBELUNG_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${HORBELUNG_ICON})
    list(APPEND ico_pngs ${png})
endforeach()
add_custom_command(OUTPUT ${HORBELUNG_ICO}
    ${ico_commands}
    COMMAND ${HORBELUNG_ICOTOOL} -c -o ${HORBELUNG_ICO} ${ico_pngs}
    DEPENDS ${HORBELUNG_ICON}
    COMMENT "Making the Windows icon"
    VERBATIM)
add_custom_target(horbelung_ico DEPENDS ${HORBELUNG_ICO})

# Each executable gets a resource script of its own, for its file name.
foreach(rc_target horbelung horbelung-console)
    set(rc_file ${rc_target}.exe)
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${rc_target}.rc)
    configure_file(horbelung.rc.in ${rc} @ONLY)
    target_sources(${rc_target} PRIVATE ${rc})
    set_source_files_properties(${rc} TARGET_DIRECTORY ${rc_target}
                                PROPERTIES OBJECT_DEPENDS ${HORBELUNG_ICO})
    add_dependencies(${rc_target} horbelung_ico)
endforeach()

install(TARGETS horbelung horbelung-console RUNTIME DESTINATION .)
set(CPACK_GENERATOR ZIP)
include(CPack)
