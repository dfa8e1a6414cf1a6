// The login window: a captionless, colour-keyed skin of 660 x 399 pixels
// whose page area hosts the portal's login page. It installs the client,
// requests the login page with the adapter address, and ends when the page
// hands over a game URL (IDOK) or when the player confirms leaving (the
// process ends).
#pragma once

#include <memory>
#include <string>

#include "base/Owners.h"
#include "base/Window.h"
#include "login/DownloadProgress.h"
#include "login/WebFormLogin.h"
#include "update/UpdateProgress.h"
#include "widgets/TouchButton.h"

class CKestroLogin : public CDialogBase, public IUpdateProgress {
public:
    CKestroLogin();
    ~CKestroLogin() override;

    // The game URL the page handed over; empty until then.
    std::wstring GetGameUrl() const { return m_strGameUrl; }

    // Keys for the page and the drag strip at the top.
    BOOL PreTranslateMessage(MSG* msg) override;

    // An update's download, shown over the still hidden page area. While it
    // is shown the window takes no command.
    void OnDownloadProgress(long long received, long long total) override;
    void OnDownloadEnd() override;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    friend struct CKestroLoginTestAccess;  // the Windows tests reach the browser host

    BOOL ForwardKeyToPage(MSG* msg);
    void StartDragFromStrip(const MSG* msg);
    void OnGameCodeReady();
    void OnCloseCommand();
    void OnPaint();

    GdiObject<HBRUSH> m_bkBrush;
    std::wstring m_strGameUrl;
    std::unique_ptr<WebFormLogin> m_pBrowser;
    CTouchButton m_btnMin;
    CTouchButton m_btnClose;
    CDownloadProgress m_progress;
};
