// The main window: a borderless dialog with a drawn 30-pixel title strip and
// its buttons over the game view, four display modes (maximized to the work
// area, normal 1000 x 700, full screen, minimized), the global hotkeys and the
// notification-area icon.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "base/Owners.h"
#include "base/Window.h"
#include "browser/MyHtmlView.h"
#include "mainwnd/Hotkeys.h"
#include "mainwnd/TrayIcon.h"
#include "widgets/TouchButton.h"

namespace Gdiplus {
class Image;
}
class CMenbanDlg;

class CKestro_V5Dlg : public CDialogBase {
public:
    CKestro_V5Dlg();
    ~CKestro_V5Dlg() override;

    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    // The dialog's own commands never close the main window.
    void OnOK() override {}
    void OnCancel() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    // Steps of the initialisation that hand over to the login window and the
    // game view.
    std::wstring RunLoginWindow();
    void CreateGameView(const std::wstring& url);
    HWND GameViewWindow() const { return m_view.m_hWnd; }
    void RefreshGameView();

    // Title buttons and display modes.
    CTouchButton* Button(int id);
    void InitTitleButtons();
    void LayoutTitleButtons();
    void ShowTitleButtons(int showCommand);
    void ShowMaximizeButton(bool maximizeShown);
    void FitToWorkArea();
    void PlaceNormalGameView();
    void EnterFullScreen();
    void LeaveFullScreen();
    void Maximize();
    void Restore();
    void Minimize();
    void ToggleZoomFromStrip();
    void ApplyMaximizedLayout();
    void ApplyNormalLayout();
    void DrawTitleStrip(HDC dc);

    // Commands that ask first, and the cache cleaning.
    void CloseWithConfirmation();
    void ReselectServer();
    void CleanCache();
    void OnCacheCleaningDone();

    // Hotkeys and tray icon.
    void RegisterHotKeys();
    void OnHotKey(int id);
    void OnBossKey();
    void OnTrayCallback(UINT mouseMessage);
    void ToggleVisible();
    bool IsActiveTopLevel() const;

    bool OnCommand(UINT id);

    CMyHtmlView m_view;                  // the game view: child "MyWebBrowser", id 10000
    CTouchButton m_buttons[11];          // bound to the template's eleven buttons
    bool m_fullScreen = false;
    bool m_maximized = false;
    CTrayIcon m_tray;
    std::unique_ptr<CMenbanDlg> m_mask;  // covers the window while the cache is cleaned
    std::unique_ptr<Gdiplus::Image> m_stripLeft, m_stripMiddle, m_stripRight;
    int m_minimizedByButton = 0;
    HACCEL m_accelerators = nullptr;     // a resource table: not destroyed
    IconHandle m_trayIconImage;          // icon 273 at the large-icon size
    CGlobalHotkeys m_hotkeys;
};
