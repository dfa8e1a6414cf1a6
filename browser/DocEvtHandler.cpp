#include "browser/DocEvtHandler.h"

#include <mshtmdid.h>

#include <string>

#include "app/FixedTexts.h"
#include "base/Owners.h"
#include "base/Text.h"

const IID kHtmlDocumentEvents2 = {0x3050F613, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};

namespace {
// The element-event dispatch interface the sink answers besides IDispatch.
const IID kElementEvents2 = {0x3050F617, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};
const wchar_t kClickName[] = L"HTMLELEMENTEVENTS2_ONCLICK";

bool IsAnchorTag(BSTR tag) {
    return tag && ::SysStringLen(tag) == 1 && (tag[0] == L'a' || tag[0] == L'A');
}

std::wstring HrefOf(IHTMLElement* element) {
    Bstr name(::SysAllocString(L"href"));
    Variant value;
    if (FAILED(element->getAttribute(name.Get(), 0, value.Put()))) return std::wstring();
    const VARIANT& v = value.Get();
    return v.vt == VT_BSTR && v.bstrVal ? std::wstring(v.bstrVal, ::SysStringLen(v.bstrVal)) : std::wstring();
}
}  // namespace

void SDocEvtHandler::OnClick(IHTMLEventObj* event) {
    if (!event) return;
    ComPtr<IHTMLElement> element;
    if (FAILED(event->get_srcElement(element.Put()))) return;
    while (element) {
        Bstr tag;
        if (FAILED(element->get_tagName(tag.Put()))) return;
        if (IsAnchorTag(tag.Get())) {
            ::OutputDebugStringW(FormatText(kDebugLinkClick, HrefOf(element.Get()).c_str()).c_str());
            return;
        }
        ComPtr<IHTMLElement> parent;
        if (FAILED(element->get_parentElement(parent.Put()))) return;
        element = parent;
    }
}

STDMETHODIMP SDocEvtHandler::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch && iid != kElementEvents2) return E_NOINTERFACE;
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) SDocEvtHandler::AddRef() { return ::InterlockedIncrement(&m_refCount); }

STDMETHODIMP_(ULONG) SDocEvtHandler::Release() {
    LONG count = ::InterlockedDecrement(&m_refCount);
    if (count == 0) delete this;
    return count;
}

STDMETHODIMP SDocEvtHandler::GetTypeInfoCount(UINT* count) {
    if (count) *count = 0;
    return S_OK;
}

STDMETHODIMP SDocEvtHandler::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }

STDMETHODIMP SDocEvtHandler::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids || count == 0) return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    if (names[0] && _wcsicmp(names[0], kClickName) == 0 && count == 1) {
        ids[0] = DISPID_HTMLELEMENTEVENTS2_ONCLICK;
        return S_OK;
    }
    return DISP_E_UNKNOWNNAME;
}

STDMETHODIMP SDocEvtHandler::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) {
    if (id != DISPID_HTMLELEMENTEVENTS2_ONCLICK) return DISP_E_MEMBERNOTFOUND;
    if (!params || params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
    const VARIANT& arg = params->rgvarg[0];
    if (arg.vt != VT_DISPATCH) return DISP_E_TYPEMISMATCH;
    ComPtr<IHTMLEventObj> event;
    if (arg.pdispVal) arg.pdispVal->QueryInterface(IID_IHTMLEventObj, event.PutVoid());
    OnClick(event.Get());
    return S_OK;
}
