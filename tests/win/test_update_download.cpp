// The download of a new client against real loopback servers, and its start
// in the hand-over mode through a real process.
#include "tests/win/LoopbackHttp.h"  // winsock2.h before windows.h

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cwchar>
#include <string>
#include <vector>

#include "app/FileUtils.h"
#include "app/Shell.h"
#include "tests/win/TestFiles.h"
#include "tests/win/UpdateLogFile.h"
#include "update/UpdateTask.h"

namespace {
using Lines = std::vector<std::wstring>;
const wchar_t kDownloadName[] = L"\\v5vexatmp.exe";
const wchar_t kDataSubPath[] = L"\\velmo\\vexa\\";

// Started by the hand-over test as the downloaded client, this executable
// only records its command line next to itself and ends.
const bool kStartedAsNewClient = [] {
    const wchar_t* line = GetCommandLineW();
    if (wcsncmp(line, L"-d ", 3) != 0) return false;
    const std::wstring wide(line);
    WriteAll(GetModulePath() + L".cmdline", std::string(wide.begin(), wide.end()));
    ExitProcess(0);
}();

std::wstring Number(long long n) { return std::to_wstring(n); }

// A fresh task (which drops any earlier download) and a log without lines.
struct Download {
    Download() { StartWithoutLog(); }
    CUpdateTask task{kDownloadName, kDataSubPath};
    const std::wstring& path() const { return task.DownloadPath(); }
};

struct FailureCase {
    const char* what;
    HttpReply reply;
    std::string leftover;     // already in the download file before the transfer
    bool hold;                // another handle holds the download file
    Lines after;              // log lines after the URL and status lines
    std::string fileAfter;    // the download file afterwards ("-" none)
};

TEST(UpdateDownload, FailuresLeaveTheClientRunning) {
    const std::string body(5000, 'b');
    const FailureCase cases[] = {
        {"404", {404, "not here"}, "", false, {}, "-"},
        {"no Content-Length", {200, body, -2}, "", false,
         {L"Content length:0", L"ERROR!Before download dwFileSize == dwToatlSize,exit"}, ""},
        {"shorter than announced", {200, body, 8000}, "", false, {L"Content length:8000"}, body},
        {"held by another handle", {200, body}, "", true, {L"Content length:5000"}, "-"},
        {"appended to what is there", {200, body}, "old", false, {L"Content length:5000"}, "old" + body},
        {"already of the announced size", {200, body}, body, false,
         {L"Content length:5000", L"ERROR!Before download dwFileSize == dwToatlSize,exit"}, body},
    };
    for (const auto& c : cases) {
        Download d;
        LoopbackHttp server(c.reply);
        if (!c.leftover.empty()) {
            ASSERT_TRUE(WriteAll(d.path(), c.leftover));
        }
        HANDLE held = c.hold ? CreateFileW(d.path().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr)
                             : INVALID_HANDLE_VALUE;
        const std::wstring url = server.Url(L"/client/vexa.exe");
        d.task.DownloadUpdate(url);  // returns: nothing was started
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);

        Lines expected = {L"ExcuUpdate,URL=" + url, L"Http QueryInfoStatusCode:" + Number(c.reply.status)};
        expected.insert(expected.end(), c.after.begin(), c.after.end());
        EXPECT_EQ(UpdateLogMessages(), expected) << c.what;
        EXPECT_EQ(ReadAll(d.path()), c.fileAfter == "-" ? "" : c.fileAfter) << c.what;
        EXPECT_EQ(server.Requests(), std::vector<std::string>{"/client/vexa.exe"}) << c.what;
    }
}

TEST(UpdateDownload, UnreachableServerIsLoggedAsException) {
    Download d;
    const std::wstring url = LoopbackHttp::ClosedBase() + L"/vexa.exe";
    d.task.DownloadUpdate(url);
    const Lines log = UpdateLogMessages();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0], L"ExcuUpdate,URL=" + url);
    EXPECT_EQ(log[1], L"Try Download File Exception");
    EXPECT_NE(log[2].find(L"(Error 12029)"), std::wstring::npos) << testing::PrintToString(log[2]);
}

