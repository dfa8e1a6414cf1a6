#include "browser/HtmlView.h"

#include <exdispid.h>
#include <ocidl.h>

#include "browser/BrowserControl.h"
#include "browser/BrowserEmulation.h"
#include "browser/BrowserEvents.h"

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

CHtmlView::~CHtmlView() {
    // The control must not call back into a view that is gone.
    if (m_eventPoint) m_eventPoint->Unadvise(m_eventCookie);
    if (m_control) {
        m_control->Close(OLECLOSE_NOSAVE);
        m_control->SetClientSite(nullptr);
    }
}

bool CHtmlView::Create(const wchar_t* windowName, DWORD style, const RECT& rect, HWND parent, UINT id) {
    if (!RegisterViewClass()) return false;
    // The control is a child window: keep the view from painting over it.
    HWND hwnd = ::CreateWindowExW(0, kViewClass, windowName, style | WS_CLIPCHILDREN, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, parent,
                                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), ::GetModuleHandleW(nullptr),
                                  nullptr);
    if (!hwnd || !SubclassWindow(hwnd)) return false;
    CreateControl();
    return true;
}

bool CHtmlView::CreateControl() {
    EnsureBrowserEmulation();  // the control reads it when the first one is made
    if (FAILED(::OleInitialize(nullptr))) return false;
    if (FAILED(::StgCreateDocfile(nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_DELETEONRELEASE, 0,
                                  m_storage.Put())))
        return false;
    if (FAILED(CreateBrowserControl(static_cast<IOleClientSite*>(this), m_storage.Get(), m_control.Put())))
        return false;
    RECT rc = ClientRect();
    if (FAILED(m_control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(this), 0, m_hWnd,
                                 &rc)))
        return false;
    if (FAILED(m_control->QueryInterface(IID_IWebBrowser2, m_pBrowserApp.PutVoid()))) return false;
    ComPtr<IConnectionPointContainer> container = m_pBrowserApp.As<IConnectionPointContainer>();
    ComPtr<IConnectionPoint> point;
    DWORD cookie = 0;
    if (!container || FAILED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, point.Put())) ||
        FAILED(point->Advise(static_cast<IDispatch*>(this), &cookie)))
        return false;
    m_eventPoint = point;
    m_eventCookie = cookie;
    return true;
}

bool CHtmlView::Navigate(const std::wstring& url) {
    if (!m_pBrowserApp) return false;
    BSTR target = ::SysAllocString(url.c_str());
    VARIANT flags, none;
    ::VariantInit(&flags);
    ::VariantInit(&none);
    flags.vt = VT_I4;
    flags.lVal = 0;
    HRESULT hr = m_pBrowserApp->Navigate(target, &flags, &none, &none, &none);
    ::SysFreeString(target);
    return SUCCEEDED(hr);
}

void CHtmlView::Refresh() {
    if (m_pBrowserApp) m_pBrowserApp->Refresh();
}

ComPtr<IDispatch> CHtmlView::GetHtmlDocument() const {
    ComPtr<IDispatch> document;
    if (m_pBrowserApp) m_pBrowserApp->get_Document(document.Put());
    return document;
}

RECT CHtmlView::ClientRect() const {
    RECT rc = {};
    ::GetClientRect(m_hWnd, &rc);
    return rc;
}

BOOL CHtmlView::PreTranslateMessage(MSG* msg) {
    if (!m_pBrowserApp) return FALSE;
    ComPtr<IOleInPlaceActiveObject> active = m_pBrowserApp.As<IOleInPlaceActiveObject>();
    return active && active->TranslateAccelerator(msg) == S_OK;
}

bool CHtmlView::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg == WM_SIZE && m_control) {
        // The control always covers the whole view.
        ComPtr<IOleInPlaceObject> inPlace = m_control.As<IOleInPlaceObject>();
        RECT rc = ClientRect();
        if (inPlace) inPlace->SetObjectRects(&rc, &rc);
    }
    return CWindow::OnMessage(msg, wp, lp, result);
}

