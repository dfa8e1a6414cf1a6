#include "browser/HtmlView.h"

namespace {
const wchar_t kViewClass[] = L"VexaHtmlView";

bool RegisterViewClass() {
    WNDCLASSEXW wc = {sizeof(wc)};
    if (::GetClassInfoExW(::GetModuleHandleW(nullptr), kViewClass, &wc)) return true;
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kViewClass;
    return ::RegisterClassExW(&wc) != 0;
}
}  // namespace

bool CHtmlView::Create(const wchar_t* windowName, DWORD style, const RECT& rect, HWND parent, UINT id) {
    if (!RegisterViewClass()) return false;
    // The control is a child window: keep the view from painting over it.
    HWND hwnd = ::CreateWindowExW(0, kViewClass, windowName, style | WS_CLIPCHILDREN, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, parent,
                                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), ::GetModuleHandleW(nullptr),
                                  nullptr);
    if (!hwnd || !SubclassWindow(hwnd)) return false;
    m_site = CreateSite();
    m_site->Embed();
    return true;
}

bool CHtmlView::Navigate(const std::wstring& url) {
    if (!m_site) return false;
    // The flags go as a number that sets none, as the framework's view gives them.
    VARIANT flags;
    ::VariantInit(&flags);
    flags.vt = VT_I4;
    flags.lVal = 0;
    return m_site->Navigate(url, flags);
}

void CHtmlView::Refresh() {
    if (IWebBrowser2* browser = GetWebBrowser()) browser->Refresh();
}

ComPtr<IDispatch> CHtmlView::GetHtmlDocument() const {
    ComPtr<IDispatch> document;
    if (IWebBrowser2* browser = GetWebBrowser()) browser->get_Document(document.Put());
    return document;
}

RECT CHtmlView::ClientRect() const {
    RECT rc = {};
    ::GetClientRect(m_hWnd, &rc);
    return rc;
}

BOOL CHtmlView::PreTranslateMessage(MSG* msg) {
    ComPtr<IOleInPlaceActiveObject> active = ComPtr<IWebBrowser2>(GetWebBrowser()).As<IOleInPlaceActiveObject>();
    return active && active->TranslateAccelerator(msg) == S_OK;
}

bool CHtmlView::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    // The control always covers the whole view.
    if (msg == WM_SIZE && m_site) m_site->PlaceControl(ClientRect());
    return CWindow::OnMessage(msg, wp, lp, result);
}

// ------------------------------------------------------------------- site

STDMETHODIMP CHtmlView::CSite::OnPosRectChange(const RECT* pos) {
    if (pos) PlaceControl(*pos);
    return S_OK;
}

STDMETHODIMP CHtmlView::CSite::GetHostInfo(DOCHOSTUIINFO*) { return S_OK; }
