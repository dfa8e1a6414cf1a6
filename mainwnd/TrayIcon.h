// The client's icon in the notification area and its menu.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

class CTrayIcon {
public:
    CTrayIcon() = default;
    ~CTrayIcon() { Remove(); }
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    // Adds the icon with the tip (cut to the record's 127 characters); its
    // mouse messages arrive at the owner as WM_TRAY_CALLBACK. Returns whether
    // the shell took it.
    bool Add(const std::wstring& tip, HWND owner, HICON icon);
    // Deletes the icon if it was added.
    void Remove();
    bool IsAdded() const { return m_added; }

private:
    NOTIFYICONDATAW m_data = {};
    bool m_added = false;
};

// Opens the tray menu with its left edge 130 pixels left of the cursor; the
// chosen command arrives at the owner as WM_COMMAND.
void TrackTrayMenu(HWND owner);
