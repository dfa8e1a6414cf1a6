// The game view's click sink: connected to the page's document events, it
// writes the target of every clicked link to the debugger output.
#pragma once

#include <windows.h>
#include <mshtml.h>

// The document's event dispatch interface, whose click event the sink
// receives (the import libraries do not define it).
extern const IID kHtmlDocumentEvents2;

struct SDocEvtHandler : public IDispatch {
    // The creator holds the first reference.
    SDocEvtHandler() = default;
    virtual ~SDocEvtHandler() = default;
    SDocEvtHandler(const SDocEvtHandler&) = delete;
    SDocEvtHandler& operator=(const SDocEvtHandler&) = delete;

    // Reports the nearest link around the clicked element; never cancels the
    // click. The event object is borrowed.
    void OnClick(IHTMLEventObj* event);

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* error, UINT* argError) override;

private:
    LONG m_refCount = 1;
};
