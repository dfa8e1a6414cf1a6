// A scripted stand-in for the WebBrowser control, for the test build only:
// Wine here has no HTML engine, so nothing after a navigation would ever
// complete. It answers the interfaces the login browser and the game view
// use, fetches every page with a real HTTP GET, fires BeforeNavigate2
// (honouring Cancel), NavigateComplete2 and DocumentComplete through the
// control's connection point, follows meta refreshes and frames like a
// browser, and paints the current URL and the page's links as text. What it
// does is also written to the debugger output ("scripted: ...").
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <ocidl.h>
#include <ole2.h>
#include <servprov.h>

#include <string>
#include <vector>

#include "base/Owners.h"
#include "tests/scripted/ConnectionPoint.h"
#include "tests/scripted/ScriptedDocument.h"
#include "tests/scripted/ScriptedPage.h"
#include "tests/scripted/ScriptedStubs.h"

class ScriptedBrowser : public WebBrowser2Stubs,
                        public IOleObject,
                        public IOleInPlaceObject,
                        public IConnectionPointContainer,
                        public IServiceProvider {
public:
    ScriptedBrowser() = default;
    virtual ~ScriptedBrowser();

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ::InterlockedIncrement(&refs_); }
    STDMETHODIMP_(ULONG) Release() override;

    // IWebBrowser2, the part the client uses
    STDMETHODIMP Navigate(BSTR url, VARIANT* flags, VARIANT* target, VARIANT* postData, VARIANT* headers) override;
    STDMETHODIMP Navigate2(VARIANT* url, VARIANT* flags, VARIANT* target, VARIANT* postData,
                           VARIANT* headers) override;
    STDMETHODIMP Refresh() override;
    STDMETHODIMP Refresh2(VARIANT* level) override;
    STDMETHODIMP Stop() override;
    STDMETHODIMP get_Document(IDispatch** document) override;
    STDMETHODIMP get_LocationURL(BSTR* url) override;
    STDMETHODIMP get_Busy(VARIANT_BOOL* busy) override;

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* site) override;
    STDMETHODIMP GetClientSite(IOleClientSite** site) override;
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP Close(DWORD saveOption) override;
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    STDMETHODIMP DoVerb(LONG verb, LPMSG msg, IOleClientSite* site, LONG index, HWND parent,
                        LPCRECT pos) override;
    STDMETHODIMP EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
    STDMETHODIMP Update() override { return S_OK; }
    STDMETHODIMP IsUpToDate() override { return S_OK; }
    STDMETHODIMP GetUserClassID(CLSID* clsid) override;
    STDMETHODIMP GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
    STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Unadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    STDMETHODIMP GetMiscStatus(DWORD, DWORD* status) override;
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleWindow, IOleInPlaceObject
    STDMETHODIMP GetWindow(HWND* hwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP InPlaceDeactivate() override;
    STDMETHODIMP UIDeactivate() override { return S_OK; }
    STDMETHODIMP SetObjectRects(LPCRECT pos, LPCRECT clip) override;
    STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

    // IServiceProvider: the shell browser's window, where the document lives
    STDMETHODIMP QueryService(REFGUID service, REFIID iid, void** out) override;

private:
    struct Frame {
        std::wstring url;
        Page page;
        bool loaded = false;
    };
    struct Fetch;  // one GET on a worker thread

    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT OnWindowMessage(UINT msg, WPARAM wp, LPARAM lp);
    bool CreateWindowIn(HWND parent, const RECT& pos);

    // Navigation: target -1 is the top-level document, otherwise a frame.
    HRESULT NavigateTo(const std::wstring& url, int target);
    void StartFetch(const std::wstring& url, int target);
    void OnFetched(Fetch* fetch);
    void LoadTop(const std::wstring& url, const std::string& body);
    void LoadFrame(size_t index, const std::wstring& url, const std::string& body);
    void CompleteTopIfReady();
    void ScheduleRefresh(const Page& page, UINT_PTR timer);
    void OnRefreshTimer(UINT_PTR timer);

    // Events through the connection point.
    bool FireBeforeNavigate2(const std::wstring& url);
    void FireUrlEvent(DISPID id, const std::wstring& url);

    void Paint(HDC dc);
    void OnLeftClick(POINT pt);

    LONG refs_ = 1;
    ComPtr<IOleClientSite> site_;
    HWND window_ = nullptr;
    SIZEL extent_ = {};
    ConnectionPoint events_{this, DIID_DWebBrowserEvents2};

    unsigned generation_ = 0;  // of the top-level navigation; older fetches are dropped
    bool busy_ = false;
    bool topComplete_ = false;
    std::wstring url_;
    Page page_;
    std::vector<Frame> frames_;
    ScriptedDocument* document_ = nullptr;  // one reference of ours
    std::vector<RECT> linkAreas_;            // where page_.links are painted
};
