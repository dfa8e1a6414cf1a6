# Test programs that run under Wine, built for each machine like the client.

# GoogleTest cross-built from the Debian sources.
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${GTEST_SOURCE_DIR} gtest EXCLUDE_FROM_ALL)

# Windows-side unit tests: real files, registry and shell calls. The client's
# resources are linked in so the loaders find them.
file(GLOB WIN_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/*.cpp)
set(gen ${CMAKE_BINARY_DIR}/gen/wintests)
set(VARIANT_VERSION ${VEXA_FILE_VERSION})
string(REPLACE "." "," VARIANT_VERSION_BIN ${VEXA_FILE_VERSION})
configure_file(${CMAKE_SOURCE_DIR}/res/build_config.h.in ${gen}/build_config.h @ONLY)
add_executable(wintests ${WIN_TEST_SOURCES} ${CMAKE_SOURCE_DIR}/browser/CreateBrowserControl.cpp
               ${CMAKE_SOURCE_DIR}/res/vexa.rc)
target_include_directories(wintests PRIVATE ${gen} ${CMAKE_SOURCE_DIR}/res)
target_link_libraries(wintests PRIVATE vexa_core gtest_main ws2_32)
# No built-in key: each test names the key a download is checked with.
vexa_update_key_source(wintests)
set_property(TARGET wintests PROPERTY VEXA_UPDATE_KEY "")

# Small console helpers the end-to-end driver uses to act like Windows
# programs: start a process exactly as the client does, hold a file open.
add_executable(testtool ${CMAKE_SOURCE_DIR}/tests/tools/testtool.cpp)
target_link_options(testtool PRIVATE -municode)
target_link_libraries(testtool PRIVATE ole32 uuid shell32)

# Clients with other file versions, for the update and setup scenarios.
vexa_client(vexa-1.0.0.1 1.0.0.1 ${ENTRY_SOURCES})

# The client with a scripted stand-in for the WebBrowser control (the tests'
# only way through the flows that start at DocumentComplete under Wine, which
# has no HTML engine here). Never part of a release.
file(GLOB SCRIPTED_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/scripted/*.cpp)
vexa_client(vexa-scripted ${VEXA_FILE_VERSION} ${CMAKE_SOURCE_DIR}/app/WinMain.cpp ${SCRIPTED_SOURCES})
vexa_client(vexa-scripted-1.0.0.1 1.0.0.1 ${CMAKE_SOURCE_DIR}/app/WinMain.cpp ${SCRIPTED_SOURCES})

# The test clients trust the test key pair and carry its signature; one
# client is built without a key, as a release without VEXA_UPDATE_KEY.
include(${CMAKE_SOURCE_DIR}/cmake/updatekey.cmake)
vexa_test_key_clients(vexa-scripted vexa-scripted-1.0.0.1)
vexa_client(vexa-scripted-nokey ${VEXA_FILE_VERSION} ${CMAKE_SOURCE_DIR}/app/WinMain.cpp ${SCRIPTED_SOURCES})
set_property(TARGET vexa-scripted-nokey PROPERTY VEXA_UPDATE_KEY "")
