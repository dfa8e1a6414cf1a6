// A small hand-written OLE container for the WebBrowser control: it embeds
// the control in a window a subclass names, answers the container-side
// interfaces with the control's defaults almost everywhere, and turns
// BeforeNavigate2 and DocumentComplete into virtual calls. The login browser
// derives from it, and so does the game view's site (HtmlView.h).
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <mshtmhst.h>
#include <ole2.h>

#include <string>

#include "base/Owners.h"

class CWebBrowserBase : public IDispatch,
                        public IOleClientSite,
                        public IOleInPlaceSite,
                        public IOleInPlaceFrame,
                        public IDocHostUIHandler {
public:
    // Creates the control in temporary storage; on any failure the object
    // simply has no control.
    CWebBrowserBase();

    // The window the control lives in; the base has none.
    virtual HWND GetHostWindow();
    virtual void OnDocumentComplete(std::wstring url);
    // cancel points at the event's own flag: setting it stops the navigation.
    virtual void OnBeforeNavigate(std::wstring url, VARIANT_BOOL* cancel);

    // Closes the control and lets go of it; the owner deletes the host.
    virtual ~CWebBrowserBase();
    CWebBrowserBase(const CWebBrowserBase&) = delete;
    CWebBrowserBase& operator=(const CWebBrowserBase&) = delete;

    // Activates the control in the host window and connects its events.
    bool InPlaceActivate();
    // Moves the control; before activation only remembers the rectangle. An
    // empty rectangle hides the control without deactivating it.
    bool SetBrowserRect(const RECT& rect);
    // All four optional arguments absent.
    bool Navigate(const std::wstring& url);
    // The same with the flags argument given.
    bool Navigate(const std::wstring& url, VARIANT flags);
    IWebBrowser2* GetWebBrowser();
    // The "Internet Explorer_Server" window that shows the document, or null.
    HWND FindIEServerWindow();

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IDispatch: the sink of the control's events
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

    // IOleWindow (of the in-place site and the frame)
    STDMETHODIMP GetWindow(HWND* hwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL enter) override;

    // IOleInPlaceSite
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
    // Also IDocHostUIHandler::EnableModeless: one answer for both.
    STDMETHODIMP EnableModeless(BOOL enable) override;
    STDMETHODIMP TranslateAccelerator(MSG* msg, WORD id) override;

    // IDocHostUIHandler
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

    // Where the owner wants the page once it has loaded: the login window
    // writes it, WebFormLogin applies it; the base never reads it.
    RECT m_rcDisplay = {};

protected:
    // For a subclass that answers the control's first calls itself: makes no
    // control until the whole object calls CreateControl.
    struct DeferControl {};
    explicit CWebBrowserBase(DeferControl) {}
    // The constructor's steps; false leaves the object without a control.
    bool CreateControl();
    // Moves the active control to rect as it is, without touching its extent.
    bool PlaceControl(const RECT& rect);

private:
    friend struct CWebBrowserBaseTestAccess;  // the Windows tests read the state below

    bool ConnectEvents();
    RECT HostClientRect();

    LONG m_lRefCount = 0;
    RECT m_rcPos = {};  // the control's place in the host window
    bool m_bInPlaceActive = false;
    ComPtr<IOleObject> m_pOleObject;
    ComPtr<IOleInPlaceObject> m_pInPlaceObject;
    ComPtr<IStorage> m_pStorage;
    ComPtr<IWebBrowser2> m_pWebBrowser;
    // The event connection, kept only to break it at teardown.
    ComPtr<IConnectionPoint> m_pEventPoint;
    DWORD m_dwEventCookie = 0;
};
