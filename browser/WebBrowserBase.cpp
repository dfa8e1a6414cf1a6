#include "browser/WebBrowserBase.h"

#include <exdispid.h>
#include <ocidl.h>
#include <servprov.h>
#include <shlguid.h>
#include <shlobj.h>

#include "browser/BrowserControl.h"
#include "browser/BrowserEmulation.h"
#include "browser/BrowserEvents.h"

CWebBrowserBase::CWebBrowserBase() { CreateControl(); }

bool CWebBrowserBase::CreateControl() {
    EnsureBrowserEmulation();  // the control reads it when the first one is made
    if (FAILED(::OleInitialize(nullptr))) return false;
    if (FAILED(::StgCreateDocfile(nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_DELETEONRELEASE, 0,
                                  m_pStorage.Put())))
        return false;
    if (FAILED(CreateBrowserControl(static_cast<IOleClientSite*>(this), m_pStorage.Get(), m_pOleObject.Put())))
        return false;
    return SUCCEEDED(m_pOleObject->QueryInterface(IID_IOleInPlaceObject, m_pInPlaceObject.PutVoid()));
}

CWebBrowserBase::~CWebBrowserBase() {
    // The control must not call back into a host that is gone.
    if (m_pEventPoint) m_pEventPoint->Unadvise(m_dwEventCookie);
    if (m_pInPlaceObject) m_pInPlaceObject->InPlaceDeactivate();
    if (m_pOleObject) {
        m_pOleObject->Close(OLECLOSE_NOSAVE);
        m_pOleObject->SetClientSite(nullptr);
    }
}

HWND CWebBrowserBase::GetHostWindow() { return nullptr; }
void CWebBrowserBase::OnDocumentComplete(std::wstring) {}
void CWebBrowserBase::OnBeforeNavigate(std::wstring, VARIANT_BOOL*) {}

RECT CWebBrowserBase::HostClientRect() {
    RECT rc = {};
    ::GetClientRect(GetHostWindow(), &rc);
    return rc;
}

// ------------------------------------------------------ host operations

bool CWebBrowserBase::InPlaceActivate() {
    if (!m_pOleObject) return false;
    if (m_rcPos.right == m_rcPos.left || m_rcPos.bottom == m_rcPos.top) m_rcPos = HostClientRect();
    if (m_bInPlaceActive) return true;
    // Set first: the control asks CanInPlaceActivate while it activates. A
    // failed activation is not tried again.
    m_bInPlaceActive = true;
    if (FAILED(m_pOleObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(this), 0,
                                    GetHostWindow(), &m_rcPos)))
        return false;
    return ConnectEvents();
}

bool CWebBrowserBase::ConnectEvents() {
    IWebBrowser2* browser = GetWebBrowser();
    if (!browser) return false;
    ComPtr<IConnectionPointContainer> container;
    if (FAILED(browser->QueryInterface(IID_IConnectionPointContainer, container.PutVoid()))) return false;
    ComPtr<IConnectionPoint> point;
    if (FAILED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, point.Put()))) return false;
    DWORD cookie = 0;
    if (FAILED(point->Advise(static_cast<IDispatch*>(this), &cookie))) return false;
    m_pEventPoint = point;
    m_dwEventCookie = cookie;
    return true;
}

bool CWebBrowserBase::SetBrowserRect(const RECT& rect) {
    if (!m_bInPlaceActive) {
        m_rcPos = rect;
        return true;
    }
    if (!m_pOleObject || !m_pInPlaceObject) return false;
    // The extent goes in pixels, as the control has always been given it.
    SIZEL size = {rect.right - rect.left, rect.bottom - rect.top};
    if (FAILED(m_pOleObject->SetExtent(DVASPECT_CONTENT, &size))) return false;
    return PlaceControl(rect);
}

bool CWebBrowserBase::PlaceControl(const RECT& rect) {
    if (!m_pInPlaceObject || FAILED(m_pInPlaceObject->SetObjectRects(&rect, &rect))) return false;
    m_rcPos = rect;
    return true;
}

bool CWebBrowserBase::Navigate(const std::wstring& url) {
    VARIANT none;
    ::VariantInit(&none);
    return Navigate(url, none);
}

bool CWebBrowserBase::Navigate(const std::wstring& url, VARIANT flags) {
    IWebBrowser2* browser = GetWebBrowser();
    if (!browser) return false;
    Bstr target(::SysAllocString(url.c_str()));
    VARIANT none;
    ::VariantInit(&none);
    return SUCCEEDED(browser->Navigate(target.Get(), &flags, &none, &none, &none));
}

