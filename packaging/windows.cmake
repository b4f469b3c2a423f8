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
foreach(rc_target horbelung horbelung-console scandisk)
    set(rc_file ${rc_target}.exe)
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${rc_target}.rc)
    configure_file(horbelung.rc.in ${rc} @ONLY)
    target_sources(${rc_target} PRIVATE ${rc})
    set_source_files_properties(${rc} TARGET_DIRECTORY ${rc_target}
                                PROPERTIES OBJECT_DEPENDS ${HORBELUNG_ICO})
    add_dependencies(${rc_target} horbelung_ico)
endforeach()

install(TARGETS horbelung horbelung-console scandisk RUNTIME DESTINATION .)
# The German README, as a text file Windows opens by itself, and the terms.
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION . RENAME LIESMICH.txt)
install(FILES LIZENZ.txt DESTINATION .)

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
# The installer speaks the language of the user's Windows, German on a
# German one: CPack's script loads all of NSIS's languages, English first,
# and has no hook in .onInit, the only place where NSIS lets a script choose.
# The licence page: the program's terms and the archiver's GPL notice (UTF-8
# with a byte-order mark, or NSIS reads it in the build machine's code page).
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_CURRENT_SOURCE_DIR}/LIZENZ.txt)
# The program starts in the user's own documents folder, from the link and
# from the finish page: hobe.ini lives in the folder the program starts in,
# and under Program Files only administrators may write. So the link
# belongs to the user who installs, in that user's start menu, even in an
# install for all users, whose folder of links holds the README and the
# uninstaller. The context is read and put back around it.
set(CPACK_NSIS_DEFINES [[
    Var HorbelungContext
    !define MUI_FINISHPAGE_RUN_TEXT "Horbelung starten"
    !define MUI_FINISHPAGE_RUN_FUNCTION HorbelungStarten
    Function HorbelungStarten
        SetShellVarContext current
        SetOutPath "$DOCUMENTS"
        Exec '"$INSTDIR\horbelung.exe"'
    FunctionEnd
]])
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_MUI_FINISHPAGE_RUN horbelung.exe)
set(CPACK_NSIS_CREATE_ICONS_EXTRA [[
    GetShellVarContext $HorbelungContext
    SetShellVarContext current
    CreateDirectory "$SMPROGRAMS\$STARTMENU_FOLDER"
    SetOutPath "$DOCUMENTS"
    CreateShortCut "$SMPROGRAMS\$STARTMENU_FOLDER\Horbelung.lnk" "$INSTDIR\horbelung.exe"
    StrCmp $HorbelungContext 1 0 +2
    SetShellVarContext all
    SetOutPath "$INSTDIR"
    CreateShortCut "$SMPROGRAMS\$STARTMENU_FOLDER\Liesmich.lnk" "$INSTDIR\LIESMICH.txt"
]])
# Run twice by the uninstaller, with the folder it recorded and with the
# one the registry names.
set(CPACK_NSIS_DELETE_ICONS_EXTRA [[
    Delete "$SMPROGRAMS\$MUI_TEMP\Liesmich.lnk"
    GetShellVarContext $HorbelungContext
    SetShellVarContext current
    Delete "$SMPROGRAMS\$MUI_TEMP\Horbelung.lnk"
    RMDir "$SMPROGRAMS\$MUI_TEMP"
    StrCmp $HorbelungContext 1 0 +2
    SetShellVarContext all
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
