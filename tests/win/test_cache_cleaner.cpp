// Cache cleaning on the prefix's real URL cache and temporary internet files
// folder. The worker runs in a child process started as our debuggee, so its
// debugger-output lines are checked as a debugger sees them.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <wininet.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "app/Shell.h"
#include "mainwnd/CacheCleaner.h"
#include "res/resource.h"
#include "tests/tools/DebugCapture.h"
#include "tests/win/TestFiles.h"

namespace {
std::wstring CacheFolder() {
    wchar_t path[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, path, CSIDL_INTERNET_CACHE, TRUE);
    return path;
}

bool AddCacheEntry(const std::wstring& url, DWORD type) {
    wchar_t file[MAX_PATH] = {};
    if (!CreateUrlCacheEntryW(url.c_str(), 0, L"txt", file, 0)) return false;
    WriteAll(file, "cached body");
    FILETIME none = {};
    return CommitUrlCacheEntryW(url.c_str(), file, none, none, type, nullptr, 0, L"txt", nullptr);
}

std::set<std::wstring> CacheUrls() {
    std::set<std::wstring> urls;
    DWORD size = 0;
    FindFirstUrlCacheEntryW(nullptr, nullptr, &size);
    std::vector<BYTE> buf(size ? size : 1);
    HANDLE find = FindFirstUrlCacheEntryW(nullptr, reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buf.data()), &size);
    if (!find) return urls;
    do {
        urls.insert(reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buf.data())->lpszSourceUrlName);
        size = 0;
        FindNextUrlCacheEntryW(find, nullptr, &size);
        buf.assign(size ? size : 1, 0);
    } while (size && FindNextUrlCacheEntryW(find, reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buf.data()), &size));
    FindCloseUrlCache(find);
    return urls;
}

// Runs the worker in a child (the disabled test below) and returns the
// lines it wrote to the debugger output.
std::vector<std::wstring> RunWorkerInChild() {
    const std::wstring exe = GetModulePath();
    const std::wstring line =
        L"\"" + exe + L"\" --gtest_also_run_disabled_tests --gtest_filter=CacheCleaning.DISABLED_ChildRunsWorker";
    std::vector<std::wstring> lines;
    const long code = debugcapture::Run(exe.c_str(), line.c_str(), [&](const std::wstring& l) { lines.push_back(l); });
    EXPECT_EQ(code, 0) << "the child test failed";
    return lines;
}

size_t Count(const std::vector<std::wstring>& lines, const std::wstring& wanted) {
    return std::count(lines.begin(), lines.end(), wanted);
}

bool HasPrefix(const std::vector<std::wstring>& lines, const std::wstring& prefix) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::wstring& l) { return l.rfind(prefix, 0) == 0; });
}

LRESULT CALLBACK CompletionProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COMMAND && LOWORD(wp) == IDM_CLEANING_DONE && lp == 0) PostQuitMessage(0);
    return DefWindowProcW(hwnd, msg, wp, lp);
}

TEST(CacheCleaning, DISABLED_ChildRunsWorker) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = CompletionProc;
    wc.lpszClassName = L"CacheCleaningTest";
    RegisterClassW(&wc);
    HWND window = CreateWindowW(L"CacheCleaningTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window);
    ASSERT_TRUE(StartCacheCleaning(window));
    // The worker waits in its completion message until we pump: a second
    // request now must not start a second worker.
    EXPECT_FALSE(StartCacheCleaning(window));
    EXPECT_TRUE(IsCacheCleaning());
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    for (int i = 0; i < 100 && IsCacheCleaning(); ++i) Sleep(10);
    EXPECT_FALSE(IsCacheCleaning());
    DestroyWindow(window);
}

