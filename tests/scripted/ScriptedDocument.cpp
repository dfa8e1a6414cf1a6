#include "tests/scripted/ScriptedDocument.h"

#include <mshtmdid.h>

void Trace(const std::wstring& text) { ::OutputDebugStringW((L"scripted: " + text + L"\r\n").c_str()); }

// ------------------------------------------------------------ the document

void ScriptedDocument::FireClick(IHTMLElement* src) {
    auto* event = new ScriptedEventObj(src);
    VARIANT arg;
    arg.vt = VT_DISPATCH;
    arg.pdispVal = event;
    DISPPARAMS params = {&arg, nullptr, 1, 0};
    events_.Fire(DISPID_HTMLDOCUMENTEVENTS2_ONCLICK, params);
    event->Release();
}

STDMETHODIMP ScriptedDocument::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch) *out = static_cast<IDispatch*>(this);
    else if (iid == IID_IConnectionPointContainer) *out = static_cast<IConnectionPointContainer*>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceActiveObject)
        *out = static_cast<IOleInPlaceActiveObject*>(this);
    else return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) ScriptedDocument::Release() {
    LONG n = ::InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return n;
}

STDMETHODIMP ScriptedDocument::GetTypeInfoCount(UINT* count) {
    if (count) *count = 0;
    return S_OK;
}

STDMETHODIMP ScriptedDocument::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    if (!point) return E_POINTER;
    *point = nullptr;
    if (iid != kHtmlDocumentEvents2) return CONNECT_E_NOCONNECTION;
    *point = &events_;
    events_.AddRef();
    return S_OK;
}

STDMETHODIMP ScriptedDocument::GetWindow(HWND* hwnd) {
    if (!hwnd) return E_POINTER;
    *hwnd = window_;
    return S_OK;
}

STDMETHODIMP ScriptedDocument::TranslateAccelerator(MSG* msg) {
    if (!msg || msg->message != WM_KEYDOWN) return S_FALSE;
    const bool ctrl = ::GetAsyncKeyState(VK_CONTROL) != 0;
    Trace(L"key " + std::to_wstring(msg->wParam) + (ctrl ? L" ctrl" : L""));
    return S_OK;
}

// ------------------------------------------------------------- elements

ScriptedElement::ScriptedElement(const wchar_t* tag, IHTMLElement* parent, const std::wstring* href)
    : tag_(tag), parent_(parent), hasHref_(href != nullptr), href_(href ? *href : std::wstring()) {}

STDMETHODIMP ScriptedElement::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch && iid != IID_IHTMLElement) return E_NOINTERFACE;
    *out = static_cast<IHTMLElement*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) ScriptedElement::Release() {
    LONG n = ::InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return n;
}

STDMETHODIMP ScriptedElement::get_tagName(BSTR* tag) {
    if (!tag) return E_POINTER;
    *tag = ::SysAllocString(tag_.c_str());
    return S_OK;
}

STDMETHODIMP ScriptedElement::getAttribute(BSTR name, LONG, VARIANT* value) {
    if (!value) return E_POINTER;
    ::VariantInit(value);
    value->vt = VT_NULL;  // what the engine answers for a missing attribute
    if (name && _wcsicmp(name, L"href") == 0 && hasHref_) {
        value->vt = VT_BSTR;
        value->bstrVal = ::SysAllocString(href_.c_str());
    }
    return S_OK;
}

STDMETHODIMP ScriptedElement::get_parentElement(IHTMLElement** parent) {
    if (!parent) return E_POINTER;
    *parent = parent_.Get();
    if (*parent) (*parent)->AddRef();
    return S_OK;
}

// ----------------------------------------------------------- event object

STDMETHODIMP ScriptedEventObj::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch && iid != IID_IHTMLEventObj) return E_NOINTERFACE;
    *out = static_cast<IHTMLEventObj*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) ScriptedEventObj::Release() {
    LONG n = ::InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return n;
}

STDMETHODIMP ScriptedEventObj::get_srcElement(IHTMLElement** src) {
    if (!src) return E_POINTER;
    *src = src_.Get();
    if (*src) (*src)->AddRef();
    return S_OK;
}
