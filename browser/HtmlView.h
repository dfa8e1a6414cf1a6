// A child window that hosts the WebBrowser control over its whole client
// area, the way an HTML view of a framework does: it is the control's site,
// answers the document host's questions with the usual defaults, and turns
// the control's events into virtual calls.
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <mshtmhst.h>
#include <ole2.h>

#include <string>

#include "base/Owners.h"
#include "base/Window.h"

class CHtmlView : public CWindow,
                  public IDispatch,
                  public IOleClientSite,
                  public IOleInPlaceSite,
                  public IOleInPlaceFrame,
                  public IDocHostUIHandler {
public:
    CHtmlView() = default;
    ~CHtmlView() override;

    // Creates the view window and the control inside it. False when the
    // window could not be created; a view whose control failed stays empty.
    bool Create(const wchar_t* windowName, DWORD style, const RECT& rect, HWND parent, UINT id);
    // A plain navigation: no flags, target frame, headers or post data.
    bool Navigate(const std::wstring& url);
    void Refresh();
    IWebBrowser2* GetWebBrowser() const { return m_pBrowserApp.Get(); }
    // The top-level document of the control, referenced; null before any.
    ComPtr<IDispatch> GetHtmlDocument() const;

    // Offers the message to the control's accelerators.
    BOOL PreTranslateMessage(MSG* msg) override;

    // IUnknown: the view's lifetime is its owner's; the count only answers
    // the control.
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IDispatch: ambient properties (none answered) and the control's events.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* error, UINT* argError) override;

    // IOleClientSite
    STDMETHODIMP SaveObject() override;
    STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    STDMETHODIMP GetContainer(IOleContainer** container) override;
    STDMETHODIMP ShowObject() override;
    STDMETHODIMP OnShowWindow(BOOL show) override;
    STDMETHODIMP RequestNewObjectLayout() override;

    // IOleWindow, IOleInPlaceSite
    STDMETHODIMP GetWindow(HWND* hwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL enter) override;
    STDMETHODIMP CanInPlaceActivate() override;
    STDMETHODIMP OnInPlaceActivate() override;
    STDMETHODIMP OnUIActivate() override;
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, RECT* pos, RECT* clip,
                                  OLEINPLACEFRAMEINFO* info) override;
    STDMETHODIMP Scroll(SIZE extent) override;
    STDMETHODIMP OnUIDeactivate(BOOL undoable) override;
    STDMETHODIMP OnInPlaceDeactivate() override;
    STDMETHODIMP DiscardUndoState() override;
    STDMETHODIMP DeactivateAndUndo() override;
    STDMETHODIMP OnPosRectChange(const RECT* pos) override;

    // IOleInPlaceUIWindow, IOleInPlaceFrame
    STDMETHODIMP GetBorder(RECT* border) override;
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS widths) override;
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS widths) override;
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR name) override;
    STDMETHODIMP InsertMenus(HMENU menu, OLEMENUGROUPWIDTHS* widths) override;
    STDMETHODIMP SetMenu(HMENU menu, HOLEMENU olemenu, HWND activeObject) override;
    STDMETHODIMP RemoveMenus(HMENU menu) override;
    STDMETHODIMP SetStatusText(LPCOLESTR text) override;
    // Also IDocHostUIHandler::EnableModeless.
    STDMETHODIMP EnableModeless(BOOL enable) override;
    STDMETHODIMP TranslateAccelerator(MSG* msg, WORD id) override;

    // IDocHostUIHandler: the browser keeps its own menus, borders, scroll
    // bars and accelerators; scripts get no external object.
    STDMETHODIMP ShowContextMenu(DWORD id, POINT* pt, IUnknown* target, IDispatch* object) override;
    STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override;
    STDMETHODIMP ShowUI(DWORD id, IOleInPlaceActiveObject* object, IOleCommandTarget* target, IOleInPlaceFrame* frame,
                        IOleInPlaceUIWindow* doc) override;
    STDMETHODIMP HideUI() override;
    STDMETHODIMP UpdateUI() override;
    STDMETHODIMP OnDocWindowActivate(BOOL activate) override;
    STDMETHODIMP OnFrameWindowActivate(BOOL activate) override;
    STDMETHODIMP ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frameWindow) override;
    STDMETHODIMP TranslateAccelerator(MSG* msg, const GUID* group, DWORD id) override;
    STDMETHODIMP GetOptionKeyPath(LPOLESTR* key, DWORD reserved) override;
    STDMETHODIMP GetDropTarget(IDropTarget* target, IDropTarget** result) override;
    STDMETHODIMP GetExternal(IDispatch** external) override;
    STDMETHODIMP TranslateUrl(DWORD translate, LPWSTR in, LPWSTR* out) override;
    STDMETHODIMP FilterDataObject(IDataObject* in, IDataObject** out) override;

protected:
    // The control's events; the defaults neither cancel nor change anything.
    virtual void OnBeforeNavigate2(const std::wstring& url, VARIANT_BOOL* cancel) {}
    virtual void OnNavigateComplete2(const std::wstring& url) {}
    virtual void OnDocumentComplete(const std::wstring& url) {}

    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    bool CreateControl();
    RECT ClientRect() const;

    LONG m_refCount = 0;
    ComPtr<IStorage> m_storage;
    ComPtr<IOleObject> m_control;
    ComPtr<IWebBrowser2> m_pBrowserApp;
    ComPtr<IConnectionPoint> m_eventPoint;
    DWORD m_eventCookie = 0;
};
