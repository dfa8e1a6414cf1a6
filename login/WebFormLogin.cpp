#include "login/WebFormLogin.h"

#include "res/resource.h"
#include "update/VersionCheck.h"

std::wstring g_strNavigateUrl;

bool IsGameCodeUrl(const std::wstring& url) { return url.find(L"play_gamecode") != std::wstring::npos; }

void WebFormLogin::OnBeforeNavigate(std::wstring url, VARIANT_BOOL* cancel) {
    // Frames navigate through here too; the source is not examined.
    if (IsGameCodeUrl(url)) *cancel = VARIANT_TRUE;
    if (!m_hHostWnd) return;
    g_strNavigateUrl = url;
    // Sent, not posted: the hand-over is decided before the event returns.
    ::SendMessageW(m_hHostWnd, WM_COMMAND, MAKEWPARAM(IDM_GAMECODE_READY, 0), 0);
}

void WebFormLogin::OnDocumentComplete(std::wstring) {
    if (!m_bFirstCompleteDone) {
        m_bFirstCompleteDone = TRUE;  // first: the check must never run twice
        // The check holds the window for its length: let it finish the paint
        // it owes first (skin, buttons, version text), without running the
        // message loop.
        if (m_hHostWnd) ::RedrawWindow(m_hHostWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        CheckForUpdate(m_pProgress);  // may end the process to hand over to a new client
    }
    SetBrowserRect(m_rcDisplay);
}

STDMETHODIMP WebFormLogin::GetHostInfo(DOCHOSTUIINFO* info) {
    if (info) info->dwFlags |= DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO;
    return S_OK;
}
