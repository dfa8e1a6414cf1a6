// Signed updates: a downloaded client starts only with its publisher's
// signature in "<URL>.sig", against real loopback servers and real files;
// and the portable walk of the downloaded client's headers reads what
// Windows itself reads.
#include "tests/win/LoopbackHttp.h"  // winsock2.h before windows.h

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "app/FileUtils.h"
#include "app/Shell.h"
#include "tests/win/ExecutableCopies.h"
#include "tests/win/SigningKey.h"
#include "tests/win/TestAccess.h"
#include "tests/win/TestFiles.h"
#include "tests/win/UpdateLogFile.h"
#include "update/ClientCheck.h"
#include "update/PeImage.h"
#include "update/UpdateSignature.h"
#include "update/UpdateTask.h"

namespace {
using Lines = std::vector<std::wstring>;
using Bytes = std::vector<unsigned char>;
const wchar_t kStatusInvalidSignature[] = L"Signature not valid.Status 0xC000A000";

Bytes AsBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

std::wstring Unreadable(const std::string& der) { return L"Signature unreadable.Size:" + std::to_wstring(der.size()); }

TEST(UpdateSignature, OnlyThePublishersSignatureOfTheseBytesVerifies) {
    const SigningKey publisher, other;
    const std::string file = ThisExecutable();
    const std::string good = publisher.Sign(file);
    ASSERT_GE(good.size(), 8u);
    std::string changed = file;
    changed[0x40] ^= 1;  // the DOS stub: still the same executable to Windows
    std::string tooLong = good;
    tooLong.resize(kMaxSignatureFileBytes + 1, '\0');
    const struct {
        const char* what;
        std::string bytes, der;
        std::wstring failure;  // empty: verified
    } cases[] = {
        {"the publisher's signature", file, good, L""},
        {"another key's signature", file, other.Sign(file), kStatusInvalidSignature},
        {"the file changed after signing", changed, good, kStatusInvalidSignature},
        {"cut", file, good.substr(0, good.size() / 2), Unreadable(good.substr(0, good.size() / 2))},
        {"a byte more", file, good + "x", Unreadable(good + "x")},
        {"garbage", file, "not a signature\n", Unreadable("not a signature\n")},
        {"empty", file, "", Unreadable("")},
        {"longer than any signature", file, tooLong, Unreadable(tooLong)},
    };
    for (const auto& c : cases) {
        std::wstring failure;
        EXPECT_EQ(VerifySignature(publisher.Public(), AsBytes(c.bytes), AsBytes(c.der), &failure), c.failure.empty())
            << c.what;
        EXPECT_EQ(failure, c.failure) << c.what;
    }
}

TEST(UpdateSignature, RAndSOfEveryLengthAreRead) {
    // r and s are minimal DER INTEGERs: a sign byte before a high first
    // byte, fewer than 32 bytes when they start with zeros. Many signatures
    // meet every form.
    const SigningKey publisher;
    const std::string file = "the bytes of a client";
    std::vector<size_t> sizes;
    for (int i = 0; i < 64; ++i) {
        const std::string der = publisher.Sign(file + std::to_string(i));
        std::wstring failure;
        EXPECT_TRUE(VerifySignature(publisher.Public(), AsBytes(file + std::to_string(i)), AsBytes(der), &failure))
            << testing::PrintToString(failure);
        sizes.push_back(der.size());
    }
    EXPECT_NE(std::find(sizes.begin(), sizes.end(), 72u), sizes.end());  // both with a sign byte
    EXPECT_NE(std::find(sizes.begin(), sizes.end(), 70u), sizes.end());  // neither
}

// A download against a server with a route for the client and one for its
// signature; the update key is the test's own.
struct SignedDownload {
    SignedDownload() { StartWithoutLog(); }
    CUpdateTask task{L"\\v5vexatmp.exe", L"\\velmo\\vexa\\"};
    const std::wstring& path() const { return CUpdateTaskTestAccess::DownloadPath(task); }
};

Lines RefusedLog(const std::wstring& url, const std::string& body, const std::wstring& failure, const std::wstring& md5) {
    const std::wstring size = std::to_wstring(body.size());
    return {L"ExcuUpdate,URL=" + url,         L"Http QueryInfoStatusCode:200", L"Content length:" + size,
            L"Finish download,file size=" + size, L"Finish download,file md5=" + md5,
            L"Check download file failure." + failure};
}

// What anyone on the network path could hand out instead of the publisher's
// signed newer client: each is downloaded whole, its signature fetched from
// "<path>.sig" (the query kept after it), refused with one log line, and the
// file stays as it arrived.
TEST(UpdateSignedDownload, RefusedWithoutThePublishersSignature) {
    const SigningKey publisher, other;
    const std::string newer = WithFileVersion(ThisExecutable(), 1, 0, 0, 1);
    const std::string older = WithFileVersion(ThisExecutable(), 0, 9, 0, 0);
    ASSERT_FALSE(newer.empty());
    std::string changed = newer;
    changed[0x40] ^= 1;
    const std::string good = publisher.Sign(newer);
    const struct {
        const char* what;
        std::string body;
        HttpReply signature;
        std::wstring failure;
    } cases[] = {
        {"signed with another key", newer, {200, other.Sign(newer)}, kStatusInvalidSignature},
        {"changed after signing", changed, {200, good}, kStatusInvalidSignature},
        {"no signature file", newer, {404, "not here"}, L"No signature file.Http QueryInfoStatusCode:404"},
        {"a cut signature", newer, {200, good.substr(0, 40)}, Unreadable(good.substr(0, 40))},
        {"garbage for a signature", newer, {200, "<html>no</html>"}, Unreadable("<html>no</html>")},
        {"the publisher's signed older client", older, {200, publisher.Sign(older)},
         L"Version 0.9.0.0 not higher than this client's 1.0.0.0"},
    };
    for (const auto& c : cases) {
        SignedDownload d;
        CUpdateTaskTestAccess::CheckSignaturesWith(d.task, &publisher.Public());
        LoopbackHttp server({404, ""}, {{"/client/vexa.exe", {200, c.body}}, {"/client/vexa.exe.sig", c.signature}});
        const std::wstring url = server.Url(L"/client/vexa.exe?build=7");
        d.task.DownloadUpdate(url);  // returning at all is the point

        std::wstring md5;
        GetFileMd5(d.path(), md5);
        EXPECT_EQ(UpdateLogMessages(), RefusedLog(url, c.body, c.failure, md5)) << c.what;
        EXPECT_TRUE(ReadAll(d.path()) == c.body) << c.what;
        EXPECT_EQ(server.Requests(), (std::vector<std::string>{"/client/vexa.exe?build=7", "/client/vexa.exe.sig?build=7"}))
            << c.what;
    }
}

TEST(UpdateSignedDownload, WithoutAKeyNoSignatureIsAskedFor) {
    SignedDownload d;
    CUpdateTaskTestAccess::CheckSignaturesWith(d.task, nullptr);
    const std::string older = WithFileVersion(ThisExecutable(), 0, 9, 0, 0);
    LoopbackHttp server({404, ""}, {{"/vexa.exe", {200, older}}});
    d.task.DownloadUpdate(server.Url(L"/vexa.exe"));
    const Lines log = UpdateLogMessages();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), L"Check download file failure.Version 0.9.0.0 not higher than this client's 1.0.0.0");
    EXPECT_EQ(server.Requests(), std::vector<std::string>{"/vexa.exe"});
}

