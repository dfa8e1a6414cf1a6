// The download of a new client against real loopback servers, and its start
// in the hand-over mode through a real process.
#include "tests/win/LoopbackHttp.h"  // winsock2.h before windows.h

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "app/FileUtils.h"
#include "app/Shell.h"
#include "base/Text.h"
#include "tests/win/ExecutableCopies.h"
#include "tests/win/TestAccess.h"
#include "tests/win/TestFiles.h"
#include "tests/win/UpdateLogFile.h"
#include "update/Download.h"
#include "update/LoggedSteps.h"
#include "update/PeImage.h"
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
    const std::wstring& path() const { return CUpdateTaskTestAccess::DownloadPath(task); }
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

// What a version server could hand out instead of a newer client for this
// machine: each is downloaded whole, logged, refused with the check that
// failed, left in place, and this client goes on.
TEST(UpdateDownload, OnlyANewerClientForThisMachineIsStarted) {
    const std::string exe = ThisExecutable();  // file version 1.0.0.0
    // This build's machine, from its own headers, and another one.
    const WORD machine = ExecutableMachine(reinterpret_cast<const uint8_t*>(exe.data()), exe.size());
    const WORD another = machine == IMAGE_FILE_MACHINE_AMD64 ? IMAGE_FILE_MACHINE_I386 : IMAGE_FILE_MACHINE_AMD64;
    const struct {
        const char* what;
        std::string body;
        std::wstring failure;
    } cases[] = {
        {"junk of an executable's length", std::string(exe.size(), 'z'), L"Not a whole executable"},
        {"a newer client cut short", WithFileVersion(exe, 1, 0, 0, 1).substr(0, exe.size() / 2),
         L"Not a whole executable"},
        {"built for another machine", WithMachine(WithFileVersion(exe, 1, 0, 0, 1), another),
         FormatText(L"Machine type 0x%04x, this client 0x%04x", another, machine)},
        {"no version resource", WithoutVersionResource(exe), L"No version resource"},
        {"the same version", exe, L"Version 1.0.0.0 not higher than this client's 1.0.0.0"},
        {"an older version", WithFileVersion(exe, 0, 9, 0, 0), L"Version 0.9.0.0 not higher than this client's 1.0.0.0"},
        // "0.100.0.0" without its dots reads larger than "1.0.0.0"; the parts say older.
        {"older in its parts", WithFileVersion(exe, 0, 100, 0, 0),
         L"Version 0.100.0.0 not higher than this client's 1.0.0.0"},
    };
    for (const auto& c : cases) {
        ASSERT_FALSE(c.body.empty()) << c.what;
        Download d;
        LoopbackHttp server({200, c.body});
        const std::wstring url = server.Url(L"/vexa.exe");
        d.task.DownloadUpdate(url);  // returning at all is the point

        std::wstring md5;
        GetFileMd5(d.path(), md5);
        const std::wstring size = Number(static_cast<long long>(c.body.size()));
        EXPECT_EQ(UpdateLogMessages(),
                  (Lines{L"ExcuUpdate,URL=" + url, L"Http QueryInfoStatusCode:200", L"Content length:" + size,
                         L"Finish download,file size=" + size, L"Finish download,file md5=" + md5,
                         L"Check download file failure." + c.failure}))
            << c.what;
        EXPECT_TRUE(ReadAll(d.path()) == c.body) << c.what;  // left as it arrived
        EXPECT_EQ(server.Requests(), std::vector<std::string>{"/vexa.exe"}) << c.what;  // no key: no signature asked for
    }
}

TEST(UpdateHandOver, ClientThatCannotStartLeavesThisOneRunning) {
    StartWithoutLog();
    TempFolder folder(L"cannot-start");
    const std::wstring download = folder.File(L"v5vexatmp.exe", std::string(4000, 'z'));
    LaunchHandOver(download, folder.Path(L"vexa.exe"));  // returning at all is the point

    const Lines log = UpdateLogMessages();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].find(L"Start download file failure.Error Code:"), 0u) << testing::PrintToString(log[0]);
    EXPECT_NE(log[0], L"Start download file failure.Error Code:0");
}

// The download's progress, as the login window receives it.
struct RecordedProgress : IUpdateProgress {
    void OnDownloadProgress(long long received, long long total) override {
        events.push_back({received, total});
    }
    void OnDownloadEnd() override { events.push_back({-1, -1}); }
    std::vector<std::pair<long long, long long>> events;
};

TEST(UpdateDownload, ProgressFromTheFirstToTheLastByteThenTheEnd) {
    const std::string body(300000, 'p');
    const struct {
        const char* what;
        HttpReply reply;
        bool shown;
    } cases[] = {
        {"whole body, refused client", {200, body}, true},
        {"404", {404, "not here"}, false},
        {"no Content-Length", {200, body, -2}, false},
    };
    for (const auto& c : cases) {
        Download d;
        RecordedProgress progress;
        d.task.ReportProgressTo(&progress);
        LoopbackHttp server(c.reply);
        d.task.DownloadUpdate(server.Url(L"/vexa.exe"));

        const auto& events = progress.events;
        ASSERT_FALSE(events.empty()) << c.what;
        EXPECT_EQ(events.back(), std::make_pair(-1LL, -1LL)) << c.what;  // ended once, last
        const size_t shown = events.size() - 1;
        if (!c.shown) {
            EXPECT_EQ(shown, 0u) << c.what;
            continue;
        }
        ASSERT_GE(shown, 2u) << c.what;
        const long long total = static_cast<long long>(body.size());
        EXPECT_EQ(events.front(), std::make_pair(0LL, total)) << c.what;
        EXPECT_EQ(events[shown - 1], std::make_pair(total, total)) << c.what;
        for (size_t i = 1; i < shown; ++i) {
            EXPECT_EQ(events[i].second, total) << c.what;
            EXPECT_GE(events[i].first, events[i - 1].first) << c.what;
        }
    }
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
    // This executable, one version newer, stands in for the new client.
    const std::string client = WithFileVersion(ThisExecutable(), 1, 0, 0, 1);
    ASSERT_FALSE(client.empty());
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
    EXPECT_TRUE(ReadAll(d.path()) == client);
    std::wstring md5;
    GetFileMd5(d.path(), md5);
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
