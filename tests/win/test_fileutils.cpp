// The file utilities and the update log on real files of the prefix.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "app/FileUtils.h"
#include "app/Shell.h"
#include "app/UpdateLog.h"
#include "tests/win/TestFiles.h"

namespace {
TEST(FileMd5, DigestsOfKnownContents) {
    TempFolder dir(L"md5");
    const struct {
        std::string content;
        const wchar_t* md5;
    } cases[] = {
        {"", L"d41d8cd98f00b204e9800998ecf8427e"},
        {"abc", L"900150983cd24fb0d6963f7d28e17f72"},
        {std::string(200000, 'x'), nullptr},  // larger than one read chunk: compared below
    };
    for (const auto& c : cases) {
        const std::wstring path = dir.File(L"f.bin", c.content);
        std::wstring md5;
        GetFileMd5(path, md5);
        if (c.md5) EXPECT_EQ(md5, c.md5);
        else EXPECT_EQ(md5.size(), 32u);
    }
}

TEST(FileMd5, AppendsAndLeavesResultOnFailure) {
    TempFolder dir(L"md5b");
    std::wstring result = L"prefix:";
    GetFileMd5(dir.Path(L"missing.bin"), result);
    EXPECT_EQ(result, L"prefix:");
    GetFileMd5(dir.File(L"e.bin", ""), result);
    EXPECT_EQ(result, L"prefix:d41d8cd98f00b204e9800998ecf8427e");
}

TEST(FileVersion, ThreeOutcomes) {
    TempFolder dir(L"ver");
    EXPECT_EQ(GetFileVersionString(dir.Path(L"missing.exe")), L"");
    EXPECT_EQ(GetFileVersionString(dir.File(L"plain.txt", "no version here")), L"None VerSion Supprot");
    EXPECT_EQ(GetFileVersionString(GetModulePath()), L"1.0.0.0");  // the client's own version block
}

TEST(FolderEmpty, ListsWhatIsThere) {
    TempFolder dir(L"empty");
    EXPECT_TRUE(IsFolderEmpty(dir.Path(L"does-not-exist")));
    const std::wstring empty = dir.Folder(L"e");
    EXPECT_TRUE(IsFolderEmpty(empty));
    const std::wstring nested = dir.Folder(L"n");
    dir.Folder(L"n\\sub");
    EXPECT_FALSE(IsFolderEmpty(nested));
    const std::wstring withFile = dir.Folder(L"f");
    dir.File(L"f\\x.txt", "x");
    EXPECT_FALSE(IsFolderEmpty(withFile));
}

TEST(ShellDelete, FilesFoldersAndLongPaths) {
    TempFolder dir(L"del");
    EXPECT_FALSE(DeleteAndNotify(dir.Path(L"missing")));
    EXPECT_FALSE(ShellDeletePath(L""));

    const std::wstring file = dir.File(L"a.txt", "a");
    EXPECT_TRUE(DeleteAndNotify(file));
    EXPECT_FALSE(Exists(file));

    const std::wstring tree = dir.Folder(L"tree");
    dir.File(L"tree\\inner.txt", "i");
    EXPECT_TRUE(ShellDeletePath(tree));
    EXPECT_FALSE(Exists(tree));

    // A path longer than 126 characters is deleted whole, and its shorter
    // sibling (what a cut path could have named) stays.
    std::wstring deep = dir.Folder(L"long");
    while (deep.size() < 150) deep = dir.Folder(deep.substr(dir.Root().size() + 1) + L"\\segment_of_path");
    const std::wstring sibling = dir.Folder(L"long_kept");
    ASSERT_GT(deep.size(), 126u);
    EXPECT_TRUE(ShellDeletePath(deep));
    EXPECT_FALSE(Exists(deep));
    EXPECT_TRUE(Exists(sibling));
}

// Names in the folder, to see that no temporary file is left behind.
std::vector<std::wstring> Listing(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (wcscmp(entry.cFileName, L".") && wcscmp(entry.cFileName, L"..")) names.push_back(entry.cFileName);
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    return names;
}

TEST(ReplaceAtomically, ReplacesInOneStepAndWaitsForAHolder) {
    TempFolder src(L"replace-src");
    TempFolder dst(L"replace-dst");
    const std::wstring from = src.File(L"new.bin", std::string(300000, 'n'));
    const std::wstring to = dst.File(L"vexa.exe", "old");

    EXPECT_EQ(ReplaceFileAtomically(from, to, 5000), 0u);
    EXPECT_EQ(ReadAll(to), std::string(300000, 'n'));
    EXPECT_EQ(Listing(dst.Root()), std::vector<std::wstring>{L"vexa.exe"});

    const std::wstring fresh = dst.Path(L"fresh.exe");  // a missing target is created
    EXPECT_EQ(ReplaceFileAtomically(from, fresh, 5000), 0u);
    EXPECT_EQ(ReadAll(fresh).size(), 300000u);

    // Held for a moment: the replacement waits and succeeds.
    WriteAll(to, "old");
    HANDLE held = CreateFileW(to.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::thread release([held] { Sleep(400); CloseHandle(held); });
    EXPECT_EQ(ReplaceFileAtomically(from, to, 5000), 0u);
    release.join();
    EXPECT_EQ(ReadAll(to).size(), 300000u);
}

TEST(ReplaceAtomically, FailureLeavesTargetIntactAndNoTemporaryFile) {
    TempFolder src(L"fail-src");
    TempFolder dst(L"fail-dst");
    const std::wstring from = src.File(L"new.bin", "new");
    const std::wstring to = dst.File(L"vexa.exe", "old");

    {  // held beyond the wait: the sharing violation is reported
        HANDLE held = CreateFileW(to.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        const DWORD start = GetTickCount();
        EXPECT_EQ(ReplaceFileAtomically(from, to, 600), static_cast<unsigned long>(ERROR_SHARING_VIOLATION));
        EXPECT_GE(GetTickCount() - start, 500u);
        CloseHandle(held);
    }
    // A missing source is not waited for.
    EXPECT_EQ(ReplaceFileAtomically(src.Path(L"nope"), to, 5000), static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(ReadAll(to), "old");
    EXPECT_EQ(Listing(dst.Root()), std::vector<std::wstring>{L"vexa.exe"});
}

TEST(UpdateLogFile, AppendsUtf16LinesWithoutBom) {
    const std::wstring res = GetDataFolder() + L"res";
    ASSERT_FALSE(GetDataFolder().empty());
    RemoveTree(res);
    EXPECT_EQ(WriteUpdateLog(L"lost"), -1);  // no res folder: the line is lost

    CreateDirectoryW(GetDataFolder().substr(0, GetDataFolder().size() - 6).c_str(), nullptr);
    CreateDirectoryW(GetDataFolder().c_str(), nullptr);
    ASSERT_TRUE(CreateDirectoryW(res.c_str(), nullptr));
    EXPECT_EQ(WriteUpdateLog(L"first"), 0);
    EXPECT_EQ(WriteUpdateLog(L"第二"), 0);
    const std::string bytes = ReadAll(res + L"\\update.log");
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_NE(bytes.substr(0, 2), std::string("\xff\xfe"));
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
    const size_t firstEnd = text.find(L"\r\n");
    ASSERT_NE(firstEnd, std::wstring::npos);
    EXPECT_TRUE(EndsWith(text.substr(0, firstEnd), L" : \tUpdateModule\tfirst"));
    EXPECT_TRUE(EndsWith(text, L" : \tUpdateModule\t第二\r\n"));
    EXPECT_EQ(text.find(L"\r\n", firstEnd + 2), text.size() - 2);

    // A log held by another writer loses the line and is not truncated.
    HANDLE held = CreateFileW((res + L"\\update.log").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(WriteUpdateLog(L"third"), -1);
    CloseHandle(held);
    EXPECT_EQ(ReadAll(res + L"\\update.log"), bytes);
}
}  // namespace
