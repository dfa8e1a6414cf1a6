// The archive reader's Windows side: files written through the Win32 API,
// with attributes and times, and the names Windows itself resolves outside
// the folder (devices) or cannot hold (MAX_PATH).
#include <gtest/gtest.h>
#include <windows.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "login/archive/ResourceArchive.h"
#include "tests/win/TestFiles.h"

namespace {
// A stored-only ZIP archive made in memory: enough to put any name,
// attribute or CRC-32 in front of the reader.
class ZipBuilder {
public:
    void Add(const std::string& name, const std::string& data, uint32_t attributes = 0x20, bool wrongCrc = false) {
        const uint32_t crc = static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()),
                                                         static_cast<uInt>(data.size()))) ^ (wrongCrc ? 1 : 0);
        const uint32_t offset = static_cast<uint32_t>(body_.size());
        Put32(body_, 0x04034b50), Put16(body_, 20), Put16(body_, 0), Put16(body_, 0);
        Put16(body_, 0x6000), Put16(body_, 0x52CF);  // 2021-06-15 12:00:00
        Put32(body_, crc), Put32(body_, data.size()), Put32(body_, data.size());
        Put16(body_, name.size()), Put16(body_, 0);
        body_ += name + data;
        Put32(directory_, 0x02014b50), Put16(directory_, 20), Put16(directory_, 20), Put16(directory_, 0);
        Put16(directory_, 0), Put16(directory_, 0x6000), Put16(directory_, 0x52CF);
        Put32(directory_, crc), Put32(directory_, data.size()), Put32(directory_, data.size());
        Put16(directory_, name.size()), Put16(directory_, 0), Put16(directory_, 0), Put16(directory_, 0);
        Put16(directory_, 0), Put32(directory_, attributes), Put32(directory_, offset);
        directory_ += name;
        ++count_;
    }
    std::string Bytes() const {
        std::string end;
        Put32(end, 0x06054b50), Put16(end, 0), Put16(end, 0), Put16(end, count_), Put16(end, count_);
        Put32(end, directory_.size()), Put32(end, body_.size()), Put16(end, 0);
        return body_ + directory_ + end;
    }

private:
    static void Put16(std::string& s, size_t v) { s += static_cast<char>(v & 0xFF), s += static_cast<char>((v >> 8) & 0xFF); }
    static void Put32(std::string& s, size_t v) { Put16(s, v & 0xFFFF), Put16(s, (v >> 16) & 0xFFFF); }
    std::string body_, directory_;
    size_t count_ = 0;
};

std::vector<ArchiveResult> ExtractAllTo(const std::string& zip, const std::wstring& base) {
    ArchiveOwner archive(OpenFromMemory(zip.data(), zip.size()));
    std::vector<ArchiveResult> results;
    if (!archive) return results;
    SetBaseFolder(archive.get(), base.c_str());
    ArchiveEntry count;
    GetEntry(archive.get(), -1, &count);
    for (int i = 0; i < count.index; ++i) {
        ArchiveEntry e;
        const ArchiveResult r = GetEntry(archive.get(), i, &e);
        results.push_back(r == kArchiveOk ? ExtractEntry(archive.get(), i, e.name) : r);
    }
    return results;
}

