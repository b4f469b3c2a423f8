# arj.exe for Windows: built by tools/windows-arj from Debian's arj source
# on the first configure of a machine (a minute or two), taken from its
# cache afterwards. HORBELUNG_WINDOWS_ARJ names the folder with arj.exe and
# the sources/ its licence asks to ship with it.
execute_process(COMMAND sh ${PROJECT_SOURCE_DIR}/tools/windows-arj
                OUTPUT_VARIABLE HORBELUNG_WINDOWS_ARJ
                OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
message(STATUS "arj.exe for Windows: ${HORBELUNG_WINDOWS_ARJ}")
# A changed patch or script builds it anew at the next build.
file(GLOB horbelung_arj_inputs ${PROJECT_SOURCE_DIR}/packaging/arj/*)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${horbelung_arj_inputs}
             ${PROJECT_SOURCE_DIR}/tools/windows-arj ${PROJECT_SOURCE_DIR}/tools/debian-source)
# Beside horbelung.exe in the build folder too, where the program and the
# tests look for it.
configure_file(${HORBELUNG_WINDOWS_ARJ}/arj.exe ${CMAKE_BINARY_DIR}/arj.exe COPYONLY)
