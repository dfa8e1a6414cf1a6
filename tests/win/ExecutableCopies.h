// Copies of this test executable, changed the way a version server could
// get them wrong: another file version, another machine type, no version
// resource. Each is a real PE image Windows reads as such.
#pragma once

#include <windows.h>

#include <cstring>
#include <string>

#include "app/Shell.h"
#include "tests/win/TestFiles.h"

inline std::string ThisExecutable() { return ReadAll(GetModulePath()); }

// exe with the file version a.b.c.d in its version resource's fixed part.
inline std::string WithFileVersion(std::string exe, WORD a, WORD b, WORD c, WORD d) {
    // The fixed part follows the key L"VS_VERSION_INFO", its terminator and
    // two bytes of padding (the key alone or the signature alone could also
    // be data or an operand in the code).
    const std::wstring key = L"VS_VERSION_INFO";
    const DWORD signature = VS_FFI_SIGNATURE;
    const std::string pattern = std::string(reinterpret_cast<const char*>(key.c_str()), (key.size() + 1) * sizeof(wchar_t)) +
                                std::string(2, '\0') + std::string(reinterpret_cast<const char*>(&signature), sizeof(signature));
    const size_t at = exe.find(pattern);
    if (at == std::string::npos) return std::string();
    const size_t fixed = at + pattern.size() - sizeof(signature);
    const DWORD ms = MAKELONG(b, a), ls = MAKELONG(d, c);
    std::memcpy(&exe[fixed + offsetof(VS_FIXEDFILEINFO, dwFileVersionMS)], &ms, sizeof(ms));
    std::memcpy(&exe[fixed + offsetof(VS_FIXEDFILEINFO, dwFileVersionLS)], &ls, sizeof(ls));
    return exe;
}

// exe marked as built for another machine.
inline std::string WithMachine(std::string exe, WORD machine) {
    LONG pe = 0;
    std::memcpy(&pe, &exe[offsetof(IMAGE_DOS_HEADER, e_lfanew)], sizeof(pe));
    std::memcpy(&exe[pe + sizeof(DWORD) + offsetof(IMAGE_FILE_HEADER, Machine)], &machine, sizeof(machine));
    return exe;
}

// exe whose version resource is no longer found: its type in the root
// resource directory becomes RT_DLGINCLUDE (17), the next id, so the
// directory stays sorted.
inline std::string WithoutVersionResource(std::string exe) {
    auto u16 = [&](size_t at) { WORD v = 0; std::memcpy(&v, &exe[at], sizeof(v)); return v; };
    auto u32 = [&](size_t at) { DWORD v = 0; std::memcpy(&v, &exe[at], sizeof(v)); return v; };
    const size_t pe = u32(offsetof(IMAGE_DOS_HEADER, e_lfanew));
    const size_t optional = pe + sizeof(DWORD) + sizeof(IMAGE_FILE_HEADER);
    const size_t directories = optional + (u16(optional) == IMAGE_NT_OPTIONAL_HDR32_MAGIC ? 96 : 112);
    const DWORD rsrc = u32(directories + IMAGE_DIRECTORY_ENTRY_RESOURCE * sizeof(IMAGE_DATA_DIRECTORY));
    const size_t sections = optional + u16(pe + sizeof(DWORD) + offsetof(IMAGE_FILE_HEADER, SizeOfOptionalHeader));
    for (WORD i = 0; i < u16(pe + sizeof(DWORD) + offsetof(IMAGE_FILE_HEADER, NumberOfSections)); ++i) {
        const size_t section = sections + i * sizeof(IMAGE_SECTION_HEADER);
        const DWORD va = u32(section + offsetof(IMAGE_SECTION_HEADER, VirtualAddress));
        if (rsrc < va || rsrc >= va + u32(section + offsetof(IMAGE_SECTION_HEADER, SizeOfRawData))) continue;
        const size_t root = u32(section + offsetof(IMAGE_SECTION_HEADER, PointerToRawData)) + rsrc - va;
        const size_t entries = root + sizeof(IMAGE_RESOURCE_DIRECTORY);
        const WORD count = u16(root + offsetof(IMAGE_RESOURCE_DIRECTORY, NumberOfNamedEntries)) +
                           u16(root + offsetof(IMAGE_RESOURCE_DIRECTORY, NumberOfIdEntries));
        size_t version = 0;
        for (WORD k = 0; k < count; ++k) {
            const DWORD id = u32(entries + k * sizeof(IMAGE_RESOURCE_DIRECTORY_ENTRY));
            if (id == 17) return std::string();
            if (id == 16) version = entries + k * sizeof(IMAGE_RESOURCE_DIRECTORY_ENTRY);
        }
        if (!version) return std::string();
        const DWORD renamed = 17;
        std::memcpy(&exe[version], &renamed, sizeof(renamed));
        return exe;
    }
    return std::string();
}
