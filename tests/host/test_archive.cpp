// The archive reader on archives made by Python's zipfile: listing,
// descriptions, extraction of stored and deflated entries and folders.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <iterator>

#include "login/archive/ArchiveName.h"
#include "login/archive/ResourceArchive.h"
#include "tests/host/ArchiveTestFiles.h"

namespace {
constexpr uint64_t kTicksPerSecond = 10000000;
constexpr uint64_t kEpochTicks = 11644473600ull * kTicksPerSecond;  // 1970-01-01 in FILETIME ticks

uint64_t UnixToTicks(int64_t seconds) { return static_cast<uint64_t>(seconds) * kTicksPerSecond + kEpochTicks; }

// The DOS stamp of the fixtures, 2021-06-15 12:34:56, read in UTC.
const uint64_t kFixtureDate = UnixToTicks(1623760496);

class UtcZone {
public:
    UtcZone() {
        const char* tz = ::getenv("TZ");
        if (tz) saved_ = tz, had_ = true;
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
    ~UtcZone() {
        if (had_) ::setenv("TZ", saved_.c_str(), 1);
        else ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::string saved_;
    bool had_ = false;
};

std::wstring Described(CResourceArchive* archive, int index, ArchiveResult* result = nullptr) {
    ArchiveEntry e;
    ArchiveResult r = GetEntry(archive, index, &e);
    if (result) *result = r;
    return r == kArchiveOk ? std::wstring(e.name) : L"<error>";
}

TEST(ArchiveReader, ExtractsStoredDeflatedEmptyAndFolderEntries) {
    ScratchFolder dir;
    OpenArchive a(Fixture("basic"));
    ASSERT_TRUE(a.get());
    EXPECT_EQ(ExtractAllBelow(a.get(), dir.Path("res")),
              (std::vector<ArchiveResult>{kArchiveOk, kArchiveOk, kArchiveOk, kArchiveOk}));
    EXPECT_EQ(ListTree(dir.Path("res")),
              (std::vector<std::string>{"a.txt", "empty.txt", "folder/", "sub/", "sub/deeper/", "sub/deeper/big.txt"}));
    EXPECT_EQ(ReadText(dir.Path("res/a.txt")), "stored text\r\n");
    EXPECT_EQ(ReadText(dir.Path("res/sub/deeper/big.txt")), BigText());  // several 16 KiB chunks each way
    EXPECT_EQ(ReadText(dir.Path("res/empty.txt")), "");
}

TEST(ArchiveReader, DescribesEntriesInDirectoryOrderAndBack) {
    OpenArchive a(Fixture("basic"));
    ASSERT_TRUE(a.get());
    ArchiveEntry e;
    ASSERT_EQ(GetEntry(a.get(), -1, &e), kArchiveOk);
    EXPECT_EQ(e.index, 4);
    EXPECT_EQ(std::wstring(e.name), L"");
    EXPECT_EQ(e.attributes | e.compressedSize | e.uncompressedSize, 0u);
    EXPECT_EQ(e.writeTime, 0u);

    // Forward, backward (the directory restarts) and the same index twice.
    const int order[] = {3, 1, 1, 0, 2, 0};
    const wchar_t* names[] = {L"a.txt", L"sub/deeper/big.txt", L"empty.txt", L"folder/"};
    for (int index : order) EXPECT_EQ(Described(a.get(), index), names[index]) << index;

    ASSERT_EQ(GetEntry(a.get(), 1, &e), kArchiveOk);
    EXPECT_EQ(e.index, 1);
    EXPECT_EQ(e.uncompressedSize, static_cast<int32_t>(BigText().size()));
    EXPECT_LT(e.compressedSize, e.uncompressedSize);
    EXPECT_EQ(e.attributes, kEntryArchive);
    ASSERT_EQ(GetEntry(a.get(), 3, &e), kArchiveOk);
    EXPECT_EQ(e.attributes, kEntryDirectory);
}

TEST(ArchiveReader, ArgumentsOutsideTheirRange) {
    OpenArchive a(Fixture("basic"));
    ArchiveEntry e;
    const struct {
        CResourceArchive* archive;
        int index;
    } getCases[] = {{a.get(), 4}, {a.get(), -2}, {a.get(), 1000}, {nullptr, 0}, {nullptr, -1}};
    for (const auto& c : getCases) EXPECT_EQ(GetEntry(c.archive, c.index, &e), kArchiveBadArgument) << c.index;
    EXPECT_EQ(GetEntry(a.get(), 0, nullptr), kArchiveBadArgument);
    EXPECT_EQ(ExtractEntry(a.get(), -1, L"x"), kArchiveBadArgument);
    EXPECT_EQ(ExtractEntry(a.get(), 4, L"x"), kArchiveBadArgument);
    EXPECT_EQ(ExtractEntry(a.get(), 0, nullptr), kArchiveBadArgument);
    EXPECT_EQ(ExtractEntry(nullptr, 0, L"x"), kArchiveBadArgument);
    EXPECT_EQ(SetBaseFolder(nullptr, L"/tmp"), kArchiveBadArgument);
    EXPECT_EQ(Close(nullptr), kArchiveBadArgument);
}

TEST(ArchiveReader, AttributesFromBothHostKinds) {
    OpenArchive a(Fixture("attributes"));
    ASSERT_TRUE(a.get());
    const struct {
        const wchar_t* name;
        uint32_t attributes;
    } cases[] = {
        {L"dos-plain.txt", kEntryArchive},
        {L"dos-readonly.txt", kEntryArchive | kEntryReadOnly},
        {L"dos-hidden-system.txt", kEntryArchive | kEntryHidden | kEntrySystem},
        {L"unix-writable.txt", kEntryArchive},
        {L"unix-readonly.txt", kEntryArchive | kEntryReadOnly},  // owner may not write
        {L"unix-dir/", kEntryArchive | kEntryDirectory},
        // A trailing separator is a folder whatever the attributes say.
        {L"java-folder/", kEntryDirectory},                                   // attributes 0
        {L"infozip-folder/", kEntryArchive | kEntryReadOnly | kEntryDirectory},  // DOS bit, no Unix mode
        {L"back\\slash\\", kEntryDirectory},
    };
    const int count = static_cast<int>(std::size(cases));
    for (int i = 0; i < count; ++i) {
        ArchiveEntry e;
        ASSERT_EQ(GetEntry(a.get(), i, &e), kArchiveOk);
        EXPECT_EQ(std::wstring(e.name), cases[i].name);
        EXPECT_EQ(e.attributes, cases[i].attributes) << i;
    }
    ScratchFolder dir;
    EXPECT_EQ(ExtractAllBelow(a.get(), dir.Root()), std::vector<ArchiveResult>(count, kArchiveOk));
    struct stat info;
    ASSERT_EQ(::stat(dir.Path("unix-readonly.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0222, 0u);
    for (const char* folder : {"unix-dir", "java-folder", "infozip-folder", "back/slash"})
        EXPECT_TRUE(IsDirectory(dir.Path(folder))) << folder;
}

TEST(ArchiveReader, TimesFromDosDateAndExtendedTimestamp) {
    UtcZone utc;
    OpenArchive a(Fixture("timestamps"));
    ASSERT_TRUE(a.get());
    const struct {
        uint64_t write, access, creation;
    } cases[] = {
        {UnixToTicks(1600000000), UnixToTicks(1600000100), UnixToTicks(1500000000)},  // all three flags
        {UnixToTicks(1234567890), kFixtureDate, kFixtureDate},                      // write time only
        {kFixtureDate, kFixtureDate, kFixtureDate},  // block shorter than its flags: ignored
        {kFixtureDate, kFixtureDate, kFixtureDate},
    };
    for (int i = 0; i < 4; ++i) {
        ArchiveEntry e;
        ASSERT_EQ(GetEntry(a.get(), i, &e), kArchiveOk);
        EXPECT_EQ(e.writeTime, cases[i].write) << i;
        EXPECT_EQ(e.accessTime, cases[i].access) << i;
        EXPECT_EQ(e.creationTime, cases[i].creation) << i;
    }
    ScratchFolder dir;
    ExtractAllBelow(a.get(), dir.Root());
    struct stat info;
    ASSERT_EQ(::stat(dir.Path("ut-all.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mtime, 1600000000);
    EXPECT_EQ(info.st_atime, 1600000100);
    ASSERT_EQ(::stat(dir.Path("dos-only.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mtime, 1623760496);
}

TEST(ArchiveReader, ArchivesOfOtherShapesOpen) {
    const struct {
        const char* fixture;
        const char* file;
        std::string content;
    } cases[] = {
        {"comment-65513", "c.txt", "comment test"},  // the longest comment the search reaches
        {"prefixed", "p.txt", "after the stub"},     // offsets shifted by what precedes the archive
        {"descriptor", "streamed.txt", BigText()},   // sizes only in the directory (flag bit 3)
    };
    for (const auto& c : cases) {
        ScratchFolder dir;
        OpenArchive a(Fixture(c.fixture));
        ASSERT_TRUE(a.get()) << c.fixture;
        EXPECT_EQ(ExtractAllBelow(a.get(), dir.Root()), std::vector<ArchiveResult>{kArchiveOk}) << c.fixture;
        EXPECT_EQ(ReadText(dir.Path(c.file)), c.content) << c.fixture;
    }
}

TEST(ArchiveReader, ExistingFileIsReplaced) {
    ScratchFolder dir;
    std::ofstream(dir.Path("a.txt")) << std::string(5000, 'o');
    OpenArchive a(Fixture("basic"));
    SetBaseFolder(a.get(), Wide(dir.Root()).c_str());
    EXPECT_EQ(ExtractEntry(a.get(), 0, L"a.txt"), kArchiveOk);
    EXPECT_EQ(ReadText(dir.Path("a.txt")), "stored text\r\n");
}

TEST(ArchiveReader, BaseFolderDefaultsToTheCurrentFolder) {
    ScratchFolder dir;
    char previous[4096];
    ASSERT_TRUE(::getcwd(previous, sizeof(previous)));
    ASSERT_EQ(::chdir(dir.Root().c_str()), 0);
    OpenArchive a(Fixture("basic"));
    const ArchiveResult r = ExtractEntry(a.get(), 0, L"here.txt");
    ASSERT_EQ(::chdir(previous), 0);
    EXPECT_EQ(r, kArchiveOk);
    EXPECT_EQ(ReadText(dir.Path("here.txt")), "stored text\r\n");
}

TEST(ArchiveReader, BaseFolderAndPathLengths) {
    ScratchFolder dir;
    OpenArchive a(Fixture("basic"));
    // With or without its separator, the folder is used as given.
    for (const std::string& base : {dir.Path("one"), dir.Path("two/")}) {
        EXPECT_EQ(SetBaseFolder(a.get(), Wide(base).c_str()), kArchiveOk);
        EXPECT_EQ(ExtractEntry(a.get(), 0, L"a.txt"), kArchiveOk);
    }
    EXPECT_EQ(ReadText(dir.Path("one/a.txt")), "stored text\r\n");
    EXPECT_EQ(ReadText(dir.Path("two/a.txt")), "stored text\r\n");

    // No room for a name: refused, and extraction with it too.
    EXPECT_EQ(SetBaseFolder(a.get(), (L"/" + std::wstring(258, L'f')).c_str()), kArchiveBadArgument);
    EXPECT_EQ(ExtractEntry(a.get(), 0, L"a.txt"), kArchiveBadArgument);
    EXPECT_EQ(SetBaseFolder(a.get(), L""), kArchiveBadArgument);

    // base + name of 260 characters or more is never cut to a shorter name.
    const std::wstring base = Wide(dir.Root()) + L"/";
    SetBaseFolder(a.get(), base.c_str());
    const std::wstring fits(259 - base.size(), L'n'), tooLong(260 - base.size(), L'n');
    EXPECT_EQ(ExtractEntry(a.get(), 0, fits.c_str()), kArchiveOk);
    EXPECT_EQ(ExtractEntry(a.get(), 0, tooLong.c_str()), kArchiveFileNotWritable);
    EXPECT_EQ(ListTree(dir.Root()).size(), 5u);  // one/, one/a.txt, two/, two/a.txt, the one that fit
}
}  // namespace
