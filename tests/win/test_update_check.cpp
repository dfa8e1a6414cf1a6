// The version check against real loopback servers: what each answer means,
// what the log says, how long a silent server can hold the caller, and the
// log's size cap.
#include "tests/win/LoopbackHttp.h"  // winsock2.h before windows.h

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "app/Shell.h"
#include "tests/win/TestAccess.h"
#include "tests/win/TestFiles.h"
#include "tests/win/UpdateLogFile.h"
#include "update/UpdateTask.h"
#include "update/VersionCheck.h"

namespace {
using Lines = std::vector<std::wstring>;
const wchar_t kQuery[] = L"getClientVersion.php?p=velmo&g=vexa&v=";
const wchar_t kSeparator[] = L"=====================";
const wchar_t kDownloadName[] = L"\\v5vexatmp.exe";
const wchar_t kDataSubPath[] = L"\\velmo\\vexa\\";

std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

struct AnswerCase {
    const char* what;
    std::string body;
    size_t answerChars;  // how much of the body the answer holds
    bool update;
};

TEST(UpdateCheck, AnswersReadWholeUpToTheCap) {
    const std::string url = "http://127.0.0.1:1/client/vexa-1.0.0.1.exe";
    const auto sized = [&](size_t n) { return url + std::string(n - url.size(), 'a'); };
    const AnswerCase cases[] = {
        {"no update", "0", 1, false},
        {"refusal", "-1", 2, false},
        {"a URL", url, url.size(), true},
        {"a URL with a line break, kept", url + "\r\n", url.size() + 2, true},
        {"a negative number before a URL", "-1" + url, url.size() + 2, false},
        {"1023 bytes", sized(1023), 1023, true},
        {"1024 bytes: one whole read buffer", sized(1024), 1024, true},
        {"1025 bytes", sized(1025), 1025, true},
        {"exactly the cap", sized(kMaxVersionAnswerBytes), kMaxVersionAnswerBytes, true},
        {"one byte over the cap: cut", sized(kMaxVersionAnswerBytes + 1), kMaxVersionAnswerBytes, false},
        {"100000 bytes: cut", sized(100000), kMaxVersionAnswerBytes, false},
        {"text after a NUL is not text", std::string("0\0http://127.0.0.1:1/x.exe", 26), 1, false},
    };
    for (const auto& c : cases) {
        StartWithoutLog();
        LoopbackHttp server({200, c.body});
        CUpdateTask task(kDownloadName, kDataSubPath);
        const bool update = task.CheckVersion(server.Base(), kQuery, L"1.0.0.0");
        const std::wstring answer = Widen(c.body.substr(0, c.answerChars));
        EXPECT_EQ(update, c.update) << c.what;
        EXPECT_EQ(task.VersionAnswerText(), update ? answer : L"") << c.what;
        Lines expected = {L"Http QueryInfoStatusCode:200", L"Server response check version msg:" + answer};
        if (!c.update) expected.insert(expected.end(), {L"Finish Update.", kSeparator});
        EXPECT_EQ(UpdateLogMessages(), expected) << c.what;
    }
}

struct FailureCase {
    const char* what;
    HttpReply reply;
    bool reachable;
    Lines head;  // what comes before the exception lines, if any
    bool exception;
};

TEST(UpdateCheck, FailuresMeanNoUpdateWithinTheBound) {
    const FailureCase cases[] = {
        {"404", {404, "0123456789 not found"}, true, {L"Http QueryInfoStatusCode:404"}, false},
        {"500", {500, "http://127.0.0.1:1/x.exe"}, true, {L"Http QueryInfoStatusCode:500"}, false},
        {"nothing listens", {}, false, {}, true},
        {"accepts and never answers", {200, "", -1, true}, true, {}, true},
        {"stops inside the body", {200, "http://127.0.0.1:1/x.exe", -1, false, 7}, true,
         {L"Http QueryInfoStatusCode:200"}, true},
    };
    for (const auto& c : cases) {
        StartWithoutLog();
        LoopbackHttp server(c.reply);
        const std::wstring base = c.reachable ? server.Base() : LoopbackHttp::ClosedBase();
        CUpdateTask task(kDownloadName, kDataSubPath);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(task.CheckVersion(base, kQuery, L"1.0.0.0")) << c.what;
        const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        // Unbounded, a silent server would hold the caller until it closes.
        EXPECT_LT(seconds, 3.0 * kCheckTimeoutMs / 1000) << c.what;

        Lines log = UpdateLogMessages();
        Lines expected = c.head;
        if (c.exception) {
            expected.push_back(L"Try Download File Exception");
            ASSERT_GT(log.size(), expected.size()) << c.what;
            // The system's text where it has one, and the code: "... (Error 12029)", "Error 10060".
            EXPECT_NE(log[expected.size()].find(L"Error 1"), std::wstring::npos) << c.what;
            expected.push_back(log[expected.size()]);
        }
        expected.insert(expected.end(), {L"Server response check version msg:", L"Finish Update.", kSeparator});
        EXPECT_EQ(log, expected) << c.what;
    }
}

TEST(UpdateCheck, AsksWithTheRunningVersionAndDropsALeftoverDownload) {
    StartWithoutLog();
    const std::wstring cache = GetAppDataFolder() + L"\\cache";
    RemoveTree(cache);
    LoopbackHttp server({200, "0"});
    CheckForUpdateAt(server.Base());  // makes the cache folder
    const std::wstring leftover = cache + kDownloadName;
    ASSERT_TRUE(WriteAll(leftover, "partial download of an earlier run"));
    CheckForUpdateAt(server.Base());

    EXPECT_FALSE(Exists(leftover));
    const std::string target = "/getClientVersion.php?p=velmo&g=vexa&v=1.0.0.0";
    EXPECT_EQ(server.Requests(), std::vector<std::string>(2, target));
    const Lines one = {server.Base() + Widen(target), L"Http QueryInfoStatusCode:200",
                       L"Server response check version msg:0", L"Finish Update.", kSeparator};
    Lines both = one;
    both.insert(both.end(), one.begin(), one.end());
    EXPECT_EQ(UpdateLogMessages(), both);
}

TEST(UpdateCheck, TaskPaths) {
    CUpdateTask task(kDownloadName, kDataSubPath);
    EXPECT_EQ(CUpdateTaskTestAccess::DownloadPath(task), GetAppDataFolder() + L"\\cache\\v5vexatmp.exe");
    // Named after the running executable, wherever it runs from.
    EXPECT_EQ(CUpdateTaskTestAccess::InstalledPath(task), GetAppDataFolder() + L"\\velmo\\vexa\\wintests.exe");
}

TEST(UpdateLogCap, DeletesOnlyALogAboveTenMiB) {
    const struct {
        unsigned long long size;
        bool deleted;
    } cases[] = {{10485761, true}, {10485760, false}, {0, false}};
    LoopbackHttp server({200, "0"});
    for (const auto& c : cases) {
        StartWithoutLog();
        ASSERT_TRUE(WriteAll(UpdateLogPath(), std::string(static_cast<size_t>(c.size), '\0')));
        CheckForUpdateAt(server.Base());

        const std::string bytes = ReadAll(UpdateLogPath());
        const size_t kept = c.deleted ? 0 : static_cast<size_t>(c.size);
        ASSERT_GT(bytes.size(), kept) << c.size;
        EXPECT_EQ(bytes.find_first_not_of('\0'), kept) << c.size << ": the new lines start after what was kept";
        const Lines log = UpdateLogMessages(kept);
        ASSERT_EQ(log.size(), 5u) << c.size;
        EXPECT_EQ(log[0].find(server.Base()), 0u) << c.size << ": the check's first line is the request URL";
    }
}
}  // namespace
