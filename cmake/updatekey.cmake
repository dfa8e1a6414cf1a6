# The update key pair of the test builds, made once per build folder by
# openssl: the test clients trust its public half and are signed with its
# private half (<exe>.sig beside each), which the scenarios, the bench and the
# demo portal use. It is never a release key: the release (vexa.exe) trusts
# VEXA_UPDATE_KEY only, and no private key is ever committed.
find_program(OPENSSL openssl REQUIRED)
set(VEXA_TEST_KEY_DIR ${CMAKE_BINARY_DIR}/update-test-key)
set(VEXA_TEST_PRIVATE_KEY ${VEXA_TEST_KEY_DIR}/private.pem)
set(VEXA_TEST_PUBLIC_KEY ${VEXA_TEST_KEY_DIR}/public.pem)
add_custom_command(OUTPUT ${VEXA_TEST_PRIVATE_KEY} ${VEXA_TEST_PUBLIC_KEY}
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${VEXA_TEST_KEY_DIR}
                   COMMAND ${OPENSSL} ecparam -name prime256v1 -genkey -noout -out ${VEXA_TEST_PRIVATE_KEY}
                   COMMAND ${OPENSSL} ec -in ${VEXA_TEST_PRIVATE_KEY} -pubout -out ${VEXA_TEST_PUBLIC_KEY}
                   COMMENT "Update key pair of the test builds" VERBATIM)

# Builds each client executable named with the test key and signs it with it.
function(vexa_test_key_clients)
    foreach(name ${ARGN})
        set_property(TARGET ${name} PROPERTY VEXA_UPDATE_KEY ${VEXA_TEST_PUBLIC_KEY})
        add_custom_command(TARGET ${name} POST_BUILD
                           COMMAND ${OPENSSL} dgst -sha256 -sign ${VEXA_TEST_PRIVATE_KEY}
                                   -out $<TARGET_FILE:${name}>.sig $<TARGET_FILE:${name}>
                           VERBATIM)
    endforeach()
endfunction()
