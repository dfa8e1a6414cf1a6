# The client for Windows (i686 release, x86_64 for the tests under Wine).
enable_language(RC)

# Entry points and the browser control's factory differ between the release
# executable and the test builds; everything else is shared.
set(ENTRY_SOURCES app/WinMain.cpp browser/CreateBrowserControl.cpp)
list(TRANSFORM ENTRY_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/)
set(CLIENT_GLOBS)
foreach(folder ${CLIENT_FOLDERS})
    list(APPEND CLIENT_GLOBS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
endforeach()
file(GLOB_RECURSE CLIENT_SOURCES CONFIGURE_DEPENDS ${CLIENT_GLOBS})
# Platform halves go by name: X_win.cpp is built here, X_posix.cpp only natively.
list(FILTER CLIENT_SOURCES EXCLUDE REGEX "_posix\\.cpp$")
list(REMOVE_ITEM CLIENT_SOURCES ${ENTRY_SOURCES})

# For the bench's size figure only: the client with the browser-emulation
# value, the downloaded client's check and the download's progress display
# replaced by empty stand-ins.
option(VEXA_BENCH_WITHOUT_HARDENING "stub out the update and browser hardening (size figure)" OFF)
if(VEXA_BENCH_WITHOUT_HARDENING)
    list(REMOVE_ITEM CLIENT_SOURCES ${CMAKE_SOURCE_DIR}/browser/BrowserEmulation.cpp
         ${CMAKE_SOURCE_DIR}/update/ClientCheck.cpp ${CMAKE_SOURCE_DIR}/login/DownloadProgress.cpp)
    list(APPEND CLIENT_SOURCES ${CMAKE_SOURCE_DIR}/bench/hardening_stubs.cpp)
endif()
# For the bench's size figure only: the client without the signature check
# of downloaded clients (an empty stand-in that accepts every download).
option(VEXA_BENCH_WITHOUT_SIGNED_UPDATES "stub out the update signature check (size figure)" OFF)
if(VEXA_BENCH_WITHOUT_SIGNED_UPDATES)
    list(REMOVE_ITEM CLIENT_SOURCES ${CMAKE_SOURCE_DIR}/update/UpdateSignature.cpp
         ${CMAKE_SOURCE_DIR}/update/SignatureDer.cpp)
    list(APPEND CLIENT_SOURCES ${CMAKE_SOURCE_DIR}/bench/signature_stubs.cpp)
endif()
file(GLOB_RECURSE RESOURCE_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/res/*)

# The publisher's update key (README, "Signed updates"): the release starts a
# downloaded client only when it is signed with this key's private half.
# Empty: the downloaded client is checked as an executable only.
set(VEXA_UPDATE_KEY "" CACHE FILEPATH "ECDSA P-256 public key (PEM) a downloaded client must be signed with")
if(VEXA_UPDATE_KEY AND NOT (IS_ABSOLUTE "${VEXA_UPDATE_KEY}" AND EXISTS "${VEXA_UPDATE_KEY}"))
    message(FATAL_ERROR "VEXA_UPDATE_KEY must be the absolute path of a PEM public key: ${VEXA_UPDATE_KEY}")
elseif(NOT VEXA_UPDATE_KEY)
    message(STATUS "vexa.exe without VEXA_UPDATE_KEY: downloaded clients are not signature-checked")
endif()

# The archive the first-run setup unpacks (res/archive.rc): the settings
# template and the uninstall icon, deflated by a script of ours.
find_program(PYTHON python3 REQUIRED)
set(ARCHIVE_DIR ${CMAKE_BINARY_DIR}/gen/archive)
set(ARCHIVE_INPUTS ${CMAKE_SOURCE_DIR}/res/systemset.ini ${CMAKE_SOURCE_DIR}/res/skin/uninstall.ico)
add_custom_command(OUTPUT ${ARCHIVE_DIR}/archive.zip
                   COMMAND ${PYTHON} ${CMAKE_SOURCE_DIR}/res/make_archive.py ${ARCHIVE_DIR}/archive.zip ${ARCHIVE_INPUTS}
                   DEPENDS ${CMAKE_SOURCE_DIR}/res/make_archive.py ${ARCHIVE_INPUTS})
list(APPEND RESOURCE_FILES ${ARCHIVE_DIR}/archive.zip)
set_property(SOURCE ${CMAKE_SOURCE_DIR}/res/vexa.rc APPEND PROPERTY INCLUDE_DIRECTORIES ${ARCHIVE_DIR})

add_compile_definitions(UNICODE _UNICODE _WIN32_WINNT=0x0601 WINVER=0x0601)
add_compile_options(-Os -ffunction-sections -fdata-sections -Wall -Wno-unknown-pragmas)
add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--gc-sections)

add_library(vexa_core STATIC ${CLIENT_SOURCES})
target_include_directories(vexa_core PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(vexa_core PUBLIC
    gdiplus wininet netapi32 shlwapi shell32 ole32 oleaut32 uuid comctl32 advapi32 crypt32 bcrypt version
    ${CMAKE_FIND_ROOT_PATH}/lib/libz.a)

# The adapter list: the login URL's address where NetBIOS gives none.
target_link_libraries(vexa_core PUBLIC iphlpapi)

# A client executable: NAME with file version VERSION, built from the shared
# sources plus the given entry sources.
function(vexa_client NAME VERSION)
    set(VARIANT_VERSION ${VERSION})
    string(REPLACE "." "," VARIANT_VERSION_BIN ${VERSION})
    set(gen ${CMAKE_BINARY_DIR}/gen/${NAME})
    configure_file(${CMAKE_SOURCE_DIR}/res/build_config.h.in ${gen}/build_config.h @ONLY)
    set_source_files_properties(${CMAKE_SOURCE_DIR}/res/vexa.rc PROPERTIES OBJECT_DEPENDS "${RESOURCE_FILES}")
    add_executable(${NAME} WIN32 ${ARGN} ${CMAKE_SOURCE_DIR}/res/vexa.rc)
    target_include_directories(${NAME} PRIVATE ${gen} ${CMAKE_SOURCE_DIR}/res)
    target_link_libraries(${NAME} PRIVATE vexa_core)
    target_link_options(${NAME} PRIVATE -municode -mwindows -s)
    vexa_update_key_source(${NAME})
endfunction()

# The definition of BuiltInUpdateKey() for the executable NAME, generated from
# the PEM file its VEXA_UPDATE_KEY property names: VEXA_UPDATE_KEY unless set
# otherwise later (the test builds), no key when empty.
function(vexa_update_key_source NAME)
    set(out ${CMAKE_BINARY_DIR}/gen/${NAME}/UpdateKey.cpp)
    set(pem $<TARGET_PROPERTY:${NAME},VEXA_UPDATE_KEY>)
    set(script ${CMAKE_SOURCE_DIR}/res/make_update_key.py)
    add_custom_command(OUTPUT ${out} COMMAND ${PYTHON} ${script} "${pem}" ${out} DEPENDS ${script} ${pem} VERBATIM)
    target_sources(${NAME} PRIVATE ${out})
    set_property(TARGET ${NAME} PROPERTY VEXA_UPDATE_KEY "${VEXA_UPDATE_KEY}")
endfunction()

vexa_client(vexa ${VEXA_FILE_VERSION} ${ENTRY_SOURCES})

include(${CMAKE_SOURCE_DIR}/cmake/wintests.cmake)
