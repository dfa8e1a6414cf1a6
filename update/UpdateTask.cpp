#include "update/UpdateTask.h"

#include <windows.h>

#include <exception>

#include "app/FileUtils.h"
#include "app/FixedTexts.h"
#include "app/Paths.h"
#include "app/Shell.h"
#include "app/UpdateLog.h"
#include "base/Owners.h"
#include "base/Text.h"
#include "update/Download.h"
#include "update/HttpGet.h"
#include "update/LoggedSteps.h"
#include "update/VersionCheck.h"

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
    m_checkUrl = FormatText(kCheckUrlFormat, serverUrl.c_str(), query.c_str(), version.c_str());
    const VersionAnswer answer = HttpGetText();
    WriteUpdateLog(kLogServerAnswer + answer.text);
    if (!NamesNewClient(answer)) {
        WriteUpdateLog(kLogNoUpdate);
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
        if (!ReadVersionAnswer(response, &answer)) LogTransferFailure(ErrorText(response.Error()));
    } catch (const std::exception& e) {
        LogTransferFailure(WidenAscii(e.what()));
        answer = VersionAnswer();
    }
    return answer;
}

void CUpdateTask::DownloadUpdate(std::wstring url) {
    WriteUpdateLog(kLogDownloadUrl + url);
    // Every return goes on without a hand-over; a hand-over ends the process
    // with the display at its last state.
    struct EndDisplay {
        IUpdateProgress* progress;
        ~EndDisplay() {
            if (progress) progress->OnDownloadEnd();
        }
    } endDisplay{m_progress};
    try {
        long long total = 0;
        // The file and the response are closed when this returns.
        if (!FetchDownload(url, m_downloadPath, &total, m_progress)) return;
        WriteUpdateLog(FormatText(kLogDownloadSize, total));
        std::wstring md5;
        GetFileMd5(m_downloadPath, md5);
        WriteUpdateLog(kLogDownloadMd5 + md5);
        // Nobody may write the file between its check and its start.
        FileHandle checked(::CreateFileW(m_downloadPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
        std::wstring failure;
        if (!CheckDownload(checked.Get(), url, m_updateKey, &failure)) {
            WriteUpdateLog(kLogCheckFailure + failure);
            return;
        }
        LaunchHandOver(m_downloadPath, m_installedPath);
    } catch (const std::exception& e) {
        LogTransferFailure(WidenAscii(e.what()));
    }
}
