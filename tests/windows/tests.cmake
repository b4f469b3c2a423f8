# The tests built for Windows, run by Wine in a prefix of their own, on
# Qt's offscreen platform (prefix.sh).
set(wine_run ${CMAKE_CURRENT_SOURCE_DIR}/windows/wine-run.sh)
set(HORBELUNG_WINEPREFIX ${CMAKE_CURRENT_BINARY_DIR}/wineprefix)

function(horbelung_add_test name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "RULES" "SCREENS" "")
    add_executable(${name} ${arg_UNPARSED_ARGUMENTS})
    if(arg_RULES)
        target_link_libraries(${name} PRIVATE horbelung_rules Qt6::Test)
    else()
        target_link_libraries(${name} PRIVATE horbelung_testsupport)
        # A static Qt links only the default platform plugin by itself.
        qt_import_plugins(${name} INCLUDE Qt6::QOffscreenIntegrationPlugin)
    endif()
    set(screens)
    if(arg_SCREENS)
        # A drive letter's colon would end the option: the path is taken on
        # the current drive, Z: (the host's root) where the tests run.
        set(screens -platform offscreen:configfile=${arg_SCREENS})
    endif()
    add_test(NAME ${name}
             COMMAND sh ${wine_run} ${HORBELUNG_WINEPREFIX} $<TARGET_FILE:${name}> ${screens})
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_prefix)
endfunction()

# A prefix of the tests' own, made afresh for each run.
add_test(NAME wine_prefix COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/windows/prefix.sh
                                  ${HORBELUNG_WINEPREFIX})
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine_prefix TIMEOUT 300)

# A stand-in for the archiver that records its command lines.
add_executable(recordarj windows/recordarj.cpp)
set_target_properties(recordarj PROPERTIES OUTPUT_NAME arj)

# The archive runs' command lines through Windows' launch and the console
# companion, installed in "C:\Program Files\Horbelung" with the recording
# archiver beside the program.
# New consoles are windows, so Wine needs a display.
add_executable(tst_winlaunch windows/tst_winlaunch.cpp)
target_link_libraries(tst_winlaunch PRIVATE horbelung_testsupport)
qt_import_plugins(tst_winlaunch INCLUDE Qt6::QOffscreenIntegrationPlugin)
add_dependencies(tst_winlaunch recordarj horbelung-console)
# The restores read real backups, which the Linux archiver makes.
find_program(HORBELUNG_HOST_ARJ arj REQUIRED)
set(winlaunch_archives ${CMAKE_CURRENT_BINARY_DIR}/winlaunch-archives)
add_custom_command(OUTPUT ${winlaunch_archives}/three/volumes/NOKUhobe.a02
                   COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/windows/archives.sh ${HORBELUNG_HOST_ARJ}
                           ${winlaunch_archives}
                   DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/windows/archives.sh VERBATIM)
add_custom_target(winlaunch_archives DEPENDS ${winlaunch_archives}/three/volumes/NOKUhobe.a02)
add_dependencies(tst_winlaunch winlaunch_archives)
# Z: is the host's root.
target_compile_definitions(tst_winlaunch PRIVATE ARCHIVES="Z:${winlaunch_archives}")
add_test(NAME tst_winlaunch
         COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/gui/onxvfb.sh
                 sh ${wine_run} ${HORBELUNG_WINEPREFIX} --install "Program Files/Horbelung"
                 $<TARGET_FILE:tst_winlaunch> $<TARGET_FILE:recordarj>
                 $<TARGET_FILE:horbelung-console> --)
set_tests_properties(tst_winlaunch PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 300)

# A whole backup to A: over three floppies and its restore disk by disk,
# and a restore of the Linux archiver's backup, through the window and the
# real services, installed with the shipped arj.exe; the test plays the
# user at the consoles, changing floppies when the archiver asks.
add_executable(tst_winbackup windows/tst_winbackup.cpp)
target_link_libraries(tst_winbackup PRIVATE horbelung_testsupport)
qt_import_plugins(tst_winbackup INCLUDE Qt6::QOffscreenIntegrationPlugin)
add_dependencies(tst_winbackup horbelung-console winlaunch_archives)
target_compile_definitions(tst_winbackup PRIVATE ARCHIVES="Z:${winlaunch_archives}")
add_test(NAME tst_winbackup
         COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/gui/onxvfb.sh
                 sh ${wine_run} ${HORBELUNG_WINEPREFIX} --install "Program Files/Horbelung"
                 $<TARGET_FILE:tst_winbackup> ${CMAKE_BINARY_DIR}/arj.exe
                 $<TARGET_FILE:horbelung-console> --)
set_tests_properties(tst_winbackup PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 300)

# The shipped arj.exe (from the build folder): archives exchanged with the
# Linux archiver, the exit codes.
add_test(NAME windows_arj
         COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/windows/arj.sh ${HORBELUNG_WINEPREFIX}
                 ${CMAKE_BINARY_DIR}/arj.exe ${HORBELUNG_HOST_ARJ}
                 ${CMAKE_CURRENT_BINARY_DIR}/windows-arj)
set_tests_properties(windows_arj PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 120)

# The companion's terminal functions in consoles of their own (new consoles
# are windows), on the programs a probe plays (windows/terminalprobe.cpp).
add_executable(terminalprobe windows/terminalprobe.cpp
                             ${PROJECT_SOURCE_DIR}/console/terminal_win.cpp)
target_include_directories(terminalprobe PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(terminalprobe PRIVATE horbelung_journal)
add_executable(tst_winterminal windows/tst_winterminal.cpp)
target_link_libraries(tst_winterminal PRIVATE horbelung_testsupport)
add_dependencies(tst_winterminal terminalprobe)
add_test(NAME tst_winterminal
         COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/gui/onxvfb.sh
                 sh ${wine_run} ${HORBELUNG_WINEPREFIX} $<TARGET_FILE:tst_winterminal>)
set_tests_properties(tst_winterminal PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 300)

# The program itself on a virtual X server with a window manager, driven by
# keyboard; screenshots of both pages left in tests/windows-shots.
set(shots ${CMAKE_CURRENT_BINARY_DIR}/windows-shots)
file(MAKE_DIRECTORY ${shots})
add_test(NAME windows_smoke
         COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/gui/onxvfb.sh
                 sh ${CMAKE_CURRENT_SOURCE_DIR}/windows/smoke.sh ${HORBELUNG_WINEPREFIX}
                 $<TARGET_FILE:horbelung> ${shots})
set_tests_properties(windows_smoke PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 180)

# The Windows services on the prefix's scratch floppies, including a drive
# letter led to a missing folder, a drive without a disk; locks, replaced
# journals and moves of the state folder, the other process the probe.
horbelung_add_test(tst_winservices windows/tst_winservices.cpp)
target_link_libraries(tst_winservices PRIVATE horbelung_journal)
add_dependencies(tst_winservices terminalprobe)

# The disk checker on the prefix's A:, one case per ending; the program that
# holds a file open is holdfile.
add_executable(holdfile windows/holdfile.cpp)
add_test(NAME windows_scandisk
         COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/windows/scandisk.sh ${HORBELUNG_WINEPREFIX}
                 $<TARGET_FILE:scandisk> $<TARGET_FILE:holdfile>)
set_tests_properties(windows_scandisk PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 120)
