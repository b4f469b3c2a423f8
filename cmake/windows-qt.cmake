# The static Qt for MinGW-w64: built by tools/windows-qt on the first
# configure of a machine (about three quarters of an hour), taken from its
# cache afterwards.
execute_process(COMMAND sh ${PROJECT_SOURCE_DIR}/tools/windows-qt
                OUTPUT_VARIABLE horbelung_windows_qt
                OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
message(STATUS "Static Qt for Windows: ${horbelung_windows_qt}")
list(APPEND CMAKE_PREFIX_PATH ${horbelung_windows_qt})
list(APPEND CMAKE_FIND_ROOT_PATH ${horbelung_windows_qt})
