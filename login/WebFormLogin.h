// The login window's browser: it watches every navigation of the login
// page, stops the one that carries the game URL and hands it to the login
// window (WM_COMMAND IDM_GAMECODE_READY); it runs the version check at the
// first completed document and only then shows the page.
#pragma once

#include <string>

#include "browser/WebBrowserBase.h"
#include "update/UpdateProgress.h"

// The URL of the login browser's latest navigation; outlives the login window.
extern std::wstring g_strNavigateUrl;

// Whether a URL is the game's: the marker, exactly in this letter case.
bool IsGameCodeUrl(const std::wstring& url);

class WebFormLogin : public CWebBrowserBase {
public:
    // progress (optional) shows an update's download; normally the host window.
    explicit WebFormLogin(HWND hostWnd, IUpdateProgress* progress = nullptr)
        : m_hHostWnd(hostWnd), m_pProgress(progress) {}

    HWND GetHostWindow() override { return m_hHostWnd; }
    void OnDocumentComplete(std::wstring url) override;
    void OnBeforeNavigate(std::wstring url, VARIANT_BOOL* cancel) override;
    // The page has no border and no scroll bars.
    STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override;

private:
    HWND m_hHostWnd;
    IUpdateProgress* m_pProgress;
    BOOL m_bFirstCompleteDone = FALSE;
};
