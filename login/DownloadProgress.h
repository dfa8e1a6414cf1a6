// The progress of an update's download on the login window's skin: a short
// status line and a thin gold bar over the page area, which stays hidden
// until the first page has loaded, and so while the update runs.
#pragma once

#include <windows.h>

class CDownloadProgress {
public:
    // Draws received of total straight onto hwnd (over the skin that
    // background paints), without running the window's message loop, then
    // answers what other threads have sent, so that the system does not take
    // the window for hung while the download holds its thread.
    void Show(HWND hwnd, HBRUSH background, long long received, long long total);
    // Takes the display away: its area is invalidated for the next paint.
    void Hide(HWND hwnd);
    bool Visible() const { return m_total > 0; }

    // Draws the current state into a paint DC; nothing when hidden.
    void Paint(HDC dc, HBRUSH background) const;

private:
    friend struct CDownloadProgressTestAccess;  // the Windows tests look at the drawn area

    // Where it draws, in the window's client coordinates.
    static RECT Area();

    long long m_received = 0;
    long long m_total = 0;
};
