// The walk of a downloaded client's headers, natively under the sanitizers:
// the built executables as they are, and changed the ways a download can
// arrive broken or forged.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "update/PeImage.h"

namespace {
std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint16_t Machine(const std::string& image) {
    return ExecutableMachine(reinterpret_cast<const uint8_t*>(image.data()), image.size());
}

// The version as "a.b.c.d", or "none".
std::string Version(const std::string& image) {
    uint64_t v = 0;
    if (!FindFileVersion(reinterpret_cast<const uint8_t*>(image.data()), image.size(), &v)) return "none";
    return std::to_string(v >> 48) + "." + std::to_string(v >> 32 & 0xFFFF) + "." + std::to_string(v >> 16 & 0xFFFF) +
           "." + std::to_string(v & 0xFFFF);
}

uint16_t U16(const std::string& s, size_t at) {
    uint16_t v = 0;
    std::memcpy(&v, &s[at], sizeof(v));
    return v;
}
uint32_t U32(const std::string& s, size_t at) {
    uint32_t v = 0;
    std::memcpy(&v, &s[at], sizeof(v));
    return v;
}
void Put16(std::string* s, size_t at, uint16_t v) { std::memcpy(&(*s)[at], &v, sizeof(v)); }
void Put32(std::string* s, size_t at, uint32_t v) { std::memcpy(&(*s)[at], &v, sizeof(v)); }

const std::string kWin64 = VEXA_WIN64_DIR;
const std::string kWin32 = VEXA_WIN32_DIR;

TEST(PeImage, ReadsTheBuiltExecutables) {
    const struct {
        std::string path;
        uint16_t machine;
        const char* version;
    } cases[] = {
        {kWin64 + "/vexa.exe", kMachineAmd64, "1.0.0.0"},
        {kWin64 + "/vexa-1.0.0.1.exe", kMachineAmd64, "1.0.0.1"},
        {kWin32 + "/vexa.exe", kMachineI386, "1.0.0.0"},
    };
    for (const auto& c : cases) {
        const std::string image = ReadFile(c.path);
        ASSERT_GT(image.size(), 100000u) << c.path;
        EXPECT_EQ(Machine(image), c.machine) << c.path;
        EXPECT_EQ(Version(image), c.version) << c.path;
    }
}

// Each change to a real executable, and what is then read: the machine (0:
// not a whole executable) and the version ("none", or "same": unchanged).
TEST(PeImage, RefusesBrokenAndForgedHeaders) {
    using Change = std::function<void(std::string*)>;
    auto pe = [](const std::string& s) { return size_t{U32(s, 0x3C)}; };
    auto optional = [&](const std::string& s) { return pe(s) + 24; };
    auto firstSection = [&](const std::string& s) { return optional(s) + U16(s, pe(s) + 20); };
    // In the version resource: the key with its terminator, two bytes of
    // padding, the fixed part's signature (the key alone is also data of the walk).
    const std::string versionInfo = std::string("V\0S\0_\0V\0E\0R\0S\0I\0O\0N\0_\0I\0N\0F\0O\0\0\0", 32) +
                                    std::string(2, '\0') + "\xBD\x04\xEF\xFE";
    auto after = [&](const std::string& s, const std::string& what) { return s.find(what, s.find(versionInfo)); };
    const struct {
        const char* what;
        Change change;
        bool whole;           // still a whole executable of its machine
        const char* version;  // "same" or "none"
    } cases[] = {
        {"cut inside the DOS header", [](std::string* s) { s->resize(63); }, false, "none"},
        {"cut after the file header", [&](std::string* s) { s->resize(pe(*s) + 24); }, false, "none"},
        {"cut after the headers", [&](std::string* s) { s->resize(0x400); }, false, "none"},
        {"cut by one byte", [](std::string* s) { s->pop_back(); }, false, "same"},
        {"e_lfanew beyond the file", [](std::string* s) { Put32(s, 0x3C, static_cast<uint32_t>(s->size())); }, false,
         "none"},
        {"e_lfanew negative", [](std::string* s) { Put32(s, 0x3C, 0x80000000u); }, false, "none"},
        {"no PE signature", [&](std::string* s) { (*s)[pe(*s) + 1] = 'F'; }, false, "none"},
        {"a DLL", [&](std::string* s) { (*s)[pe(*s) + 23] |= 0x20; }, false, "none"},
        {"not marked executable", [&](std::string* s) { (*s)[pe(*s) + 22] &= ~0x02; }, false, "none"},
        {"a ROM optional header", [&](std::string* s) { Put16(s, optional(*s), 0x107); }, false, "none"},
        {"no sections", [&](std::string* s) { Put16(s, pe(*s) + 6, 0); }, false, "none"},
        {"a section table beyond the file", [&](std::string* s) { Put16(s, pe(*s) + 6, 0xFFFF); }, false, "none"},
        {"a section's data beyond the file",
         [&](std::string* s) { Put32(s, firstSection(*s) + 20, 0x7FFFFFF0); }, false,
         "same"},
        {"only two data directories",
         [&](std::string* s) {
             const bool pe32 = (*s)[optional(*s)] == 0x0B && (*s)[optional(*s) + 1] == 0x01;
             Put32(s, optional(*s) + (pe32 ? 92 : 108), 2);
         },
         true, "none"},
        {"the resource directory outside every section",
         [&](std::string* s) {
             const bool pe32 = (*s)[optional(*s)] == 0x0B && (*s)[optional(*s) + 1] == 0x01;
             Put32(s, optional(*s) + (pe32 ? 96 : 112) + 16, 0x7FFF0000);
         },
         true, "none"},
        {"another key than VS_VERSION_INFO", [&](std::string* s) { (*s)[after(*s, std::string("O\0", 2))] = 'Q'; },
         true, "none"},
        {"no fixed-part signature", [&](std::string* s) { (*s)[after(*s, "\xBD\x04\xEF\xFE")] = 0; }, true, "none"},
    };
    for (const std::string& path : {kWin64 + "/vexa.exe", kWin32 + "/vexa.exe"}) {
        const std::string original = ReadFile(path);
        ASSERT_FALSE(original.empty()) << path;
        for (const auto& c : cases) {
            std::string image = original;
            c.change(&image);
            EXPECT_EQ(Machine(image), c.whole ? Machine(original) : 0) << c.what << " " << path;
            EXPECT_EQ(Version(image), std::string(c.version) == "same" ? Version(original) : c.version)
                << c.what << " " << path;
        }
    }
}
}  // namespace
