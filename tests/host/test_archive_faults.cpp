// The archive reader against hostile names and damaged archives: nothing is
// written outside the base folder, and a damaged entry leaves no file.
#include <gtest/gtest.h>

#include "login/archive/ArchiveName.h"
#include "login/archive/ResourceArchive.h"
#include "tests/host/ArchiveTestFiles.h"

namespace {
TEST(ArchiveNames, CleanUpAndSafety) {
    const struct {
        const wchar_t* stored;
        const wchar_t* cleaned;
        bool safe;
    } cases[] = {
        {L"plain.txt", L"plain.txt", true},
        {L"/lead.txt", L"lead.txt", true},
        {L"\\\\server\\share\\unc.txt", L"server\\share\\unc.txt", true},
        {L"C:\\drive.txt", L"drive.txt", true},
        {L"C:/\\/C:x.txt", L"x.txt", true},        // rules repeat until none applies
        {L"x:y.txt", L"y.txt", true},              // any character before ":" is a drive
        {L"a/b/../c.txt", L"c.txt", true},         // everything up to the climb goes
        {L"a\\..\\b\\../c/..\\d.txt", L"d.txt", true},
        {L"ok/./dot.txt", L"ok/./dot.txt", true},
        {L"a/../../up.txt", L"../up.txt", false},  // still climbs out after the clean-up
        {L"..\\up.txt", L"..\\up.txt", false},
        {L"sub/..", L"sub/..", false},
        {L"..", L"..", false},
        {L"a/... /b.txt", L"a/... /b.txt", false},  // Windows trims it to ".."
        {L"a/. ./b.txt", L"a/. ./b.txt", false},
        {L"a/.hidden", L"a/.hidden", true},
        {L"file:stream", L"file:stream", false},
        {L"/", L"", false},
        {L"", L"", false},
        {L"tab\there", L"tab\there", false},
    };
    for (const auto& c : cases) {
        const std::wstring cleaned = CleanEntryName(c.stored);
        EXPECT_EQ(cleaned, c.cleaned) << testing::PrintToString(std::wstring(c.stored));
        EXPECT_EQ(IsSafeRelativeName(cleaned), c.safe) << testing::PrintToString(std::wstring(c.stored));
    }
}

TEST(ArchiveNames, Utf8DecodingRefusesInvalidSequences) {
    const struct {
        std::string bytes;
        bool valid;
        std::wstring text;
    } cases[] = {
        {"abc", true, L"abc"},
        {"\xe4\xb8\xad\xe6\x96\x87", true, L"\u4e2d\u6587"},
        {"\xf0\x9f\x98\x80", true, L"\U0001F600"},  // a surrogate pair where wchar_t is 16-bit
        {"\xef\xbf\xbd", true, L"\ufffd"},          // the replacement character itself is text
        {"caf\x82.txt", false, L""},                 // CP437 "café"
        {"caf\x8a.txt", false, L""},                 // CP437 "cafè": must not meet "café" as one name
        {"\xf0\xd2\xc9\xd7\xc5\xd4", false, L""},      // KOI8-R "Привет"
        {"\xc0\xaf", false, L""},                    // overlong "/": never a separator
        {"\xed\xa0\x80", false, L""},                // an encoded surrogate
        {"\xf4\x90\x80\x80", false, L""},            // past U+10FFFF
        {"\xe4\xb8", false, L""},                    // cut short
        {"\x80", false, L""},                        // a lone continuation byte
    };
    for (const auto& c : cases) {
        std::wstring text = L"unchanged";
        EXPECT_EQ(DecodeEntryName(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size(), &text), c.valid)
            << testing::PrintToString(c.bytes);
        EXPECT_EQ(text, c.valid ? c.text : L"unchanged") << testing::PrintToString(c.bytes);
    }
}

TEST(ArchiveFaults, NamesThatAreNotUtf8AreRefused) {
    ScratchFolder dir;
    OpenArchive a(Fixture("names-not-utf8"));
    ASSERT_TRUE(a.get());
    // Read any other way, the two CP437 names would become one file.
    EXPECT_EQ(ExtractAllBelow(a.get(), dir.Root()),
              (std::vector<ArchiveResult>{kArchiveUnsafeName, kArchiveUnsafeName, kArchiveUnsafeName, kArchiveOk}));
    EXPECT_EQ(ListTree(dir.Root()), std::vector<std::string>{"caf\xc3\xa9.txt"});  // UTF-8 without its flag
    EXPECT_EQ(ReadText(dir.Path("caf\xc3\xa9.txt")), "utf-8");
    SetBaseFolder(a.get(), Wide(dir.Root()).c_str());
    EXPECT_EQ(ExtractEntry(a.get(), 0, L"chosen-name.txt"), kArchiveUnsafeName);
    EXPECT_EQ(ListTree(dir.Root()).size(), 1u);
}

TEST(ArchiveFaults, HostileNamesStayBelowTheBaseFolder) {
    ScratchFolder dir;
    OpenArchive a(Fixture("names"));
    ASSERT_TRUE(a.get());
    const std::vector<ArchiveResult> results = ExtractAllBelow(a.get(), dir.Path("base/res"));
    const std::vector<ArchiveResult> expected = {
        kArchiveOk,          // "/lead-slash.txt"
        kArchiveOk,          // "\\server\share\unc.txt"
        kArchiveOk,          // "C:\drive.txt"
        kArchiveOk,          // "C:/x/../kept.txt"
        kArchiveUnsafeName,  // "a/../../climb.txt"
        kArchiveUnsafeName,  // "..\dotdot.txt"
        kArchiveUnsafeName,  // "sub/.."
        kArchiveOk,          // "ok/./dot.txt"
        kArchiveOk,          // "x:y.txt"
        kArchiveUnsafeName,  // "file:stream"
        kArchiveOk,          // "中文/名字.txt"
        kArchiveUnsafeName,  // "trail/... /x.txt"
    };
    EXPECT_EQ(results, expected);
    EXPECT_EQ(ListTree(dir.Root()),
              (std::vector<std::string>{"base/", "base/res/", "base/res/drive.txt", "base/res/kept.txt",
                                        "base/res/lead-slash.txt", "base/res/ok/", "base/res/ok/dot.txt",
                                        "base/res/server/", "base/res/server/share/",
                                        "base/res/server/share/unc.txt", "base/res/y.txt",
                                        "base/res/\xe4\xb8\xad\xe6\x96\x87/",
                                        "base/res/\xe4\xb8\xad\xe6\x96\x87/\xe5\x90\x8d\xe5\xad\x97.txt"}));
    EXPECT_EQ(ReadText(dir.Path("base/res/kept.txt")), "C:/x/../kept.txt");

    // The caller's name is held to the same rule.
    SetBaseFolder(a.get(), Wide(dir.Path("base/res")).c_str());
    for (const wchar_t* name : {L"../out.txt", L"/tmp/abs.txt", L"C:\\abs.txt", L"a/../../out.txt", L""})
        EXPECT_EQ(ExtractEntry(a.get(), 0, name), kArchiveUnsafeName) << testing::PrintToString(std::wstring(name));
    EXPECT_EQ(ListTree(dir.Root()).size(), 13u);
}

TEST(ArchiveFaults, StoredNamesOf260BytesOrMoreAreRefused) {
    ScratchFolder dir;
    OpenArchive fits(Fixture("name-259"));
    ArchiveEntry e;
    ASSERT_EQ(GetEntry(fits.get(), 0, &e), kArchiveOk);
    EXPECT_EQ(std::wstring(e.name).size(), 259u);
    OpenArchive tooLong(Fixture("name-260"));
    EXPECT_EQ(GetEntry(tooLong.get(), 0, &e), kArchiveUnsafeName);
    SetBaseFolder(tooLong.get(), Wide(dir.Root()).c_str());
    EXPECT_EQ(ExtractEntry(tooLong.get(), 0, L"short.txt"), kArchiveUnsafeName);
    EXPECT_TRUE(ListTree(dir.Root()).empty());
}

TEST(ArchiveFaults, DamagedEntriesLeaveNoFileAndSpareTheirNeighbours) {
    const struct {
        const char* fixture;
        std::vector<ArchiveResult> results;  // first.txt, second.txt (deflated, large), third.txt (stored)
    } cases[] = {
        {"wrong-crc", {kArchiveOk, kArchiveDataFailure, kArchiveOk}},
        {"wrong-crc-stored", {kArchiveOk, kArchiveOk, kArchiveDataFailure}},
        {"encrypted", {kArchivePasswordFailure, kArchiveOk, kArchiveOk}},
        {"encrypted-stored", {kArchiveOk, kArchiveOk, kArchivePasswordFailure}},  // sizes differ by 12
        {"encrypted-aes", {kArchiveOk, kArchivePasswordFailure, kArchiveOk}},     // method 99
        {"size-larger", {kArchiveOk, kArchiveDataFailure, kArchiveOk}},   // the stream ends first
        {"size-smaller", {kArchiveOk, kArchiveDataFailure, kArchiveOk}},  // capped, then the CRC-32 fails
        {"corrupt-deflate", {kArchiveOk, kArchiveDataFailure, kArchiveOk}},
        {"compressed-past-end", {kArchiveCorruptEntry, kArchiveOk, kArchiveOk}},
        {"stored-sizes-differ", {kArchiveOk, kArchiveOk, kArchiveCorruptEntry}},
        {"negative-size", {kArchiveCorruptEntry, kArchiveOk, kArchiveOk}},
        {"local-mismatch", {kArchiveCorruptEntry, kArchiveOk, kArchiveOk}},
        {"damaged-directory", {kArchiveOk, kArchiveCorruptEntry, kArchiveCorruptEntry}},  // no stepping past it
    };
    const char* files[] = {"first.txt", "second.txt", "third.txt"};
    for (const auto& c : cases) {
        ScratchFolder dir;
        OpenArchive a(Fixture(c.fixture));
        ASSERT_TRUE(a.get()) << c.fixture;
        // Each entry by its own name, so refused descriptions still try to write.
        SetBaseFolder(a.get(), Wide(dir.Root()).c_str());
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(ExtractEntry(a.get(), i, Wide(files[i]).c_str()), c.results[i]) << c.fixture << " " << i;
            EXPECT_EQ(PathExists(dir.Path(files[i])), c.results[i] == kArchiveOk) << c.fixture << " " << i;
        }
    }
    ScratchFolder dir;
    OpenArchive a(Fixture("size-smaller"));
    SetBaseFolder(a.get(), Wide(dir.Root()).c_str());
    EXPECT_EQ(ExtractEntry(a.get(), 0, L"first.txt"), kArchiveOk);
    EXPECT_EQ(ReadText(dir.Path("first.txt")), "first entry");
}

