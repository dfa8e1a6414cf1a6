#include "tests/scripted/ScriptedBrowser.h"

#include <exdispid.h>
#include <shlguid.h>
#include <shlobj.h>

namespace {
// The class the login window looks for to address keys to the page.
const wchar_t kWindowClass[] = L"Internet Explorer_Server";
const UINT WM_FETCHED = WM_APP + 1;
const UINT_PTR kTopRefreshTimer = 1;
const UINT_PTR kFrameRefreshTimer = 100;  // + frame index
const int kTop = -1;     // fetch targets besides frame indexes
const int kReload = -2;
const int kLineHeight = 18;

VARIANT BstrVariant(BSTR text) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = text;
    return v;
}

ComPtr<IHTMLElement> NewElement(const wchar_t* tag, IHTMLElement* parent, const std::wstring* href = nullptr) {
    ComPtr<IHTMLElement> element;
    element.Attach(new ScriptedElement(tag, parent, href));
    return element;
}
}  // namespace

struct ScriptedBrowser::Fetch {
    HWND window;
    unsigned generation;
    int target;
    std::wstring url;
    bool ok = false;
    std::string body;

    static DWORD WINAPI Run(void* param) {
        auto* fetch = static_cast<Fetch*>(param);
        fetch->ok = HttpGet(fetch->url, fetch->body);
        if (!::PostMessageW(fetch->window, WM_FETCHED, 0, reinterpret_cast<LPARAM>(fetch))) delete fetch;
        return 0;
    }
};

ScriptedBrowser::~ScriptedBrowser() {
    if (window_) ::DestroyWindow(window_);
    if (document_) document_->Release();
}

// ---------------------------------------------------------------- IUnknown

STDMETHODIMP ScriptedBrowser::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IWebBrowser || iid == IID_IWebBrowserApp ||
        iid == IID_IWebBrowser2)
        *out = static_cast<IWebBrowser2*>(this);
    else if (iid == IID_IOleObject) *out = static_cast<IOleObject*>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject) *out = static_cast<IOleInPlaceObject*>(this);
    else if (iid == IID_IConnectionPointContainer) *out = static_cast<IConnectionPointContainer*>(this);
    else if (iid == IID_IServiceProvider) *out = static_cast<IServiceProvider*>(this);
    else return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) ScriptedBrowser::Release() {
    LONG n = ::InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return n;
}

// ------------------------------------------------------------ IWebBrowser2

STDMETHODIMP ScriptedBrowser::Navigate(BSTR url, VARIANT*, VARIANT*, VARIANT*, VARIANT*) {
    return url ? NavigateTo(url, kTop) : E_INVALIDARG;
}

STDMETHODIMP ScriptedBrowser::Navigate2(VARIANT* url, VARIANT*, VARIANT*, VARIANT*, VARIANT*) {
    if (!url || url->vt != VT_BSTR || !url->bstrVal) return E_INVALIDARG;
    return NavigateTo(url->bstrVal, kTop);
}

// A reload asks the server again; like the real control it fires no events.
STDMETHODIMP ScriptedBrowser::Refresh() {
    if (url_.empty() || !window_) return S_OK;
    Trace(L"Refresh " + url_);
    StartFetch(url_, kReload);
    return S_OK;
}

STDMETHODIMP ScriptedBrowser::Refresh2(VARIANT*) { return Refresh(); }

STDMETHODIMP ScriptedBrowser::Stop() {
    ++generation_;
    busy_ = false;
    return S_OK;
}

STDMETHODIMP ScriptedBrowser::get_Document(IDispatch** document) {
    if (!document) return E_POINTER;
    *document = document_;
    if (!document_) return S_FALSE;
    document_->AddRef();
    return S_OK;
}

STDMETHODIMP ScriptedBrowser::get_LocationURL(BSTR* url) {
    if (!url) return E_POINTER;
    *url = ::SysAllocString(url_.c_str());
    return S_OK;
}

