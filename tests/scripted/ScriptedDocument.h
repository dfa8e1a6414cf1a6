// The stand-in's document: a connection point for the document events (the
// game view's click sink attaches there), key handling for the host's
// forwarded accelerators, and the few element and event objects a click
// hands to the sink.
#pragma once

#include <windows.h>
#include <mshtml.h>
#include <ocidl.h>

#include <string>

#include "base/Owners.h"
#include "browser/DocEvtHandler.h"
#include "tests/scripted/ConnectionPoint.h"
#include "tests/scripted/ScriptedStubs.h"

// Writes one "scripted: ..." line to the debugger output, for the tests.
void Trace(const std::wstring& text);

class ScriptedDocument : public IDispatch, public IConnectionPointContainer, public IOleInPlaceActiveObject {
public:
    explicit ScriptedDocument(HWND window) : window_(window) {}
    virtual ~ScriptedDocument() = default;

    // Fires the document's click event with src as the event's source element.
    void FireClick(IHTMLElement* src);
    size_t ClickSinks() const { return events_.Count(); }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ::InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

    STDMETHODIMP GetWindow(HWND* hwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    // Reports the key; a key press counts as handled by the page.
    STDMETHODIMP TranslateAccelerator(MSG* msg) override;
    STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }

private:
    LONG refs_ = 1;
    HWND window_;
    ConnectionPoint events_{this, kHtmlDocumentEvents2};
};

// An element with a tag name (upper case, as the engine reports it), an
// optional href attribute and a parent.
class ScriptedElement : public HtmlElementStubs {
public:
    ScriptedElement(const wchar_t* tag, IHTMLElement* parent, const std::wstring* href = nullptr);
    virtual ~ScriptedElement() = default;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ::InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP get_tagName(BSTR* tag) override;
    STDMETHODIMP getAttribute(BSTR name, LONG flags, VARIANT* value) override;
    STDMETHODIMP get_parentElement(IHTMLElement** parent) override;

private:
    LONG refs_ = 1;
    std::wstring tag_;
    ComPtr<IHTMLElement> parent_;
    bool hasHref_;
    std::wstring href_;
};

class ScriptedEventObj : public HtmlEventObjStubs {
public:
    explicit ScriptedEventObj(IHTMLElement* src) : src_(src) {}
    virtual ~ScriptedEventObj() = default;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ::InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP get_srcElement(IHTMLElement** src) override;

private:
    LONG refs_ = 1;
    ComPtr<IHTMLElement> src_;
};
