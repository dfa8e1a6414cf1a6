# The tiers that run Windows code under Wine, each once per build:
#   win.<Suite>, e2e.<scenario>      the x86_64 build under Debian 12's Wine 8
#   win32.<Suite>, e2e32.<scenario>  the i686 build, the one players get, under
#                                    Wine 10 (WoW64) in the Debian 13 root
# One template prefix per tier is made at the start of the run
# (wine.template, wine32.template) and copied for every suite and scenario.
find_program(PYTHON python3 REQUIRED)
set(VEXA_WIN64_DIR ${CMAKE_SOURCE_DIR}/build/win64 CACHE PATH "x86_64 build that runs under Wine 8")
get_filename_component(VEXA_BUILD_ROOT ${VEXA_WIN64_DIR} DIRECTORY)
set(VEXA_WIN32_DIR ${VEXA_BUILD_ROOT}/win32 CACHE PATH "i686 build that runs under Wine 10")
set(VEXA_WINE10_ROOT "$ENV{HOME}/.cache/vexa/wine10-root" CACHE PATH "Debian 13 root with Wine 10")
set(HARNESS ${CMAKE_SOURCE_DIR}/tests/harness)

# Windows unit tests: the suites named in tests/win/*.cpp, one entry each.
# They are read from lines that start with TEST( or TEST_F(; any other way of
# defining a test (TEST_P, TYPED_TEST, a macro not at the line's start) would
# build and never run, so it stops the configure instead.
file(GLOB WIN_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/*.cpp ${CMAKE_SOURCE_DIR}/tests/win/*.h)
set(WIN_SUITES)
foreach(src ${WIN_TEST_SOURCES})
    file(STRINGS ${src} defining REGEX "(^|[^A-Za-z0-9_])(TEST|TEST_F|TEST_P|TYPED_TEST|TYPED_TEST_P)[ \t]*\\(")
    foreach(line ${defining})
        if(NOT line MATCHES "^TEST(_F)?\\(([A-Za-z0-9_]+),")
            message(FATAL_ERROR "${src}: a test the Windows tiers would never run (only TEST( and TEST_F( "
                                "at the start of a line are found):\n  ${line}")
        endif()
        list(APPEND WIN_SUITES ${CMAKE_MATCH_2})
    endforeach()
endforeach()
list(REMOVE_DUPLICATES WIN_SUITES)

# End-to-end scenarios, listed by the driver itself.
file(GLOB E2E_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/*.py ${HARNESS}/*.py)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${E2E_FILES})
execute_process(COMMAND ${PYTHON} ${CMAKE_SOURCE_DIR}/tests/e2e/run.py --list
                OUTPUT_VARIABLE SCENARIOS OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE listed)
if(NOT listed EQUAL 0)
    message(FATAL_ERROR "tests/e2e/run.py --list failed")
endif()
string(REPLACE "\n" ";" SCENARIOS "${SCENARIOS}")

# One tier: the executables in BUILD_DIR under the given Wine; entries named
# <WIN_PREFIX>.<Suite> and <E2E_PREFIX>.<scenario>, sharing the fixture
# <FIXTURE> that makes the tier's template prefix.
function(vexa_wine_tier WIN_PREFIX E2E_PREFIX FIXTURE BUILD_DIR WINE_KIND)
    set(env VEXA_TEST_BUILD=${BUILD_DIR} VEXA_WINE=${WINE_KIND} VEXA_WINE10_ROOT=${VEXA_WINE10_ROOT})
    add_test(NAME ${FIXTURE} COMMAND ${PYTHON} ${HARNESS}/make_template.py)
    set_tests_properties(${FIXTURE} PROPERTIES FIXTURES_SETUP ${FIXTURE} ENVIRONMENT "${env}" TIMEOUT 300)
    foreach(suite ${WIN_SUITES})
        add_test(NAME ${WIN_PREFIX}.${suite} COMMAND ${PYTHON} ${HARNESS}/run_wintests.py ${suite})
        set_tests_properties(${WIN_PREFIX}.${suite} PROPERTIES FIXTURES_REQUIRED ${FIXTURE}
                             ENVIRONMENT "${env}" TIMEOUT 300)
    endforeach()
    foreach(name ${SCENARIOS})
        add_test(NAME ${E2E_PREFIX}.${name} COMMAND ${PYTHON} ${CMAKE_SOURCE_DIR}/tests/e2e/run.py ${name})
        set_tests_properties(${E2E_PREFIX}.${name} PROPERTIES FIXTURES_REQUIRED ${FIXTURE}
                             ENVIRONMENT "${env}" TIMEOUT 300)
    endforeach()
endfunction()

vexa_wine_tier(win e2e wine.template ${VEXA_WIN64_DIR} wine8)
vexa_wine_tier(win32 e2e32 wine32.template ${VEXA_WIN32_DIR} wine10)
