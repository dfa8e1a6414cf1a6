// One run of the self-update: the paths of the download and of the installed
// client, the version check's request and answer, and the download that
// hands over to a new client. CheckForUpdate (update/VersionCheck.h) makes
// one per check.
#pragma once

#include <string>

#include "update/UpdateKey.h"
#include "update/UpdateProgress.h"
#include "update/VersionAnswer.h"

class CUpdateTask {
public:
    // Deletes a leftover download (creating APPDATA\cache when missing) and
    // derives the installed path from the running executable's file name.
    CUpdateTask(const std::wstring& downloadFileName, const std::wstring& dataSubPath);

    // Asks serverUrl/query+version. True when the answer names a new client;
    // VersionAnswerText() is then its URL.
    bool CheckVersion(std::wstring serverUrl, std::wstring query, std::wstring version);

    // Downloads url into the download path and, when the whole announced
    // length arrived, the file is signed with the update key (when there is
    // one: CheckSignedDownload) and is a newer client for this machine
    // (CheckDownloadedClient), starts it in the hand-over mode and ends the
    // process. Returns when anything failed; the download file is then left
    // as it is.
    void DownloadUpdate(std::wstring url);
    // Where DownloadUpdate reports its progress; none by default.
    void ReportProgressTo(IUpdateProgress* progress) { m_progress = progress; }

    const std::wstring& VersionAnswerText() const { return m_versionAnswer; }

private:
    friend struct CUpdateTaskTestAccess;  // the Windows tests read the paths and choose the key

    // GETs the check URL: the body as text (cut when too long), empty on any failure.
    VersionAnswer HttpGetText();

    std::wstring m_checkUrl;
    std::wstring m_downloadPath;
    std::wstring m_installedPath;
    std::wstring m_dataSubPath;
    std::wstring m_versionAnswer;
    IUpdateProgress* m_progress = nullptr;
    // The key a download's signature must verify under; none (nullptr): no
    // signature check.
    const UpdateKey* m_updateKey = BuiltInUpdateKey();
};
