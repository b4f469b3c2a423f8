# Windows: the icon and version information in the executables, a portable
# zip and an installer (cpack in the build folder). Both carry arj.exe,
# built from Debian's source, beside horbelung.exe (arj.cmake).

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

# The archiver and its licence and sources.
include(${CMAKE_CURRENT_SOURCE_DIR}/arj.cmake)

set(CPACK_GENERATOR ZIP NSIS)
# Values reach cpack as written here: NSIS's $ and quotes included.
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_STRIP_FILES ON)
# The same folder, start-menu folder and registry key for every version, so
# that a newer installer replaces the older one.
set(CPACK_PACKAGE_INSTALL_DIRECTORY Horbelung)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Horbelung)
# The start-menu link starts the program in the documents folder (the
# public one for an install for all users): hobe.ini lives in the folder the
# program starts in, and under Program Files only administrators may write.
set(CPACK_NSIS_CREATE_ICONS_EXTRA [[
    SetOutPath "$DOCUMENTS"
    CreateShortCut "$SMPROGRAMS\$STARTMENU_FOLDER\Horbelung.lnk" "$INSTDIR\horbelung.exe"
    SetOutPath "$INSTDIR"
]])
set(CPACK_NSIS_DELETE_ICONS_EXTRA [[
    Delete "$SMPROGRAMS\$MUI_TEMP\Horbelung.lnk"
]])
# A 64-bit installer for the 64-bit program, so it runs wherever the program
# does, under a 64-bit-only Wine too. The space is escaped because cpack
# splits makensis's command line at blanks.
set(CPACK_NSIS_EXECUTABLE_PRE_ARGUMENTS [[-XTarget\ amd64-unicode]])
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_DISPLAY_NAME Horbelung)
set(CPACK_NSIS_PACKAGE_NAME Horbelung)
set(CPACK_NSIS_MUI_ICON ${HORBELUNG_ICO})
set(CPACK_NSIS_MUI_UNIICON ${HORBELUNG_ICO})
# Add/Remove programs shows the program's own icon.
set(CPACK_NSIS_INSTALLED_ICON_NAME horbelung.exe)
include(CPack)