STDMETHODIMP ScriptedBrowser::get_Busy(VARIANT_BOOL* busy) {
    if (!busy) return E_POINTER;
    *busy = busy_ ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

// --------------------------------------------------------------- IOleObject

STDMETHODIMP ScriptedBrowser::SetClientSite(IOleClientSite* site) {
    site_ = ComPtr<IOleClientSite>(site);
    return S_OK;
}

STDMETHODIMP ScriptedBrowser::GetClientSite(IOleClientSite** site) {
    if (!site) return E_POINTER;
    *site = site_.Get();
    if (*site) (*site)->AddRef();
    return S_OK;
}

STDMETHODIMP ScriptedBrowser::Close(DWORD) {
    ++generation_;
    InPlaceDeactivate();
    return S_OK;
}

// In-place activation the way the control does it: the site's window and the
// position it gives, not the caller's rectangle.
STDMETHODIMP ScriptedBrowser::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT) {
    if (verb != OLEIVERB_INPLACEACTIVATE && verb != OLEIVERB_SHOW && verb != OLEIVERB_UIACTIVATE) return E_NOTIMPL;
    if (window_) return S_OK;
    if (site && !site_) site_ = ComPtr<IOleClientSite>(site);
    ComPtr<IOleInPlaceSite> inPlace = site_.As<IOleInPlaceSite>();
    if (!inPlace || inPlace->CanInPlaceActivate() != S_OK) return E_FAIL;
    inPlace->OnInPlaceActivate();
    HWND host = nullptr;
    inPlace->GetWindow(&host);
    ComPtr<IOleInPlaceFrame> frame;
    ComPtr<IOleInPlaceUIWindow> document;
    RECT pos = {}, clip = {};
    OLEINPLACEFRAMEINFO info = {sizeof(info)};
    inPlace->GetWindowContext(frame.Put(), document.Put(), &pos, &clip, &info);
    return CreateWindowIn(host ? host : parent, pos) ? S_OK : E_FAIL;
}

STDMETHODIMP ScriptedBrowser::GetUserClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = CLSID_WebBrowser;
    return S_OK;
}

STDMETHODIMP ScriptedBrowser::SetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT || !size) return E_INVALIDARG;
    extent_ = *size;
    return S_OK;
}

STDMETHODIMP ScriptedBrowser::GetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT || !size) return E_INVALIDARG;
    *size = extent_;
    return S_OK;
}

STDMETHODIMP ScriptedBrowser::GetMiscStatus(DWORD, DWORD* status) {
    if (!status) return E_POINTER;
    *status = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE;
    return S_OK;
}

// --------------------------------------------------------- in-place object

STDMETHODIMP ScriptedBrowser::GetWindow(HWND* hwnd) {
    if (!hwnd) return E_POINTER;
    *hwnd = window_;
    return window_ ? S_OK : E_FAIL;
}

STDMETHODIMP ScriptedBrowser::InPlaceDeactivate() {
    if (!window_) return S_OK;
    ::DestroyWindow(window_);
    if (ComPtr<IOleInPlaceSite> inPlace = site_.As<IOleInPlaceSite>()) inPlace->OnInPlaceDeactivate();
    return S_OK;
}

STDMETHODIMP ScriptedBrowser::SetObjectRects(LPCRECT pos, LPCRECT) {
    if (!pos) return E_INVALIDARG;
    if (window_)
        ::MoveWindow(window_, pos->left, pos->top, pos->right - pos->left, pos->bottom - pos->top, TRUE);
    return S_OK;
}

STDMETHODIMP ScriptedBrowser::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    if (!point) return E_POINTER;
    *point = nullptr;
    if (iid != DIID_DWebBrowserEvents2) return CONNECT_E_NOCONNECTION;
    *point = &events_;
    events_.AddRef();
    return S_OK;
}

STDMETHODIMP ScriptedBrowser::QueryService(REFGUID service, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (service != SID_SShellBrowser || !window_) return E_NOINTERFACE;
    return QueryInterface(iid, out);
}

// ------------------------------------------------------------------ window

bool ScriptedBrowser::CreateWindowIn(HWND parent, const RECT& pos) {
    WNDCLASSEXW wc = {sizeof(wc)};
    if (!::GetClassInfoExW(::GetModuleHandleW(nullptr), kWindowClass, &wc)) {
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
        wc.lpszClassName = kWindowClass;
        ::RegisterClassExW(&wc);
    }
    window_ = ::CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, pos.left, pos.top,
                                pos.right - pos.left, pos.bottom - pos.top, parent, nullptr,
                                ::GetModuleHandleW(nullptr), this);
    return window_ != nullptr;
}

LRESULT CALLBACK ScriptedBrowser::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<ScriptedBrowser*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->window_ = hwnd;
    }
    auto* self = reinterpret_cast<ScriptedBrowser*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_FETCHED && !self) {  // the window outlived its control: only free the fetch
        delete reinterpret_cast<Fetch*>(lp);
        return 0;
    }
    if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        self->window_ = nullptr;
        return ::DefWindowProcW(hwnd, msg, wp, lp);
    }
    self->AddRef();  // a handler may drop the host's last reference
    LRESULT result = self->OnWindowMessage(msg, wp, lp);
    self->Release();
    return result;
}

