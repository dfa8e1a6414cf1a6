// What the self-update tells the window the player waits in while a new
// client downloads. The download runs on the user-interface thread with no
// message loop: an implementation draws at once and dispatches nothing, so
// no other command can run in the middle of the update.
#pragma once

class IUpdateProgress {
public:
    // received of total bytes are in the download file (total > 0).
    virtual void OnDownloadProgress(long long received, long long total) = 0;
    // The download ended without a hand-over; the display goes away.
    virtual void OnDownloadEnd() = 0;

protected:
    ~IUpdateProgress() = default;
};

// How often the download reports at most, besides its start and its end.
constexpr unsigned long kProgressIntervalMs = 100;