// ---------------------------------------------------------------- IUnknown

STDMETHODIMP CHtmlView::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch) *out = static_cast<IDispatch*>(this);
    else if (iid == IID_IOleClientSite) *out = static_cast<IOleClientSite*>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) *out = static_cast<IOleInPlaceSite*>(this);
    else if (iid == IID_IOleInPlaceFrame || iid == IID_IOleInPlaceUIWindow) *out = static_cast<IOleInPlaceFrame*>(this);
    else if (iid == IID_IDocHostUIHandler) *out = static_cast<IDocHostUIHandler*>(this);
    else return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CHtmlView::AddRef() { return ::InterlockedIncrement(&m_refCount); }
STDMETHODIMP_(ULONG) CHtmlView::Release() { return ::InterlockedDecrement(&m_refCount); }

// ---------------------------------------------------------------- IDispatch

STDMETHODIMP CHtmlView::GetTypeInfoCount(UINT* count) {
    if (count) *count = 0;
    return S_OK;
}
STDMETHODIMP CHtmlView::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
STDMETHODIMP CHtmlView::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

STDMETHODIMP CHtmlView::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) {
    // Ambient properties: none answered, so the control keeps its own
    // download, script and control policy.
    if (flags & DISPATCH_PROPERTYGET) return DISP_E_MEMBERNOTFOUND;
    switch (id) {
    case DISPID_BEFORENAVIGATE2: {  // (pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel)
        VARIANT_BOOL* cancel = EventArgFlag(params, 0);
        VARIANT_BOOL ignored = VARIANT_FALSE;
        OnBeforeNavigate2(EventArgText(params, 5), cancel ? cancel : &ignored);
        break;
    }
    case DISPID_NAVIGATECOMPLETE2:  // (pDisp, URL)
        OnNavigateComplete2(EventArgText(params, 0));
        break;
    case DISPID_DOCUMENTCOMPLETE:  // (pDisp, URL)
        OnDocumentComplete(EventArgText(params, 0));
        break;
    default:  // new windows, errors, quit: the browser's own behaviour
        break;
    }
    return S_OK;
}

// ---------------------------------------------------------- IOleClientSite

STDMETHODIMP CHtmlView::SaveObject() { return S_OK; }
STDMETHODIMP CHtmlView::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
}
STDMETHODIMP CHtmlView::GetContainer(IOleContainer** container) {
    if (container) *container = nullptr;
    return E_NOINTERFACE;
}
STDMETHODIMP CHtmlView::ShowObject() { return S_OK; }
STDMETHODIMP CHtmlView::OnShowWindow(BOOL) { return S_OK; }
STDMETHODIMP CHtmlView::RequestNewObjectLayout() { return E_NOTIMPL; }

// ------------------------------------------------ IOleWindow, in-place site

STDMETHODIMP CHtmlView::GetWindow(HWND* hwnd) {
    if (!hwnd) return E_POINTER;
    *hwnd = m_hWnd;
    return S_OK;
}
STDMETHODIMP CHtmlView::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }
STDMETHODIMP CHtmlView::CanInPlaceActivate() { return S_OK; }
STDMETHODIMP CHtmlView::OnInPlaceActivate() { return S_OK; }
STDMETHODIMP CHtmlView::OnUIActivate() { return S_OK; }

STDMETHODIMP CHtmlView::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, RECT* pos, RECT* clip,
                                         OLEINPLACEFRAMEINFO* info) {
    if (frame) {
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
    }
    if (doc) *doc = nullptr;
    RECT rc = ClientRect();
    if (pos) *pos = rc;
    if (clip) *clip = rc;
    if (info) {
        info->cb = sizeof(*info);
        info->fMDIApp = FALSE;
        info->hwndFrame = ::GetAncestor(m_hWnd, GA_ROOT);
        info->haccel = nullptr;
        info->cAccelEntries = 0;
    }
    return S_OK;
}

