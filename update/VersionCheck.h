// The self-update: once per login window the client asks the version server
// whether a newer client exists; if so it downloads it into APPDATA\cache and
// starts it in the hand-over mode, which installs it. Everything runs on the
// user-interface thread; the only trace is the update log. This is its entry
// and the check's own steps; one run is a CUpdateTask (update/UpdateTask.h).
#pragma once

#include <string>

#include "update/UpdateProgress.h"
#include "update/VersionAnswer.h"

class HttpGet;

// How long the version server may keep the window waiting: for the
// connection, and then for the response head and for each piece of the body.
constexpr unsigned long kCheckTimeoutMs = 5000;
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

// Reads the version server's answer from a sent request: the body up to
// kMaxVersionAnswerBytes (answer->cut tells that there was more), as text in
// the thread's ANSI code page up to its first NUL. False when a read failed
// (response.Error() says why); *answer is then unchanged.
bool ReadVersionAnswer(HttpGet& response, VersionAnswer* answer);
