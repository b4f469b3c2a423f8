# The portable zip and the installer, installed and uninstalled by Wine in a
# scratch prefix of their own.
add_test(NAME windows_installer
         COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/../gui/onxvfb.sh
                 sh ${CMAKE_CURRENT_LIST_DIR}/installer.sh ${CMAKE_CPACK_COMMAND}
                 ${CMAKE_BINARY_DIR} ${CMAKE_CURRENT_BINARY_DIR}/windows-installer
                 ${PROJECT_VERSION})
set_tests_properties(windows_installer PROPERTIES TIMEOUT 300)
