#include "mainwnd/TrayIcon.h"

#include <cwchar>

#include "base/Owners.h"
#include "res/resource.h"

bool CTrayIcon::Add(const std::wstring& tip, HWND owner, HICON icon) {
    m_data = {};
    m_data.cbSize = sizeof(m_data);
    m_data.hWnd = owner;
    m_data.uID = 0;
    m_data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_data.uCallbackMessage = WM_TRAY_CALLBACK;
    m_data.hIcon = icon;
    wcsncpy(m_data.szTip, tip.c_str(), ARRAYSIZE(m_data.szTip) - 1);
    const bool added = ::Shell_NotifyIconW(NIM_ADD, &m_data) != FALSE;
    // Marked added whatever the shell said, so every way out deletes it.
    m_added = true;
    return added;
}

void CTrayIcon::Remove() {
    if (!m_added) return;
    ::Shell_NotifyIconW(NIM_DELETE, &m_data);
    m_added = false;
}

void TrackTrayMenu(HWND owner) {
    MenuHandle menu(::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_TRAY_MENU)));
    HMENU popup = menu ? ::GetSubMenu(menu.Get(), 0) : nullptr;
    if (!popup) return;
    POINT cursor = {};
    ::GetCursorPos(&cursor);
    // In front, so that the menu closes when the player clicks elsewhere.
    ::SetForegroundWindow(owner);
    ::TrackPopupMenu(popup, TPM_RIGHTBUTTON, cursor.x - 130, cursor.y, 0, owner, nullptr);
}