IWebBrowser2* CWebBrowserBase::GetWebBrowser() {
    if (!m_pWebBrowser && m_pOleObject) m_pOleObject->QueryInterface(IID_IWebBrowser2, m_pWebBrowser.PutVoid());
    return m_pWebBrowser.Get();
}

HWND CWebBrowserBase::FindIEServerWindow() {
    HWND hwnd = nullptr;
    if (IWebBrowser2* browser = GetWebBrowser()) {
        ComPtr<IServiceProvider> services;
        ComPtr<IOleWindow> window;
        if (SUCCEEDED(browser->QueryInterface(IID_IServiceProvider, services.PutVoid())) &&
            SUCCEEDED(services->QueryService(SID_SShellBrowser, IID_IOleWindow, window.PutVoid())) &&
            FAILED(window->GetWindow(&hwnd)))
            hwnd = nullptr;
    }
    // The document's window lies down the chain of first children.
    for (; hwnd; hwnd = ::GetWindow(hwnd, GW_CHILD)) {
        wchar_t name[MAX_PATH] = {};
        ::GetClassNameW(hwnd, name, MAX_PATH);
        if (wcscmp(name, L"Internet Explorer_Server") == 0) return hwnd;
    }
    return nullptr;
}

// ---------------------------------------------------------------- IUnknown

STDMETHODIMP CWebBrowserBase::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IOleClientSite) *out = static_cast<IOleClientSite*>(this);
    else if (iid == IID_IUnknown || iid == IID_IDispatch) *out = static_cast<IDispatch*>(this);
    else if (iid == IID_IDocHostUIHandler) *out = static_cast<IDocHostUIHandler*>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) *out = static_cast<IOleInPlaceSite*>(this);
    else if (iid == IID_IOleInPlaceFrame || iid == IID_IOleInPlaceUIWindow) *out = static_cast<IOleInPlaceFrame*>(this);
    else return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

// The owner deletes the host; the count only answers the control.
STDMETHODIMP_(ULONG) CWebBrowserBase::AddRef() { return ::InterlockedIncrement(&m_lRefCount); }
STDMETHODIMP_(ULONG) CWebBrowserBase::Release() { return ::InterlockedDecrement(&m_lRefCount); }

// ---------------------------------------------------------------- IDispatch

STDMETHODIMP CWebBrowserBase::GetTypeInfoCount(UINT*) { return E_NOTIMPL; }
STDMETHODIMP CWebBrowserBase::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
STDMETHODIMP CWebBrowserBase::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

STDMETHODIMP CWebBrowserBase::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) {
    switch (id) {
    case DISPID_DOCUMENTCOMPLETE:  // (pDisp, URL)
        OnDocumentComplete(EventArgText(params, 0));
        return S_OK;
    case DISPID_BEFORENAVIGATE2: {  // (pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel)
        VARIANT_BOOL* cancel = EventArgFlag(params, 0);
        VARIANT_BOOL ignored = VARIANT_FALSE;
        OnBeforeNavigate(EventArgText(params, 5), cancel ? cancel : &ignored);
        return S_OK;
    }
    default:
        return E_NOTIMPL;
    }
}

// ---------------------------------------------------------- IOleClientSite

STDMETHODIMP CWebBrowserBase::SaveObject() { return S_OK; }
STDMETHODIMP CWebBrowserBase::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
}
STDMETHODIMP CWebBrowserBase::GetContainer(IOleContainer** container) {
    if (container) *container = nullptr;
    return E_FAIL;
}
STDMETHODIMP CWebBrowserBase::ShowObject() { return S_OK; }
STDMETHODIMP CWebBrowserBase::OnShowWindow(BOOL) { return S_OK; }
STDMETHODIMP CWebBrowserBase::RequestNewObjectLayout() { return S_OK; }

// ------------------------------------------------ IOleWindow, in-place site

STDMETHODIMP CWebBrowserBase::GetWindow(HWND* hwnd) {
    if (!hwnd) return E_POINTER;
    *hwnd = GetHostWindow();
    return S_OK;
}
STDMETHODIMP CWebBrowserBase::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

STDMETHODIMP CWebBrowserBase::CanInPlaceActivate() { return m_bInPlaceActive ? S_OK : S_FALSE; }
STDMETHODIMP CWebBrowserBase::OnInPlaceActivate() { return S_OK; }
STDMETHODIMP CWebBrowserBase::OnUIActivate() { return S_OK; }

