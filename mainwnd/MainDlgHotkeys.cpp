// The main window's side of the global hotkeys and the tray icon.
#include "mainwnd/MainDlg.h"

#include "res/resource.h"
#include "settings/Settings.h"

// The boss key and the full-screen key come from the settings file. A key
// whose line is missing registers nothing, as an empty value does: the reader's
// default is empty, so no key is taken away from other programs unasked.
void CKestro_V5Dlg::RegisterHotKeys() {
    wchar_t bossKey[kSettingChars] = {}, fullScreen[kSettingChars] = {};
    ReadSetting(L"Setting", L"screentoggle", L"", bossKey);
    ReadSetting(L"Setting", L"fullscreen", L"", fullScreen);
    m_hotkeys.Register(m_hWnd, bossKey, fullScreen);
}

// The foreground window is this window's last active popup (the window
// itself or a box it owns).
bool CKestro_V5Dlg::IsActiveTopLevel() const {
    HWND top = ::GetAncestor(m_hWnd, GA_ROOT);
    return top && ::GetForegroundWindow() == ::GetLastActivePopup(top);
}

void CKestro_V5Dlg::OnHotKey(int id) {
    switch (id) {
    case CGlobalHotkeys::kRefresh:
        if (IsActiveTopLevel()) RefreshGameView();
        break;
    case CGlobalHotkeys::kBossKey:
        OnBossKey();
        break;
    case CGlobalHotkeys::kFullScreen:
        if (!IsActiveTopLevel()) break;
        if (m_fullScreen) LeaveFullScreen();
        else EnterFullScreen();
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
        ::UpdateWindow(m_hWnd);
        break;
    }
}

// After the window's own minimize button the boss key brings the window back
// in its mode; otherwise it hides a visible window and shows a hidden one.
void CKestro_V5Dlg::OnBossKey() {
    if (m_minimizedByButton) {
        ::ShowWindow(m_hWnd, SW_SHOW);
        if (m_maximized) Maximize();
        else Restore();
        ::SetForegroundWindow(m_hWnd);
        return;
    }
    ::ShowWindow(m_hWnd, ::IsWindowVisible(m_hWnd) ? SW_HIDE : SW_SHOW);
}

void CKestro_V5Dlg::ToggleVisible() { ::ShowWindow(m_hWnd, ::IsWindowVisible(m_hWnd) ? SW_HIDE : SW_SHOW); }

void CKestro_V5Dlg::OnTrayCallback(UINT mouseMessage) {
    if (mouseMessage == WM_LBUTTONDOWN) {
        ::SetFocus(GameViewWindow());
        ::ShowWindow(m_hWnd, SW_SHOW);
        ::SetForegroundWindow(m_hWnd);
    } else if (mouseMessage == WM_RBUTTONUP) {
        TrackTrayMenu(m_hWnd);
    }
}