// The file checked must be the file started: while its signature is being
// fetched, no one can write, replace or delete the download.
TEST(UpdateSignedDownload, DownloadIsHeldWhileItsSignatureIsFetched) {
    SignedDownload d;
    const SigningKey publisher;
    CUpdateTaskTestAccess::CheckSignaturesWith(d.task, &publisher.Public());
    const std::wstring path = d.path();
    DWORD writeError = 0, deleteError = 0;
    HttpReply signature{404, ""};
    signature.onRequest = [&] {
        HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
        writeError = f == INVALID_HANDLE_VALUE ? GetLastError() : 0;
        if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
        deleteError = DeleteFileW(path.c_str()) ? 0 : GetLastError();
    };
    LoopbackHttp server({404, ""}, {{"/vexa.exe", {200, std::string(3000, 'v')}}, {"/vexa.exe.sig", signature}});
    d.task.DownloadUpdate(server.Url(L"/vexa.exe"));
    EXPECT_EQ(writeError, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(deleteError, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(ReadAll(path), std::string(3000, 'v'));
}

// The started client records its command line (test_update_download.cpp).
TEST(UpdateSignedHandOver, ThePublishersSignedNewerClientIsStarted) {
    SignedDownload d;
    const std::string client = WithFileVersion(ThisExecutable(), 1, 0, 0, 1);
    ASSERT_FALSE(client.empty());
    const std::wstring record = d.path() + L".cmdline";
    DeleteFileW(record.c_str());

    EXPECT_EXIT(
        {
            const SigningKey publisher;
            CUpdateTaskTestAccess::CheckSignaturesWith(d.task, &publisher.Public());
            LoopbackHttp server({404, ""}, {{"/vexa-1.0.0.1.exe", {200, client}},
                                            {"/vexa-1.0.0.1.exe.sig", {200, publisher.Sign(client)}}});
            d.task.DownloadUpdate(server.Url(L"/vexa-1.0.0.1.exe"));
        },
        testing::ExitedWithCode(0), "");

    for (int i = 0; i < 100 && !Exists(record); ++i) Sleep(100);
    const std::wstring installed = GetAppDataFolder() + L"\\velmo\\vexa\\wintests.exe";
    EXPECT_EQ(ReadAll(record), "-d " + std::string(installed.begin(), installed.end()));
    std::wstring md5;
    GetFileMd5(d.path(), md5);
    const Lines log = UpdateLogMessages();
    ASSERT_EQ(log.size(), 5u);  // nothing logged for a good signature
    EXPECT_EQ(log[4], L"Finish download,file md5=" + md5);
}

// The walk of the downloaded client's headers against Windows' own readers
// of the same files: the version resource (GetFileVersionInfoW) and the
// kind of executable (GetBinaryTypeW).
TEST(ClientHeaderWalk, ReadsWhatWindowsReads) {
    TempFolder folder(L"header-walk");
    const std::string exe = ThisExecutable();
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"this executable", exe},
        {"version 1.0.0.1", WithFileVersion(exe, 1, 0, 0, 1)},
        {"version 0.100.0.0", WithFileVersion(exe, 0, 100, 0, 0)},
        {"version 65535.2.3.65534", WithFileVersion(exe, 65535, 2, 3, 65534)},
        {"no version resource", WithoutVersionResource(exe)},
    };
    DWORD runningType = 0;
    ASSERT_TRUE(GetBinaryTypeW(GetModulePath().c_str(), &runningType));
    for (const auto& c : cases) {
        ASSERT_FALSE(c.bytes.empty()) << c.what;
        const std::wstring path = folder.File(L"copy.exe", c.bytes);
        const auto* data = reinterpret_cast<const uint8_t*>(c.bytes.data());
        unsigned long long windows = 0;
        uint64_t ours = 0;
        const bool windowsFound = ReadFileVersionNumber(path, &windows);
        EXPECT_EQ(FindFileVersion(data, c.bytes.size(), &ours), windowsFound) << c.what;
        if (windowsFound) {
            EXPECT_EQ(ours, windows) << c.what;
        }

        DWORD type = 0;
        ASSERT_TRUE(GetBinaryTypeW(path.c_str(), &type)) << c.what;
        EXPECT_EQ(type, runningType) << c.what;
        const uint16_t machine = ExecutableMachine(data, c.bytes.size());
        EXPECT_EQ(machine == kMachineAmd64 ? SCS_64BIT_BINARY : machine == kMachineI386 ? SCS_32BIT_BINARY : ~0u, type)
            << c.what;
    }
}
}  // namespace
