// The version check: the log cap, the request and the answer's decision.
#include <windows.h>

#include <exception>
#include <string>

#include "app/App.h"
#include "app/FileUtils.h"
#include "app/Paths.h"
#include "app/Shell.h"
#include "app/UpdateLog.h"
#include "base/Owners.h"
#include "base/Text.h"
#include "res/resource.h"
#include "update/HttpGet.h"
#include "update/UpdateTask.h"

namespace {
const wchar_t kLogSeparator[] = L"=====================";
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

void LogTransferFailure(const std::wstring& message) {
    WriteUpdateLog(L"Try Download File Exception");
    WriteUpdateLog(message.substr(0, 254));
}

bool SendLogged(HttpGet& response, const std::wstring& url, unsigned long timeoutMs) {
    if (!response.Send(url, CKestro_V5App::AppName(), timeoutMs, timeoutMs)) {
        LogTransferFailure(ErrorText(response.Error()));
        return false;
    }
    const long status = response.StatusCode();
    WriteUpdateLog(FormatText(L"Http QueryInfoStatusCode:%ld", status));
    return status < 400;
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

CUpdateTask::CUpdateTask(const std::wstring& downloadFileName, const std::wstring& dataSubPath)
    : m_dataSubPath(dataSubPath) {
    const std::wstring appData = GetAppDataFolder();
    if (appData.empty()) return;  // no paths: nothing to delete, nothing to download into
    const std::wstring cache = appData + L"\\cache";
    if (::GetFileAttributesW(cache.c_str()) == INVALID_FILE_ATTRIBUTES) ::CreateDirectoryW(cache.c_str(), nullptr);
    m_downloadPath = cache + downloadFileName;
    // Every check starts without a leftover download.
    if (::GetFileAttributesW(m_downloadPath.c_str()) != INVALID_FILE_ATTRIBUTES) ::DeleteFileW(m_downloadPath.c_str());
    m_installedPath = appData + dataSubPath + FileNameOf(GetModulePath());
}

bool CUpdateTask::CheckVersion(std::wstring serverUrl, std::wstring query, std::wstring version) {
    m_checkUrl = FormatText(L"%ls/%ls%ls", serverUrl.c_str(), query.c_str(), version.c_str());
    const VersionAnswer answer = HttpGetText();
    WriteUpdateLog(L"Server response check version msg:" + answer.text);
    if (!NamesNewClient(answer)) {
        WriteUpdateLog(L"Finish Update.");
        WriteUpdateLog(kLogSeparator);
        return false;
    }
    m_versionAnswer = answer.text;
    return true;
}

VersionAnswer CUpdateTask::HttpGetText() {
    VersionAnswer answer;
    try {
        HttpGet response;
        if (!SendLogged(response, m_checkUrl, kCheckTimeoutMs)) return answer;
        std::string body;
        if (!ReadAnswerBody(response, &body, &answer.cut)) {
            LogTransferFailure(ErrorText(response.Error()));
            return answer;
        }
        answer.text = FromThreadAnsi(body);
    } catch (const std::exception& e) {
        LogTransferFailure(WidenAscii(e.what()));
        answer = VersionAnswer();
    }
    return answer;
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
        WriteUpdateLog(FormatText(L"%ls/%ls%ls", serverUrl.c_str(), query.c_str(), version.c_str()));
        if (task.CheckVersion(serverUrl, query, version)) task.DownloadUpdate(task.VersionAnswerText());
    } catch (const std::exception& e) {
        // Called from a browser event: nothing may escape into the control.
        LogTransferFailure(WidenAscii(e.what()));
    }
}