TEST(ArchiveFilesWin, AttributesAndTimesReachTheFiles) {
    TempFolder dir(L"reader-attrs");
    ZipBuilder zip;
    zip.Add("plain.txt", "p");
    zip.Add("readonly.txt", "r", 0x21);
    zip.Add("hidden\\system.txt", "h", 0x26);
    zip.Add("made\\folder\\", "", 0x10);
    EXPECT_EQ(ExtractAllTo(zip.Bytes(), dir.Path(L"res")), (std::vector<ArchiveResult>(4, kArchiveOk)));
    EXPECT_EQ(GetFileAttributesW(dir.Path(L"res\\plain.txt").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(GetFileAttributesW(dir.Path(L"res\\readonly.txt").c_str()),
              static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(GetFileAttributesW(dir.Path(L"res\\hidden\\system.txt").c_str()) &
                  (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_TRUE(GetFileAttributesW(dir.Path(L"res\\made\\folder").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(ReadAll(dir.Path(L"res\\readonly.txt")), "r");

    // The entry's DOS date, read as local time.
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    ASSERT_TRUE(GetFileAttributesExW(dir.Path(L"res\\plain.txt").c_str(), GetFileExInfoStandard, &data));
    SYSTEMTIME utc, local;
    FileTimeToSystemTime(&data.ftLastWriteTime, &utc);
    SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
    EXPECT_EQ(local.wYear * 10000 + local.wMonth * 100 + local.wDay, 20210615);
    EXPECT_EQ(local.wHour * 100 + local.wMinute, 1200);
    SetFileAttributesW(dir.Path(L"res\\readonly.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesW(dir.Path(L"res\\hidden\\system.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(ArchiveFilesWin, FailedEntryLeavesNoFileEvenWhenReadOnly) {
    TempFolder dir(L"reader-crc");
    ZipBuilder zip;
    zip.Add("bad-readonly.txt", "damaged", 0x21, true);
    zip.Add("good.txt", "fine");
    EXPECT_EQ(ExtractAllTo(zip.Bytes(), dir.Root()), (std::vector<ArchiveResult>{kArchiveDataFailure, kArchiveOk}));
    EXPECT_FALSE(Exists(dir.Path(L"bad-readonly.txt")));
    EXPECT_EQ(ReadAll(dir.Path(L"good.txt")), "fine");
}

TEST(ArchiveFilesWin, ReadOnlyHiddenOrSystemFileIsReplaced) {
    // CREATE_ALWAYS alone refuses each of these; a second unpacking meets the
    // read-only files the first one made. Wine run as root opens them anyway
    // but keeps the old bits, which the attribute check sees.
    const struct {
        DWORD existing;
        uint32_t entry;
    } cases[] = {
        {FILE_ATTRIBUTE_READONLY, 0},  // no bits: what CREATE_ALWAYS gives, the archive bit
        {FILE_ATTRIBUTE_READONLY, 0x20},
        {FILE_ATTRIBUTE_READONLY, 0x21},
        {FILE_ATTRIBUTE_HIDDEN, 0x20},
        {FILE_ATTRIBUTE_SYSTEM, 0x20},
        {FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, 0x26},
    };
    for (const auto& c : cases) {
        TempFolder dir(L"reader-replace");
        const std::wstring target = dir.File(L"settings.ini", "old settings");
        ASSERT_TRUE(SetFileAttributesW(target.c_str(), c.existing));
        ZipBuilder zip;
        zip.Add("settings.ini", "new", c.entry);
        EXPECT_EQ(ExtractAllTo(zip.Bytes(), dir.Root()), std::vector<ArchiveResult>{kArchiveOk}) << c.existing;
        EXPECT_EQ(ReadAll(target), "new") << c.existing;
        EXPECT_EQ(GetFileAttributesW(target.c_str()), static_cast<DWORD>(c.entry ? c.entry : FILE_ATTRIBUTE_ARCHIVE))
            << c.existing;
        SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST(ArchiveFilesWin, ReadOnlyFileThatCannotBeReplacedKeepsItsAttributes) {
    TempFolder dir(L"reader-locked");
    const std::wstring target = dir.File(L"locked.txt", "old");
    ASSERT_TRUE(SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY));
    const DWORD before = GetFileAttributesW(target.c_str());  // Wine adds the archive bit
    // Held open by another program: still refused once the read-only bit is gone.
    HANDLE holder = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    ZipBuilder zip;
    zip.Add("locked.txt", "new");
    EXPECT_EQ(ExtractAllTo(zip.Bytes(), dir.Root()), std::vector<ArchiveResult>{kArchiveFileNotWritable});
    CloseHandle(holder);
    EXPECT_EQ(ReadAll(target), "old");
    EXPECT_EQ(GetFileAttributesW(target.c_str()), before);
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(ArchiveFilesWin, DeviceNamesAndLongPathsAreNotWritten) {
    TempFolder dir(L"reader-names");
    ZipBuilder zip;
    zip.Add("con", "c");
    zip.Add("sub\\nul", "n");
    zip.Add(std::string(300, 'L') + ".txt", "too long for a name");
    zip.Add("ok.txt", "ok");
    const std::wstring base = dir.Path(L"res");
    EXPECT_EQ(ExtractAllTo(zip.Bytes(), base),
              (std::vector<ArchiveResult>{kArchiveUnsafeName, kArchiveUnsafeName, kArchiveUnsafeName, kArchiveOk}));

    // A name that fits alone but not below the base folder is not cut short.
    ZipBuilder longer;
    const std::string name(259 - base.size(), 'n');  // base + "\" + name: 260 characters
    longer.Add(name, "x");
    EXPECT_EQ(ExtractAllTo(longer.Bytes(), base), std::vector<ArchiveResult>{kArchiveFileNotWritable});
    EXPECT_FALSE(Exists(base + L"\\" + std::wstring(name.begin(), name.end() - 1)));
    EXPECT_EQ(ReadAll(base + L"\\ok.txt"), "ok");
}
}  // namespace
