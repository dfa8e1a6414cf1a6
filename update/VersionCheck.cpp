// The version check: the log cap, the entry that runs one check, and the
// reading of the server's answer.
#include "update/VersionCheck.h"

#include <windows.h>

#include <exception>
#include <string>

#include "app/FileUtils.h"
#include "app/FixedTexts.h"
#include "app/Shell.h"
#include "app/UpdateLog.h"
#include "base/Owners.h"
#include "base/Text.h"
#include "res/resource.h"
#include "update/HttpGet.h"
#include "update/LoggedSteps.h"
#include "update/UpdateTask.h"

namespace {
constexpr DWORD kReadPiece = 1024;

// The body up to kMaxVersionAnswerBytes; *cut tells that there was more.
bool ReadAnswerBody(HttpGet& response, std::string* body, bool* cut) {
    char piece[kReadPiece];
    for (;;) {
        DWORD read = 0;
        if (!response.Read(piece, sizeof(piece), &read)) return false;
        if (read == 0) break;
        body->append(piece, read);
        if (body->size() > kMaxVersionAnswerBytes) break;
    }
    *cut = body->size() > kMaxVersionAnswerBytes;
    if (*cut) body->resize(kMaxVersionAnswerBytes);
    return true;
}

// 8-bit text in the thread's ANSI code page, up to its first NUL, as UTF-16.
std::wstring FromThreadAnsi(const std::string& bytes) {
    const std::string text = bytes.substr(0, bytes.find('\0'));
    if (text.empty()) return std::wstring();
    const int size = static_cast<int>(text.size());
    const int chars = ::MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), size, nullptr, 0);
    std::wstring wide(chars > 0 ? chars : 0, L'\0');
    if (chars > 0) ::MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), size, &wide[0], chars);
    return wide;
}
}  // namespace

bool ReadVersionAnswer(HttpGet& response, VersionAnswer* answer) {
    std::string body;
    bool cut = false;
    if (!ReadAnswerBody(response, &body, &cut)) return false;
    answer->text = FromThreadAnsi(body);
    answer->cut = cut;
    return true;
}

bool CapUpdateLog() {
    const std::wstring& folder = GetDataFolder();
    if (folder.empty()) return false;
    const std::wstring path = folder + L"res\\update.log";
    LARGE_INTEGER size = {};
    {
        FileHandle log(::CreateFileW(path.c_str(), FILE_READ_EA, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!log) return false;
        if (!::GetFileSizeEx(log.Get(), &size)) size.QuadPart = -1;  // unknown: start over
    }
    if (size.QuadPart >= 0 && static_cast<unsigned long long>(size.QuadPart) <= kMaxUpdateLogBytes) return false;
    return ::DeleteFileW(path.c_str()) != FALSE;
}

void CheckForUpdate(IUpdateProgress* progress) { CheckForUpdateAt(LoadStr(IDS_VERSION_SERVER), progress); }

void CheckForUpdateAt(const std::wstring& serverUrl, IUpdateProgress* progress) {
    try {
        CapUpdateLog();
        const std::wstring subPath = LoadStr(IDS_UPDATE_FOLDER) + LoadStr(IDS_GAME_FOLDER) + L"\\";
        CUpdateTask task(LoadStr(IDS_DOWNLOAD_FILE), subPath);
        task.ReportProgressTo(progress);
        const std::wstring version = GetFileVersionString(GetModulePath());
        const std::wstring query = LoadStr(IDS_VERSION_QUERY);
        WriteUpdateLog(FormatText(kCheckUrlFormat, serverUrl.c_str(), query.c_str(), version.c_str()));
        if (task.CheckVersion(serverUrl, query, version)) task.DownloadUpdate(task.VersionAnswerText());
    } catch (const std::exception& e) {
        // Called from a browser event: nothing may escape into the control.
        LogTransferFailure(WidenAscii(e.what()));
    }
}