STDMETHODIMP CHtmlView::Scroll(SIZE) { return E_NOTIMPL; }
STDMETHODIMP CHtmlView::OnUIDeactivate(BOOL) { return S_OK; }
STDMETHODIMP CHtmlView::OnInPlaceDeactivate() { return S_OK; }
STDMETHODIMP CHtmlView::DiscardUndoState() { return S_OK; }
STDMETHODIMP CHtmlView::DeactivateAndUndo() { return S_OK; }
STDMETHODIMP CHtmlView::OnPosRectChange(const RECT* pos) {
    ComPtr<IOleInPlaceObject> inPlace = m_control.As<IOleInPlaceObject>();
    if (inPlace && pos) inPlace->SetObjectRects(pos, pos);
    return S_OK;
}

// ------------------------------------------------------------ in-place frame

STDMETHODIMP CHtmlView::GetBorder(RECT* border) {
    if (border) *border = ClientRect();
    return S_OK;
}
STDMETHODIMP CHtmlView::RequestBorderSpace(LPCBORDERWIDTHS) { return S_OK; }
STDMETHODIMP CHtmlView::SetBorderSpace(LPCBORDERWIDTHS) { return S_OK; }
STDMETHODIMP CHtmlView::SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) { return S_OK; }
STDMETHODIMP CHtmlView::InsertMenus(HMENU, OLEMENUGROUPWIDTHS*) { return E_NOTIMPL; }
STDMETHODIMP CHtmlView::SetMenu(HMENU, HOLEMENU, HWND) { return S_OK; }
STDMETHODIMP CHtmlView::RemoveMenus(HMENU) { return E_NOTIMPL; }
STDMETHODIMP CHtmlView::SetStatusText(LPCOLESTR) { return S_OK; }
STDMETHODIMP CHtmlView::EnableModeless(BOOL) { return S_OK; }
STDMETHODIMP CHtmlView::TranslateAccelerator(MSG*, WORD) { return S_FALSE; }

// ------------------------------------------------------- IDocHostUIHandler

STDMETHODIMP CHtmlView::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) { return S_FALSE; }
STDMETHODIMP CHtmlView::GetHostInfo(DOCHOSTUIINFO*) { return S_OK; }
STDMETHODIMP CHtmlView::ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                               IOleInPlaceUIWindow*) {
    return S_FALSE;
}
STDMETHODIMP CHtmlView::HideUI() { return S_OK; }
STDMETHODIMP CHtmlView::UpdateUI() { return S_OK; }
STDMETHODIMP CHtmlView::OnDocWindowActivate(BOOL) { return S_OK; }
STDMETHODIMP CHtmlView::OnFrameWindowActivate(BOOL) { return S_OK; }
STDMETHODIMP CHtmlView::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }
STDMETHODIMP CHtmlView::TranslateAccelerator(MSG*, const GUID*, DWORD) { return S_FALSE; }
STDMETHODIMP CHtmlView::GetOptionKeyPath(LPOLESTR* key, DWORD) {
    if (key) *key = nullptr;
    return S_FALSE;
}
STDMETHODIMP CHtmlView::GetDropTarget(IDropTarget*, IDropTarget** result) {
    if (result) *result = nullptr;
    return S_FALSE;
}
STDMETHODIMP CHtmlView::GetExternal(IDispatch** external) {
    if (external) *external = nullptr;
    return S_FALSE;
}
STDMETHODIMP CHtmlView::TranslateUrl(DWORD, LPWSTR, LPWSTR* out) {
    if (out) *out = nullptr;
    return S_FALSE;
}
STDMETHODIMP CHtmlView::FilterDataObject(IDataObject*, IDataObject** out) {
    if (out) *out = nullptr;
    return S_FALSE;
}
