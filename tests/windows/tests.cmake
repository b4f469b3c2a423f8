# The tests built for Windows, run by Wine in a prefix of their own.
set(wine_run ${CMAKE_CURRENT_SOURCE_DIR}/windows/wine-run.sh)
set(HORBELUNG_WINEPREFIX ${CMAKE_CURRENT_BINARY_DIR}/wineprefix)

function(horbelung_add_test name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "SCREENS" "")
    add_executable(${name} ${arg_UNPARSED_ARGUMENTS})
    target_link_libraries(${name} PRIVATE horbelung_testsupport)
    # A static Qt links only the default platform plugin by itself.
    qt_import_plugins(${name} INCLUDE Qt6::QOffscreenIntegrationPlugin)
    set(platform offscreen)
    if(arg_SCREENS)
        # A drive letter's colon would end the option: the path is taken on
        # the current drive, Z: (the host's root) where the tests run.
        string(APPEND platform ":configfile=${arg_SCREENS}")
    endif()
    add_test(NAME ${name}
             COMMAND sh ${wine_run} ${HORBELUNG_WINEPREFIX} $<TARGET_FILE:${name}>
                     -platform ${platform})
endfunction()

# The Windows services on the prefix's scratch floppies, including a drive
# letter led to a missing folder, a drive without a disk.
horbelung_add_test(tst_winservices tst_winservices.cpp)