TEST(UpdateDownload, ClientThatCannotStartLeavesThisOneRunning) {
    Download d;
    const std::string notAnExecutable(4000, 'z');
    LoopbackHttp server({200, notAnExecutable});
    const std::wstring url = server.Url(L"/vexa.exe");
    d.task.DownloadUpdate(url);  // returning at all is the point

    std::wstring md5;
    GetFileMd5(d.path(), md5);
    EXPECT_EQ(ReadAll(d.path()), notAnExecutable);
    const Lines log = UpdateLogMessages();
    ASSERT_EQ(log.size(), 6u);
    EXPECT_EQ(Lines(log.begin(), log.begin() + 5),
              (Lines{L"ExcuUpdate,URL=" + url, L"Http QueryInfoStatusCode:200", L"Content length:4000",
                     L"Finish download,file size=4000", L"Finish download,file md5=" + md5}));
    EXPECT_EQ(log[5].find(L"Start download file failure.Error Code:"), 0u) << testing::PrintToString(log[5]);
    EXPECT_NE(log[5], L"Start download file failure.Error Code:0");
}

TEST(UpdateDownloadStall, NoDataForThirtySecondsEndsItLikeABrokenConnection) {
    Download d;
    LoopbackHttp server({200, std::string(5000, 's'), -1, false, 2048});
    const std::wstring url = server.Url(L"/vexa.exe");
    const auto start = std::chrono::steady_clock::now();
    d.task.DownloadUpdate(url);
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 2.0 * kDownloadStallMs / 1000);  // unbounded it would wait for the server forever

    const Lines log = UpdateLogMessages();
    ASSERT_EQ(log.size(), 5u);
    EXPECT_EQ(Lines(log.begin(), log.begin() + 4), (Lines{L"ExcuUpdate,URL=" + url, L"Http QueryInfoStatusCode:200",
                                                          L"Content length:5000", L"Try Download File Exception"}));
    EXPECT_EQ(ReadAll(d.path()), std::string(2048, 's'));  // the partial file stays
}

TEST(UpdateHandOver, CompleteDownloadStartsItAndEndsThisProcess) {
    Download d;
    const std::string client = ReadAll(GetModulePath());  // this executable stands in for the new client
    const std::wstring record = d.path() + L".cmdline";
    DeleteFileW(record.c_str());

    EXPECT_EXIT(
        {
            LoopbackHttp server({200, client});
            d.task.DownloadUpdate(server.Url(L"/vexa-1.0.0.1.exe"));
        },
        testing::ExitedWithCode(0), "");

    for (int i = 0; i < 100 && !Exists(record); ++i) Sleep(100);
    const std::wstring installed = GetAppDataFolder() + L"\\velmo\\vexa\\wintests.exe";
    EXPECT_EQ(ReadAll(record), "-d " + std::string(installed.begin(), installed.end()));
    EXPECT_EQ(ReadAll(d.path()), client);
    std::wstring md5;
    GetFileMd5(GetModulePath(), md5);
    const std::wstring size = Number(static_cast<long long>(client.size()));
    Lines log = UpdateLogMessages();
    ASSERT_EQ(log.size(), 5u);
    EXPECT_EQ(log[0].find(L"ExcuUpdate,URL=http://127.0.0.1:"), 0u);
    EXPECT_TRUE(EndsWith(log[0], L"/vexa-1.0.0.1.exe"));
    EXPECT_EQ(Lines(log.begin() + 1, log.end()),
              (Lines{L"Http QueryInfoStatusCode:200", L"Content length:" + size, L"Finish download,file size=" + size,
                     L"Finish download,file md5=" + md5}));
}
}  // namespace
