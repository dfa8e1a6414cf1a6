# libFuzzer targets (clang, with ASan and UBSan) of the readers of what comes
# from outside: the resource archive, the downloaded client's headers, its
# signature file and the version answer. Each has a short smoke run in ctest
# (fuzz.<name>.smoke); `make fuzz` runs each for FUZZ_SECONDS and keeps its
# corpus. tests/fuzz/run_fuzz.py runs them from fuzz/targets.json, written
# here with each target's seeds: real files (the fixture archives, the built
# executables, openssl's signatures, the demo portal's answers).
find_program(CLANGXX clang++)
if(NOT CLANGXX)
    return()
endif()
set(FUZZ_DIR ${CMAKE_BINARY_DIR}/fuzz)
set(FUZZ_DRIVER ${CMAKE_SOURCE_DIR}/tests/fuzz/run_fuzz.py)
file(GLOB FUZZ_HEADERS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/login/archive/*.h ${CMAKE_SOURCE_DIR}/update/*.h)
add_custom_target(fuzzers)
set(FUZZ_JSON "")

# vexa_fuzzer(NAME MAX_LEN bytes SOURCES files... SEEDS files|dirs|globs... [LIBS ...] [DEPENDS targets...])
function(vexa_fuzzer NAME)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "MAX_LEN" "SOURCES;SEEDS;LIBS;DEPENDS")
    vexa_posix_halves(halves ${arg_SOURCES})
    list(APPEND arg_SOURCES ${halves})
    set(exe ${FUZZ_DIR}/fuzz_${NAME})
    add_custom_command(OUTPUT ${exe}
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${FUZZ_DIR}
                       COMMAND ${CLANGXX} -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined
                               -fno-sanitize-recover=all -I${CMAKE_SOURCE_DIR} ${arg_SOURCES} ${arg_LIBS} -o ${exe}
                       DEPENDS ${arg_SOURCES} ${FUZZ_HEADERS} COMMENT "libFuzzer target ${NAME}")
    add_custom_target(fuzz_${NAME} ALL DEPENDS ${exe})
    if(arg_DEPENDS)
        add_dependencies(fuzz_${NAME} ${arg_DEPENDS})
    endif()
    add_dependencies(fuzzers fuzz_${NAME})
    add_test(NAME fuzz.${NAME}.smoke COMMAND ${PYTHON} ${FUZZ_DRIVER} ${FUZZ_DIR}/targets.json --smoke ${NAME})
    set_tests_properties(fuzz.${NAME}.smoke PROPERTIES TIMEOUT 300)
    list(JOIN arg_SEEDS "\", \"" seeds)
    set(FUZZ_JSON "${FUZZ_JSON}  \"${NAME}\": {\"fuzzer\": \"${exe}\", \"max_len\": ${arg_MAX_LEN}, \"seeds\": [\"${seeds}\"]},\n"
        PARENT_SCOPE)
endfunction()

vexa_fuzzer(archive MAX_LEN 70000
            SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_archive.cpp ${CMAKE_SOURCE_DIR}/login/archive/ResourceArchive.cpp
                    ${CMAKE_SOURCE_DIR}/login/archive/ArchiveName.cpp ${CMAKE_SOURCE_DIR}/login/archive/ArchiveFiles.cpp
            LIBS -lz SEEDS ${ARCHIVE_FIXTURES} DEPENDS archive_fixtures)

# The smallest real executables with a version resource, made by the
# cross-compilers when they are there: seeds a few KiB long beside the client.
set(TINY_SEEDS)
foreach(arch i686 x86_64)
    find_program(TINY_CC_${arch} ${arch}-w64-mingw32-gcc)
    find_program(TINY_RC_${arch} ${arch}-w64-mingw32-windres)
    if(TINY_CC_${arch} AND TINY_RC_${arch})
        set(src ${CMAKE_SOURCE_DIR}/tests/fuzz/seeds/tiny_client)
        set(out ${FUZZ_DIR}/tiny-seeds/tiny-${arch}.exe)
        set(entry entry)
        if(arch STREQUAL i686)
            set(entry _entry)
        endif()
        add_custom_command(OUTPUT ${out}
                           COMMAND ${CMAKE_COMMAND} -E make_directory ${FUZZ_DIR}/tiny-seeds
                           COMMAND ${TINY_RC_${arch}} ${src}/tiny_client.rc -O coff -o ${out}.res
                           COMMAND ${TINY_CC_${arch}} -Os -s -nostdlib -Wl,-e,${entry} -Wl,--subsystem,windows
                                   ${src}/tiny_client.c ${out}.res -o ${out}
                           DEPENDS ${src}/tiny_client.c ${src}/tiny_client.rc COMMENT "Tiny ${arch} executable (fuzz seed)")
        list(APPEND TINY_SEEDS ${out})
    endif()
endforeach()
add_custom_target(tiny_seeds DEPENDS ${TINY_SEEDS})

vexa_fuzzer(pe_image MAX_LEN 2000000
            SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_pe_image.cpp ${CMAKE_SOURCE_DIR}/update/PeImage.cpp
            SEEDS ${TINY_SEEDS} ${VEXA_WIN64_DIR}/vexa.exe ${VEXA_BUILD_ROOT}/win32/vexa.exe DEPENDS tiny_seeds)
vexa_fuzzer(signature_der MAX_LEN 256
            SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_signature_der.cpp ${CMAKE_SOURCE_DIR}/update/SignatureDer.cpp
            SEEDS ${SIGNATURE_FIXTURES}/*.sig DEPENDS signature_fixtures)
vexa_fuzzer(version_answer MAX_LEN 5000
            SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_version_answer.cpp ${CMAKE_SOURCE_DIR}/update/VersionAnswer.cpp
            SEEDS ${CMAKE_SOURCE_DIR}/tests/fuzz/seeds/version_answer)

string(REGEX REPLACE ",\n$" "\n" FUZZ_JSON "${FUZZ_JSON}")
file(WRITE ${FUZZ_DIR}/targets.json "{\n${FUZZ_JSON}}\n")
