// The self-update: once per login window the client asks the version server
// whether a newer client exists; if so it downloads it into APPDATA\cache and
// starts it in the hand-over mode, which installs it. Everything runs on the
// user-interface thread; the only trace is the update log.
#pragma once

#include <string>

#include "update/UpdateKey.h"
#include "update/UpdateProgress.h"
#include "update/VersionAnswer.h"

// How long the version server may keep the window waiting: for the
// connection, and then for the response head and for each piece of the body.
constexpr unsigned long kCheckTimeoutMs = 5000;
// A download that receives no data for this long ends like a broken connection.
constexpr unsigned long kDownloadStallMs = 30000;
// The update log is deleted before a check when it is larger than this.
constexpr unsigned long long kMaxUpdateLogBytes = 0xA00000;

// The check against the version server of string 191: caps the log, asks,
// and with an update downloads and hands over (then the process ends). The
// download's progress goes to progress when given.
void CheckForUpdate(IUpdateProgress* progress = nullptr);
// The same against another server (scheme and host, no trailing slash).
void CheckForUpdateAt(const std::wstring& serverUrl, IUpdateProgress* progress = nullptr);

// Deletes the update log when it is larger than kMaxUpdateLogBytes (or its
// size cannot be read). True when it was deleted.
bool CapUpdateLog();

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

// Logs a failed transfer as two lines: "Try Download File Exception" and
// the failure's message.
void LogTransferFailure(const std::wstring& message);

class HttpGet;
// Sends the GET of url with the time-out for every wait and logs what came
// back: the failure, or "Http QueryInfoStatusCode:%ld". True when the body
// is worth reading (status below 400).
bool SendLogged(HttpGet& response, const std::wstring& url, unsigned long timeoutMs);

// Starts the downloaded client with "-d " and the installed path and ends
// this process with exit code 0. Returns only when the start failed: the
// running client then goes on (the failure is logged with its error code).
void LaunchHandOver(std::wstring downloadPath, std::wstring installedPath);
