// The game view: the browser pane of the main window below its title strip.
// Right button presses never reach the page, context-menu messages to the
// view are swallowed, and every completed document gets the click sink.
#pragma once

#include "base/Owners.h"
#include "browser/DocEvtHandler.h"
#include "browser/HtmlView.h"

class CMyHtmlView : public CHtmlView {
public:
    CMyHtmlView();
    ~CMyHtmlView() override;

    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    void OnDocumentComplete(const std::wstring& url) override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    friend struct CMyHtmlViewTestAccess;  // the Windows tests read the click sink's connection

    void ConnectDocumentEvents();
    void DisconnectDocumentEvents();

    ComPtr<SDocEvtHandler> m_pEvtHandler;  // a connected document holds a reference of its own
    DWORD m_dwCookie = 0;  // the sink's connection to a document; 0 when none
    ComPtr<IDispatch> m_pConnectedDoc;
};
