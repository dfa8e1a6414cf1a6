# The archive reader's native side: zlib for the host tests, the fixture
# archives they open, and the libFuzzer target (clang) with a short smoke run.
find_package(ZLIB REQUIRED)
find_program(PYTHON python3 REQUIRED)
target_link_libraries(hosttests PRIVATE ZLIB::ZLIB)

set(ARCHIVE_FIXTURES ${CMAKE_BINARY_DIR}/archive-fixtures)
set(FIXTURE_SCRIPT ${CMAKE_SOURCE_DIR}/tests/host/archive_fixtures.py)
add_custom_command(OUTPUT ${ARCHIVE_FIXTURES}/basic.zip
                   COMMAND ${PYTHON} ${FIXTURE_SCRIPT} ${ARCHIVE_FIXTURES}
                   DEPENDS ${FIXTURE_SCRIPT} COMMENT "Archive fixtures")
add_custom_target(archive_fixtures ALL DEPENDS ${ARCHIVE_FIXTURES}/basic.zip)
add_dependencies(hosttests archive_fixtures)
target_compile_definitions(hosttests PRIVATE VEXA_ARCHIVE_FIXTURES="${ARCHIVE_FIXTURES}")

find_program(CLANGXX clang++)
if(CLANGXX)
    set(FUZZ_SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_archive.cpp
        ${CMAKE_SOURCE_DIR}/login/archive/ResourceArchive.cpp
        ${CMAKE_SOURCE_DIR}/login/archive/ArchiveName.cpp
        ${CMAKE_SOURCE_DIR}/login/archive/ArchiveFiles.cpp)
    file(GLOB FUZZ_HEADERS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/login/archive/*.h)
    set(FUZZER ${CMAKE_BINARY_DIR}/fuzz/fuzz_archive)
    add_custom_command(OUTPUT ${FUZZER}
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/fuzz
                       COMMAND ${CLANGXX} -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined
                               -fno-sanitize-recover=all -I${CMAKE_SOURCE_DIR} ${FUZZ_SOURCES} -lz -o ${FUZZER}
                       DEPENDS ${FUZZ_SOURCES} ${FUZZ_HEADERS} COMMENT "libFuzzer target of the archive reader")
    add_custom_target(fuzz_archive ALL DEPENDS ${FUZZER})
    # A short deterministic run from the fixtures; new inputs go to a scratch corpus.
    set(SMOKE_CORPUS ${CMAKE_BINARY_DIR}/fuzz/smoke-corpus)
    add_test(NAME fuzz.archive.smoke
             COMMAND sh -c "rm -rf '${SMOKE_CORPUS}' && mkdir -p '${SMOKE_CORPUS}' && \
'${FUZZER}' -seed=1 -runs=4000 -max_len=70000 '${SMOKE_CORPUS}' '${ARCHIVE_FIXTURES}'")
    set_tests_properties(fuzz.archive.smoke PROPERTIES TIMEOUT 300)
endif()
