# The native side of the signed-update tests: openssl's own signatures for
# the DER reading (also the seeds of its fuzz target), and the built
# executables for the header walk.
find_program(OPENSSL openssl REQUIRED)
set(SIGNATURE_FIXTURES ${CMAKE_BINARY_DIR}/signature-fixtures)
set(SIGNATURE_SCRIPT ${CMAKE_SOURCE_DIR}/tests/host/signature_fixtures.py)
add_custom_command(OUTPUT ${SIGNATURE_FIXTURES}/00.sig
                   COMMAND ${PYTHON} ${SIGNATURE_SCRIPT} ${OPENSSL} ${SIGNATURE_FIXTURES}
                   DEPENDS ${SIGNATURE_SCRIPT} COMMENT "Signature fixtures (openssl)")
add_custom_target(signature_fixtures ALL DEPENDS ${SIGNATURE_FIXTURES}/00.sig)
add_dependencies(hosttests signature_fixtures)

target_compile_definitions(hosttests PRIVATE VEXA_SIGNATURE_FIXTURES="${SIGNATURE_FIXTURES}"
                           VEXA_WIN64_DIR="${VEXA_WIN64_DIR}" VEXA_WIN32_DIR="${VEXA_BUILD_ROOT}/win32")