STDMETHODIMP CWebBrowserBase::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, RECT* pos,
                                               RECT* clip, OLEINPLACEFRAMEINFO* info) {
    if (frame) {
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
    }
    if (doc) *doc = nullptr;
    // The control first covers the whole host; SetBrowserRect narrows it.
    m_rcPos = HostClientRect();
    if (pos) *pos = m_rcPos;
    if (clip) *clip = m_rcPos;
    if (info) {
        info->cb = sizeof(*info);
        info->fMDIApp = FALSE;
        info->hwndFrame = ::GetParent(GetHostWindow());
        info->haccel = nullptr;
        info->cAccelEntries = 0;
    }
    return S_OK;
}

STDMETHODIMP CWebBrowserBase::Scroll(SIZE) { return E_NOTIMPL; }
STDMETHODIMP CWebBrowserBase::OnUIDeactivate(BOOL) { return S_OK; }
STDMETHODIMP CWebBrowserBase::OnInPlaceDeactivate() { return S_OK; }
STDMETHODIMP CWebBrowserBase::DiscardUndoState() { return S_OK; }
STDMETHODIMP CWebBrowserBase::DeactivateAndUndo() { return S_OK; }
// Only SetBrowserRect moves the control.
STDMETHODIMP CWebBrowserBase::OnPosRectChange(const RECT*) { return S_OK; }

// ------------------------------------------------------------ in-place frame

STDMETHODIMP CWebBrowserBase::GetBorder(RECT* border) {
    m_rcPos = HostClientRect();
    if (border) *border = m_rcPos;
    return S_OK;
}
STDMETHODIMP CWebBrowserBase::RequestBorderSpace(LPCBORDERWIDTHS) { return S_OK; }
STDMETHODIMP CWebBrowserBase::SetBorderSpace(LPCBORDERWIDTHS) { return S_OK; }
STDMETHODIMP CWebBrowserBase::SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) { return S_OK; }
STDMETHODIMP CWebBrowserBase::InsertMenus(HMENU, OLEMENUGROUPWIDTHS*) { return E_NOTIMPL; }
STDMETHODIMP CWebBrowserBase::SetMenu(HMENU, HOLEMENU, HWND) { return E_NOTIMPL; }
STDMETHODIMP CWebBrowserBase::RemoveMenus(HMENU) { return E_NOTIMPL; }
STDMETHODIMP CWebBrowserBase::SetStatusText(LPCOLESTR) { return E_NOTIMPL; }
STDMETHODIMP CWebBrowserBase::EnableModeless(BOOL) { return E_NOTIMPL; }
STDMETHODIMP CWebBrowserBase::TranslateAccelerator(MSG*, WORD) { return E_NOTIMPL; }

// ------------------------------------------------------- IDocHostUIHandler

STDMETHODIMP CWebBrowserBase::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) { return E_NOTIMPL; }
STDMETHODIMP CWebBrowserBase::GetHostInfo(DOCHOSTUIINFO* info) {
    if (info) info->dwFlags |= DOCHOSTUIFLAG_NO3DOUTERBORDER;
    return S_OK;
}
STDMETHODIMP CWebBrowserBase::ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                                     IOleInPlaceUIWindow*) {
    return E_NOTIMPL;
}
STDMETHODIMP CWebBrowserBase::HideUI() { return E_NOTIMPL; }
STDMETHODIMP CWebBrowserBase::UpdateUI() { return E_NOTIMPL; }
STDMETHODIMP CWebBrowserBase::OnDocWindowActivate(BOOL) { return E_NOTIMPL; }
STDMETHODIMP CWebBrowserBase::OnFrameWindowActivate(BOOL) { return E_NOTIMPL; }
STDMETHODIMP CWebBrowserBase::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return E_NOTIMPL; }
STDMETHODIMP CWebBrowserBase::TranslateAccelerator(MSG*, const GUID*, DWORD) { return E_NOTIMPL; }
STDMETHODIMP CWebBrowserBase::GetOptionKeyPath(LPOLESTR* key, DWORD) {
    if (key) *key = nullptr;
    return E_NOTIMPL;
}
STDMETHODIMP CWebBrowserBase::GetDropTarget(IDropTarget*, IDropTarget** result) {
    if (result) *result = nullptr;
    return E_NOTIMPL;
}
// Scripts get no external object.
STDMETHODIMP CWebBrowserBase::GetExternal(IDispatch** external) {
    if (external) *external = nullptr;
    return S_OK;
}
STDMETHODIMP CWebBrowserBase::TranslateUrl(DWORD, LPWSTR, LPWSTR* out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}
STDMETHODIMP CWebBrowserBase::FilterDataObject(IDataObject*, IDataObject** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}
