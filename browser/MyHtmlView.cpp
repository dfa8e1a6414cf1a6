#include "browser/MyHtmlView.h"

#include <mshtmdid.h>
#include <ocidl.h>

// The sink is made with its first reference, which the view takes over.
CMyHtmlView::CMyHtmlView() { m_pEvtHandler.Attach(new SDocEvtHandler); }

CMyHtmlView::~CMyHtmlView() = default;

BOOL CMyHtmlView::PreTranslateMessage(MSG* msg) {
    // The page and every window inside it never see the right button go down.
    if (msg->message == WM_RBUTTONDOWN || msg->message == WM_RBUTTONDBLCLK) return TRUE;
    return CHtmlView::PreTranslateMessage(msg);
}

bool CMyHtmlView::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg == WM_CONTEXTMENU) {
        result = 0;
        return true;
    }
    return CHtmlView::OnMessage(msg, wp, lp, result);
}

void CMyHtmlView::OnDocumentComplete(const std::wstring& url) {
    ConnectDocumentEvents();
    CHtmlView::OnDocumentComplete(url);
}

// Runs for every completed document, frames included, and always works on
// the top-level document: one connection at a time.
void CMyHtmlView::ConnectDocumentEvents() {
    if (m_dwCookie != 0) DisconnectDocumentEvents();
    m_pConnectedDoc = GetHtmlDocument();
    ComPtr<IConnectionPointContainer> container = m_pConnectedDoc.As<IConnectionPointContainer>();
    if (!container) return;
    ComPtr<IConnectionPoint> point;
    if (FAILED(container->FindConnectionPoint(kHtmlDocumentEvents2, point.Put())) || !point) return;
    if (FAILED(point->Advise(m_pEvtHandler.Get(), &m_dwCookie))) m_dwCookie = 0;
}

// Breaks the connection made on the previous document, not the current one.
void CMyHtmlView::DisconnectDocumentEvents() {
    ComPtr<IConnectionPointContainer> container = m_pConnectedDoc.As<IConnectionPointContainer>();
    if (!container) return;
    ComPtr<IConnectionPoint> point;
    if (FAILED(container->FindConnectionPoint(kHtmlDocumentEvents2, point.Put())) || !point) return;
    point->Unadvise(m_dwCookie);
}
