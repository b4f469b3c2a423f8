# The archiver in both Windows packages: arj.exe beside horbelung.exe and,
# for its GPL, the licence text and the source it was built from (Debian's
# source package with checksums, the project's patches and build scripts)
# in quellen/arj/. PROGRAMS, not TARGETS: stripping would cut off the
# self-extractors and the help text joined to the executable.
include(${PROJECT_SOURCE_DIR}/cmake/windows-arj.cmake)
install(PROGRAMS ${HORBELUNG_WINDOWS_ARJ}/arj.exe DESTINATION .)
install(DIRECTORY ${HORBELUNG_WINDOWS_ARJ}/sources/ DESTINATION quellen/arj)
