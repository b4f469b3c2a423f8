# Install rules, desktop integration and the Debian package.
include(GNUInstallDirs)

set(HORBELUNG_APP_ID de.tarvik.horbelung)
set(HORBELUNG_ICON ${PROJECT_SOURCE_DIR}/resources/icons/horbelung.svg)

# The executable keeps arj.exe beside it, as in the build folder, so both live
# in a folder of their own; bin/ only gets a link to the executable (Qt finds
# the program folder through the resolved link).
set(HORBELUNG_PROGRAM_DIR ${CMAKE_INSTALL_LIBEXECDIR}/horbelung)
install(TARGETS horbelung horbelung-console scandisk RUNTIME DESTINATION ${HORBELUNG_PROGRAM_DIR})
# Installed stripped, as the package is: the debug information serves the
# build folder, not the user's.
if(CMAKE_STRIP)
    foreach(program horbelung horbelung-console scandisk.exe)
        install(CODE "execute_process(COMMAND \"${CMAKE_STRIP}\"
            \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${HORBELUNG_PROGRAM_DIR}/${program}\"
            COMMAND_ERROR_IS_FATAL ANY)")
    endforeach()
endif()

# Links made here and installed as links (file(INSTALL) keeps them so).
set(links ${CMAKE_CURRENT_BINARY_DIR}/links)
file(MAKE_DIRECTORY ${links})
file(CREATE_LINK ${HORBELUNG_ARJ} ${links}/arj.exe SYMBOLIC)
file(RELATIVE_PATH to_program ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_FULL_LIBEXECDIR}/horbelung/horbelung)
file(CREATE_LINK ${to_program} ${links}/horbelung SYMBOLIC)
install(FILES ${links}/arj.exe DESTINATION ${HORBELUNG_PROGRAM_DIR})
install(FILES ${links}/horbelung DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${HORBELUNG_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${HORBELUNG_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The icon: the SVG itself, and PNGs rendered from it for the fixed sizes.
add_executable(iconrender iconrender.cpp)
target_link_libraries(iconrender PRIVATE Qt6::Gui Qt6::Svg)
target_compile_definitions(iconrender PRIVATE QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII)

set(icon_pngs)
foreach(size 16 24 32 48 64 128 256)
    set(png ${CMAKE_CURRENT_BINARY_DIR}/icons/${size}x${size}/${HORBELUNG_APP_ID}.png)
    add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/icons/${size}x${size}
        COMMAND iconrender ${HORBELUNG_ICON} ${size} ${png}
        DEPENDS iconrender ${HORBELUNG_ICON}
        COMMENT "Rendering the ${size}x${size} icon"
        VERBATIM)
    list(APPEND icon_pngs ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(horbelung_icons ALL DEPENDS ${icon_pngs})
install(FILES ${HORBELUNG_ICON} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${HORBELUNG_APP_ID}.svg)

# cpack -G DEB in the build folder.
set(CPACK_PACKAGE_CONTACT "Tarvik <horbelung@tarvik.invalid>"
    CACHE STRING "Maintainer of the Debian package")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Horbelung backs up and restores the Access databases (.mdb) of ten business\n\
applications to floppy disks or a hard-disk folder. The ARJ archiver does the\n\
archiving in a terminal window of its own. The user interface is in German.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_STRIP_FILES ON)
# The libraries from the executable itself. Listed by hand: the SVG plugins
# that draw the pictures (loaded, not linked), and the archiver and its
# console, which are started by name.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, arj, xterm")
# The metric twins of the design's fonts (DejaVu serves otherwise), the
# console's Unicode fixed font (German quotes in the summary), and fsck.fat
# for the disk checker on a real FAT floppy or stick.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation, xfonts-base, dosfstools")
include(CPack)