TEST(CacheCleaning, KeepsCookiesDesktopIniAndHeldFiles) {
    const std::vector<std::wstring> pages = {L"http://127.0.0.1:9/a.js", L"http://127.0.0.1:9/b/c.png",
                                             L"http://example.invalid/index.html"};
    const std::vector<std::wstring> cookies = {L"Cookie:root@127.0.0.1/", L"Cookie:root@example.invalid/game/"};
    for (const auto& url : pages) ASSERT_TRUE(AddCacheEntry(url, NORMAL_CACHE_ENTRY)) << GetLastError();
    for (const auto& url : cookies) ASSERT_TRUE(AddCacheEntry(url, COOKIE_CACHE_ENTRY)) << GetLastError();

    const std::wstring root = CacheFolder();
    ASSERT_FALSE(root.empty());
    const std::wstring deep = root + L"\\vexa-a\\b";
    CreateDirectoryW((root + L"\\vexa-a").c_str(), nullptr);
    CreateDirectoryW(deep.c_str(), nullptr);
    CreateDirectoryW((root + L"\\vexa-gone").c_str(), nullptr);
    WriteAll(deep + L"\\nested.txt", "n");
    WriteAll(root + L"\\vexa-gone\\x.txt", "x");
    WriteAll(root + L"\\desktop.ini", "[.ShellClassInfo]");
    WriteAll(root + L"\\vexa-a\\Desktop.INI", "[.ShellClassInfo]");
    WriteAll(deep + L"\\DESKTOP.ini", "[.ShellClassInfo]");
    const std::wstring readOnly = root + L"\\vexa-readonly.txt";
    WriteAll(readOnly, "r");
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    const std::wstring heldPath = root + L"\\vexa-held.txt";
    WriteAll(heldPath, "h");
    HANDLE held = CreateFileW(heldPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    const std::vector<std::wstring> lines = RunWorkerInChild();
    CloseHandle(held);

    const std::set<std::wstring> left = CacheUrls();
    for (const auto& url : pages) EXPECT_EQ(left.count(url), 0u) << "still cached: " << testing::PrintToString(url);
    for (const auto& url : cookies) EXPECT_EQ(left.count(url), 1u) << "cookie lost: " << testing::PrintToString(url);

    EXPECT_TRUE(Exists(root + L"\\desktop.ini"));
    EXPECT_TRUE(Exists(root + L"\\vexa-a\\Desktop.INI"));
    EXPECT_TRUE(Exists(deep + L"\\DESKTOP.ini"));
    EXPECT_FALSE(Exists(deep + L"\\nested.txt"));
    EXPECT_FALSE(Exists(root + L"\\vexa-gone"));
    EXPECT_FALSE(Exists(readOnly));
    EXPECT_TRUE(Exists(heldPath));

    EXPECT_EQ(Count(lines, L"临时文件夹路径为:" + root + L"\r\n"), 1u);
    EXPECT_EQ(Count(lines, L"开始清理" + root + L"文件夹\r\n"), 1u);
    EXPECT_EQ(Count(lines, L"开始清理" + deep + L"文件夹\r\n"), 1u);
    EXPECT_EQ(Count(lines, L"开始清理nested.txt文件夹\r\n"), 1u);
    EXPECT_EQ(Count(lines, L"开始清理vexa-readonly.txt文件夹\r\n"), 1u);
    EXPECT_EQ(Count(lines, L"***********删除文件:vexa-held.txt失败，错误代码:32******************\r\n"), 1u);
    EXPECT_TRUE(HasPrefix(lines, L"*******第二次查找缓存:缓存大小为:"));
    EXPECT_EQ(Count(lines, L"*******第一次查找缓存:未找到缓存。************\r\n") +
                  (HasPrefix(lines, L"*******第一次查找缓存:缓存大小为:") ? 1 : 0),
              1u);
}

// A link inside the cache folder is removed, never followed: what it points
// to survives. (Wine shows a Unix symlink as a reparse-point folder; the
// harness makes C:\links\clean\outside-link -> C:\links\outside.)
TEST(CacheCleaning, DoesNotFollowLinks) {
    if (!Exists(L"C:\\links\\clean\\outside-link")) GTEST_SKIP() << "no link fixture in this prefix";
    const DWORD attributes = GetFileAttributesW(L"C:\\links\\clean\\outside-link");
    ASSERT_TRUE(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_TRUE(CleanFolder(L"C:\\links\\clean"));
    EXPECT_TRUE(Exists(L"C:\\links\\outside\\precious.txt"));
}

TEST(CacheCleaningEmpty, StillCleansTheFolderAndFinishes) {
    ASSERT_TRUE(CacheUrls().empty()) << "a fresh prefix has no cache entries";
    const std::wstring root = CacheFolder();
    WriteAll(root + L"\\vexa-stale.txt", "s");
    std::vector<std::wstring> lines;
    const std::wstring exe = GetModulePath();
    const std::wstring line =
        L"\"" + exe + L"\" --gtest_also_run_disabled_tests --gtest_filter=CacheCleaning.DISABLED_ChildRunsWorker";
    EXPECT_EQ(debugcapture::Run(exe.c_str(), line.c_str(), [&](const std::wstring& l) { lines.push_back(l); }), 0);
    EXPECT_EQ(Count(lines, L"*******第一次查找缓存:未找到缓存。************\r\n"), 1u);
    EXPECT_EQ(Count(lines, L"*******第二次查找缓存:未找到缓存。************\r\n"), 1u);
    EXPECT_EQ(Count(lines, L"开始清理vexa-stale.txt文件夹\r\n"), 1u);
    EXPECT_FALSE(Exists(root + L"\\vexa-stale.txt"));
}

TEST(CacheCleaningFolder, UnlistableFolderIsReported) {
    EXPECT_FALSE(CleanFolder(L"C:\\does\\not\\exist"));
}
}  // namespace
