# The tiers that run the x86_64 build under Wine: the Windows unit tests (one
# ctest entry per test suite) and the end-to-end scenarios (one per scenario).
# All of them share one template prefix made at the start of the run.
find_program(PYTHON python3 REQUIRED)
set(VEXA_WIN64_DIR ${CMAKE_SOURCE_DIR}/build/win64 CACHE PATH "x86_64 build that runs under Wine")
set(HARNESS ${CMAKE_SOURCE_DIR}/tests/harness)
set(WINE_TEST_ENV VEXA_WIN64_DIR=${VEXA_WIN64_DIR})

add_test(NAME wine.template COMMAND ${PYTHON} ${HARNESS}/make_template.py)
set_tests_properties(wine.template PROPERTIES FIXTURES_SETUP wine ENVIRONMENT "${WINE_TEST_ENV}" TIMEOUT 300)

# Windows unit tests: the suites named in tests/win/*.cpp.
file(GLOB WIN_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/*.cpp)
set(WIN_SUITES)
foreach(src ${WIN_TEST_SOURCES})
    file(STRINGS ${src} lines REGEX "^TEST(_F)?\\(")
    foreach(line ${lines})
        string(REGEX REPLACE "^TEST(_F)?\\(([A-Za-z0-9_]+),.*" "\\2" suite "${line}")
        list(APPEND WIN_SUITES ${suite})
    endforeach()
endforeach()
list(REMOVE_DUPLICATES WIN_SUITES)
foreach(suite ${WIN_SUITES})
    add_test(NAME win.${suite} COMMAND ${PYTHON} ${HARNESS}/run_wintests.py ${suite})
    set_tests_properties(win.${suite} PROPERTIES FIXTURES_REQUIRED wine ENVIRONMENT "${WINE_TEST_ENV}" TIMEOUT 300)
endforeach()

# End-to-end scenarios, listed by the driver itself.
file(GLOB E2E_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/*.py ${HARNESS}/*.py)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${E2E_FILES})
execute_process(COMMAND ${PYTHON} ${CMAKE_SOURCE_DIR}/tests/e2e/run.py --list
                OUTPUT_VARIABLE SCENARIOS OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE listed)
if(NOT listed EQUAL 0)
    message(FATAL_ERROR "tests/e2e/run.py --list failed")
endif()
string(REPLACE "\n" ";" SCENARIOS "${SCENARIOS}")
foreach(name ${SCENARIOS})
    add_test(NAME e2e.${name} COMMAND ${PYTHON} ${CMAKE_SOURCE_DIR}/tests/e2e/run.py ${name})
    set_tests_properties(e2e.${name} PROPERTIES FIXTURES_REQUIRED wine ENVIRONMENT "${WINE_TEST_ENV}" TIMEOUT 300)
endforeach()
