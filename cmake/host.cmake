# Native build: the host unit tests (with ASan and UBSan), and the test
# registry of the whole project, the tiers that run the Windows builds under
# Wine included.
enable_testing()

set(SANITIZE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${GTEST_SOURCE_DIR} gtest EXCLUDE_FROM_ALL)

# The POSIX halves of the given sources: X_posix.cpp beside X.cpp, where
# there is one (X_win.cpp, the Windows half, is never built here).
function(vexa_posix_halves VAR)
    set(halves)
    foreach(source ${ARGN})
        string(REGEX REPLACE "\\.cpp$" "_posix.cpp" half ${source})
        file(GLOB found CONFIGURE_DEPENDS ${half})
        list(APPEND halves ${found})
    endforeach()
    set(${VAR} ${halves} PARENT_SCOPE)
endfunction()

file(GLOB HOST_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/host/*.cpp)
vexa_posix_halves(PORTABLE_POSIX_HALVES ${PORTABLE_SOURCES})
add_executable(hosttests ${HOST_TEST_SOURCES} ${PORTABLE_SOURCES} ${PORTABLE_POSIX_HALVES})
target_include_directories(hosttests PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(hosttests PRIVATE ${SANITIZE} -Wall)
target_link_options(hosttests PRIVATE ${SANITIZE})
target_link_libraries(hosttests PRIVATE gtest_main)
include(GoogleTest)
gtest_discover_tests(hosttests TEST_PREFIX "host." DISCOVERY_TIMEOUT 60)
include(${CMAKE_SOURCE_DIR}/cmake/archive.cmake)

include(${CMAKE_SOURCE_DIR}/cmake/winetests.cmake)
include(${CMAKE_SOURCE_DIR}/cmake/update_tests.cmake)
include(${CMAKE_SOURCE_DIR}/cmake/fuzz.cmake)

# The release executable checked as a file: what the scenarios cannot see.
add_test(NAME static.release_exe
         COMMAND ${PYTHON} ${CMAKE_SOURCE_DIR}/tests/static/check_release.py ${VEXA_BUILD_ROOT}/win32/vexa.exe)

