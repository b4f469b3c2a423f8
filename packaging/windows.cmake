install(TARGETS horbelung horbelung-console RUNTIME DESTINATION .)
set(CPACK_GENERATOR ZIP)
include(CPack)
