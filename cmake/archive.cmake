# The archive reader's native side: zlib for the host tests and the fixture
# archives they open (also the seeds of its fuzz target, cmake/fuzz.cmake).
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