LRESULT ScriptedBrowser::OnWindowMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_FETCHED:
        OnFetched(reinterpret_cast<Fetch*>(lp));
        return 0;
    case WM_TIMER:
        OnRefreshTimer(wp);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(window_, &ps);
        Paint(dc);
        ::EndPaint(window_, &ps);
        return 0;
    }
    case WM_LBUTTONDOWN:
        OnLeftClick(POINT{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))});
        return 0;
    case WM_RBUTTONDOWN:
        Trace(L"WM_RBUTTONDOWN");
        return 0;
    case WM_RBUTTONUP:
        Trace(L"WM_RBUTTONUP");
        return 0;
    case WM_RBUTTONDBLCLK:
        Trace(L"WM_RBUTTONDBLCLK");
        return 0;
    }
    return ::DefWindowProcW(window_, msg, wp, lp);
}

void ScriptedBrowser::Paint(HDC dc) {
    SelectObjectScope font(dc, ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetBkMode(dc, TRANSPARENT);
    int y = 4;
    ::TextOutW(dc, 4, y, url_.c_str(), static_cast<int>(url_.size()));
    for (const Frame& frame : frames_) {
        y += kLineHeight;
        const std::wstring line = L"frame: " + frame.url;
        ::TextOutW(dc, 12, y, line.c_str(), static_cast<int>(line.size()));
    }
    ::SetTextColor(dc, RGB(0, 0, 238));
    linkAreas_.clear();
    for (const PageLink& link : page_.links) {
        y += kLineHeight;
        const std::wstring line = (link.image ? L"[img] " : L"") + link.text + L"  <" + link.href + L">";
        ::TextOutW(dc, 12, y, line.c_str(), static_cast<int>(line.size()));
        SIZE size = {};
        ::GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(line.size()), &size);
        linkAreas_.push_back(RECT{12, y, 12 + size.cx, y + kLineHeight});
    }
}

// A click goes to the document's click sinks first, with the innermost
// element under the pointer, and then follows the link like a browser.
void ScriptedBrowser::OnLeftClick(POINT pt) {
    if (!document_) return;
    ComPtr<IHTMLElement> html = NewElement(L"HTML", nullptr);
    ComPtr<IHTMLElement> body = NewElement(L"BODY", html.Get());
    for (size_t i = 0; i < linkAreas_.size() && i < page_.links.size(); ++i) {
        if (!::PtInRect(&linkAreas_[i], pt)) continue;
        const PageLink link = page_.links[i];
        ComPtr<IHTMLElement> anchor = NewElement(L"A", body.Get(), link.hasHref ? &link.href : nullptr);
        document_->FireClick(link.image ? NewElement(L"IMG", anchor.Get()).Get() : anchor.Get());
        if (link.hasHref) NavigateTo(ResolveUrl(url_, link.href), kTop);
        return;
    }
    document_->FireClick(body.Get());
}

// -------------------------------------------------------------- navigation

HRESULT ScriptedBrowser::NavigateTo(const std::wstring& url, int target) {
    if (!window_) return E_FAIL;  // not in place yet: nowhere to show a page
    if (!FireBeforeNavigate2(url)) return S_OK;
    if (target == kTop) {
        ++generation_;
        ::KillTimer(window_, kTopRefreshTimer);
        for (size_t i = 0; i < frames_.size(); ++i) ::KillTimer(window_, kFrameRefreshTimer + i);
    }
    StartFetch(url, target);
    return S_OK;
}

void ScriptedBrowser::StartFetch(const std::wstring& url, int target) {
    if (target != kReload) busy_ = true;
    auto* fetch = new Fetch{window_, generation_, target, url};
    if (HANDLE thread = ::CreateThread(nullptr, 0, Fetch::Run, fetch, 0, nullptr)) ::CloseHandle(thread);
    else delete fetch;
}

void ScriptedBrowser::OnFetched(Fetch* fetch) {
    if (fetch->generation == generation_ && fetch->target != kReload) {
        if (!fetch->ok) {
            // Like the control without an engine: no document ever completes.
            Trace(L"NavigateError " + fetch->url);
            busy_ = false;
        } else if (fetch->target == kTop) {
            LoadTop(fetch->url, fetch->body);
        } else if (static_cast<size_t>(fetch->target) < frames_.size()) {
            LoadFrame(fetch->target, fetch->url, fetch->body);
        }
    }
    delete fetch;
}