TEST(ArchiveFaults, EncryptedEntriesAreNotDescribed) {
    // The flag answers before the method, the sizes or the local header are looked at.
    const struct {
        const char* fixture;
        int index;
    } cases[] = {{"encrypted", 0}, {"encrypted-stored", 2}, {"encrypted-aes", 1}};
    for (const auto& c : cases) {
        OpenArchive a(Fixture(c.fixture));
        ArchiveEntry e;
        EXPECT_EQ(GetEntry(a.get(), c.index, &e), kArchivePasswordFailure) << c.fixture;
    }
}

TEST(ArchiveFaults, ArchivesThatDoNotOpen) {
    std::vector<uint8_t> small = Fixture("attributes");
    // Cut anywhere, the end record is gone or incomplete.
    for (size_t length = 0; length < small.size(); ++length)
        EXPECT_EQ(OpenFromMemory(small.data(), length), nullptr) << length;

    auto patched = [&](size_t offsetFromEnd, uint16_t value) {
        std::vector<uint8_t> copy = small;
        copy[copy.size() - offsetFromEnd] = static_cast<uint8_t>(value);
        copy[copy.size() - offsetFromEnd + 1] = static_cast<uint8_t>(value >> 8);
        return copy;
    };
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"not an archive", std::vector<uint8_t>(100, 'x')},
        {"comment past the search span", Fixture("comment-65514")},
        {"this disk", patched(22 - 4, 1)},
        {"directory disk", patched(22 - 6, 1)},
        {"entry counts differ", patched(22 - 8, 5)},
        {"directory beyond the record", patched(22 - 16, 0xF000)},  // offset pushed past the record
    };
    for (const auto& c : cases) EXPECT_EQ(OpenFromMemory(c.bytes.data(), c.bytes.size()), nullptr) << c.what;
    EXPECT_EQ(OpenFromMemory(nullptr, 100), nullptr);
}
}  // namespace