void ScriptedBrowser::LoadTop(const std::wstring& url, const std::string& body) {
    url_ = url;
    page_ = ParsePage(body);
    topComplete_ = false;
    if (document_) document_->Release();
    document_ = new ScriptedDocument(window_);
    frames_.clear();
    for (const std::wstring& src : page_.frames) frames_.push_back(Frame{ResolveUrl(url, src)});
    ::InvalidateRect(window_, nullptr, TRUE);
    FireUrlEvent(DISPID_NAVIGATECOMPLETE2, url);
    const unsigned generation = generation_;
    for (size_t i = 0; i < frames_.size() && generation == generation_; ++i) {
        if (!FireBeforeNavigate2(frames_[i].url)) frames_[i].loaded = true;  // cancelled: nothing to wait for
        else StartFetch(frames_[i].url, static_cast<int>(i));
    }
    if (generation == generation_) CompleteTopIfReady();
}

void ScriptedBrowser::LoadFrame(size_t index, const std::wstring& url, const std::string& body) {
    frames_[index].url = url;
    frames_[index].page = ParsePage(body);
    frames_[index].loaded = true;
    ::InvalidateRect(window_, nullptr, TRUE);
    const unsigned generation = generation_;
    FireUrlEvent(DISPID_NAVIGATECOMPLETE2, url);
    FireUrlEvent(DISPID_DOCUMENTCOMPLETE, url);
    if (generation != generation_) return;  // the host navigated away meanwhile
    ScheduleRefresh(frames_[index].page, kFrameRefreshTimer + index);
    CompleteTopIfReady();
}

// The top-level document completes after all its frames, once.
void ScriptedBrowser::CompleteTopIfReady() {
    if (topComplete_) return;
    for (const Frame& frame : frames_)
        if (!frame.loaded) return;
    topComplete_ = true;
    busy_ = false;
    FireUrlEvent(DISPID_DOCUMENTCOMPLETE, url_);
    if (window_) ScheduleRefresh(page_, kTopRefreshTimer);
}

void ScriptedBrowser::ScheduleRefresh(const Page& page, UINT_PTR timer) {
    if (page.refreshSeconds >= 0 && window_) ::SetTimer(window_, timer, page.refreshSeconds * 1000 + 1, nullptr);
}

void ScriptedBrowser::OnRefreshTimer(UINT_PTR timer) {
    ::KillTimer(window_, timer);
    if (timer == kTopRefreshTimer) {
        NavigateTo(ResolveUrl(url_, page_.refreshUrl), kTop);
        return;
    }
    const size_t index = timer - kFrameRefreshTimer;
    if (index < frames_.size())
        NavigateTo(ResolveUrl(frames_[index].url, frames_[index].page.refreshUrl), static_cast<int>(index));
}

// ------------------------------------------------------------------ events

// BeforeNavigate2(pDisp, URL, Flags, TargetFrameName, PostData, Headers,
// Cancel); true when the navigation may go on.
bool ScriptedBrowser::FireBeforeNavigate2(const std::wstring& url) {
    BSTR text = ::SysAllocString(url.c_str());
    VARIANT urlValue = BstrVariant(text), empty;
    ::VariantInit(&empty);
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANT args[7];
    for (VARIANT& a : args) ::VariantInit(&a);
    args[6].vt = VT_DISPATCH;
    args[6].pdispVal = static_cast<IWebBrowser2*>(this);
    args[5].vt = VT_BYREF | VT_VARIANT;
    args[5].pvarVal = &urlValue;
    for (int i = 1; i <= 4; ++i) {
        args[i].vt = VT_BYREF | VT_VARIANT;
        args[i].pvarVal = &empty;
    }
    args[0].vt = VT_BYREF | VT_BOOL;
    args[0].pboolVal = &cancel;
    DISPPARAMS params = {args, nullptr, 7, 0};
    events_.Fire(DISPID_BEFORENAVIGATE2, params);
    ::SysFreeString(text);
    Trace(L"BeforeNavigate2 " + url + (cancel ? L" cancelled" : L""));
    return cancel == VARIANT_FALSE;
}

// NavigateComplete2, DocumentComplete: (pDisp, URL).
void ScriptedBrowser::FireUrlEvent(DISPID id, const std::wstring& url) {
    BSTR text = ::SysAllocString(url.c_str());
    VARIANT urlValue = BstrVariant(text);
    VARIANT args[2];
    args[1].vt = VT_DISPATCH;
    args[1].pdispVal = static_cast<IWebBrowser2*>(this);
    args[0].vt = VT_BYREF | VT_VARIANT;
    args[0].pvarVal = &urlValue;
    DISPPARAMS params = {args, nullptr, 2, 0};
    events_.Fire(id, params);
    ::SysFreeString(text);
    if (id == DISPID_NAVIGATECOMPLETE2) Trace(L"NavigateComplete2 " + url);
    if (id == DISPID_DOCUMENTCOMPLETE)
        Trace(L"DocumentComplete " + url + L" click sinks " +
              std::to_wstring(document_ ? document_->ClickSinks() : 0));
}
