// The system's WebBrowser control in the hosts of the client, against a
// loopback server: embedding and placement, the navigation events, the
// game-code interception and the login request, the game view's input
// filter. (Without an HTML engine no document ever completes here; the flows
// that start at DocumentComplete run end to end against the scripted
// stand-in.)
#include "tests/win/LoopbackHttp.h"  // winsock2.h before windows.h

#include <gtest/gtest.h>
#include <windows.h>
#include <exdispid.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "browser/MyHtmlView.h"
#include "browser/WebBrowserBase.h"
#include "login/AdapterAddress.h"
#include "login/GameCode.h"
#include "login/WebFormLogin.h"
#include "res/resource.h"
#include "tests/win/TestAccess.h"

namespace {
using Host = CWebBrowserBaseTestAccess;

const RECT kEmpty = {0, 0, 0, 0};

bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

// Runs the thread's messages until done() or the time is up.
bool PumpUntil(const std::function<bool()>& done, DWORD ms = 20000) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done()) return true;
        if (GetTickCount() - start > ms) return false;
        Sleep(10);
    }
}

bool Requested(LoopbackHttp& server, const std::string& target) {
    const auto seen = server.Requests();
    return std::find(seen.begin(), seen.end(), target) != seen.end();
}

// A plain top-level or child window that records the commands and context
// menus it receives.
class TestWindow {
public:
    explicit TestWindow(HWND parent = nullptr, RECT rc = {0, 0, 660, 399}) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VexaTestWindow";
        RegisterClassW(&wc);
        hwnd = CreateWindowExW(0, wc.lpszClassName, L"test", (parent ? WS_CHILD : WS_POPUP) | WS_VISIBLE, rc.left,
                               rc.top, rc.right - rc.left, rc.bottom - rc.top, parent, nullptr, wc.hInstance, nullptr);
        commands().clear();
        contextMenus() = 0;
    }
    ~TestWindow() { DestroyWindow(hwnd); }
    RECT Client() const {
        RECT rc = {};
        GetClientRect(hwnd, &rc);
        return rc;
    }
    static std::vector<WORD>& commands() {
        static std::vector<WORD> list;
        return list;
    }
    static int& contextMenus() {
        static int count = 0;
        return count;
    }
    HWND hwnd;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_COMMAND) commands().push_back(LOWORD(wp));
        if (msg == WM_CONTEXTMENU) ++contextMenus();
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
};

// The control's window inside the host, in the host's client coordinates.
RECT ChildRect(HWND host) {
    RECT rc = {};
    HWND child = GetWindow(host, GW_CHILD);
    if (!child) return rc;
    GetWindowRect(child, &rc);
    MapWindowPoints(nullptr, host, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

int ChildCount(HWND host) {
    int n = 0;
    for (HWND h = GetWindow(host, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) ++n;
    return n;
}

HWND DeepestFirstChild(HWND hwnd) {
    while (HWND child = GetWindow(hwnd, GW_CHILD)) hwnd = child;
    return hwnd;
}

class RecordingHost : public CWebBrowserBase {
public:
    explicit RecordingHost(HWND host) : host_(host) {}
    HWND GetHostWindow() override { return host_; }
    void OnBeforeNavigate(std::wstring url, VARIANT_BOOL* cancel) override {
        before.push_back(url);
        cancels.push_back(cancel);
    }
    void OnDocumentComplete(std::wstring url) override { completed.push_back(url); }

    std::vector<std::wstring> before, completed;
    std::vector<VARIANT_BOOL*> cancels;

private:
    HWND host_;
};

std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// ------------------------------------------------------------ browser host

TEST(BrowserHost, EmbedsAndPlacesTheControl) {
    TestWindow host;
    RecordingHost browser(host.hwnd);
    ASSERT_TRUE(Host::OleObject(browser) && Host::InPlaceObject(browser) && Host::Storage(browser));
    EXPECT_EQ(browser.CanInPlaceActivate(), S_FALSE);

    // Before activation a rectangle is only remembered; the control's own
    // request for its window context then gives it the whole host.
    const RECT early = {10, 10, 50, 50};
    EXPECT_TRUE(browser.SetBrowserRect(early));
    EXPECT_TRUE(Host::Pos(browser) == early);
    EXPECT_EQ(ChildCount(host.hwnd), 0);
    ASSERT_TRUE(browser.InPlaceActivate());
    EXPECT_TRUE(Host::InPlaceActive(browser));
    EXPECT_TRUE(Host::Pos(browser) == host.Client());
    EXPECT_TRUE(ChildRect(host.hwnd) == host.Client());

    // A second activation starts nothing.
    EXPECT_TRUE(browser.InPlaceActivate());
    EXPECT_EQ(ChildCount(host.hwnd), 1);
    IWebBrowser2* web = browser.GetWebBrowser();
    ASSERT_NE(web, nullptr);
    EXPECT_EQ(browser.GetWebBrowser(), web);

    // Only SetBrowserRect moves it; the control's own wishes do not.
    const RECT page = {0, 21, 660, 381};
    EXPECT_TRUE(browser.SetBrowserRect(page));
    EXPECT_TRUE(ChildRect(host.hwnd) == page);
    const RECT wish = {5, 5, 100, 100};
    EXPECT_EQ(browser.OnPosRectChange(&wish), S_OK);
    EXPECT_TRUE(ChildRect(host.hwnd) == page);
    EXPECT_TRUE(browser.SetBrowserRect(kEmpty));  // hidden, still active
    const RECT hidden = ChildRect(host.hwnd);
    EXPECT_TRUE(IsRectEmpty(&hidden));
    EXPECT_TRUE(Host::InPlaceActive(browser));
}

// After a hand-over the login window is gone before its host is deleted.
TEST(BrowserHost, DeletedAfterItsWindowIsGone) {
    LoopbackHttp server({200, "<html></html>"});
    auto host = std::make_unique<TestWindow>();
    auto browser = std::make_unique<RecordingHost>(host->hwnd);
    ASSERT_TRUE(browser->InPlaceActivate());
    browser->Navigate(server.Url(L"/gone"));
    host.reset();
    PumpUntil([] { return false; }, 500);
    browser.reset();
    PumpUntil([] { return false; }, 500);  // nothing calls back into the deleted host
}

TEST(BrowserHost, AnswersAsOneObject) {
    TestWindow host;
    RecordingHost browser(host.hwnd);
    const struct {
        const IID& iid;
        void* expected;
    } cases[] = {
        {IID_IUnknown, static_cast<IDispatch*>(&browser)},
        {IID_IDispatch, static_cast<IDispatch*>(&browser)},
        {IID_IOleClientSite, static_cast<IOleClientSite*>(&browser)},
        {IID_IDocHostUIHandler, static_cast<IDocHostUIHandler*>(&browser)},
        {IID_IOleWindow, static_cast<IOleInPlaceSite*>(&browser)},  // the site, not the frame
        {IID_IOleInPlaceSite, static_cast<IOleInPlaceSite*>(&browser)},
        {IID_IOleInPlaceFrame, static_cast<IOleInPlaceFrame*>(&browser)},
        {IID_IOleInPlaceUIWindow, static_cast<IOleInPlaceFrame*>(&browser)},
        {DIID_DWebBrowserEvents2, nullptr},  // the events reach the primary IDispatch
        {IID_IOleObject, nullptr},
    };
    for (const auto& c : cases) {
        void* out = reinterpret_cast<void*>(1);
        const LONG before = Host::RefCount(browser);
        EXPECT_EQ(browser.QueryInterface(c.iid, &out), c.expected ? S_OK : E_NOINTERFACE);
        EXPECT_EQ(out, c.expected);
        EXPECT_EQ(Host::RefCount(browser), before + (c.expected ? 1 : 0));
        if (out) static_cast<IUnknown*>(out)->Release();
    }
    // The count only answers; the owner deletes the host.
    const ULONG count = static_cast<ULONG>(Host::RefCount(browser));
    EXPECT_EQ(browser.AddRef(), count + 1);
    EXPECT_EQ(browser.Release(), count);

    DOCHOSTUIINFO info = {sizeof(info)};
    info.dwFlags = DOCHOSTUIFLAG_SCROLL_NO;
    EXPECT_EQ(browser.GetHostInfo(&info), S_OK);
    EXPECT_EQ(info.dwFlags, static_cast<DWORD>(DOCHOSTUIFLAG_SCROLL_NO | DOCHOSTUIFLAG_NO3DOUTERBORDER));
    IDispatch* external = reinterpret_cast<IDispatch*>(1);
    EXPECT_EQ(browser.GetExternal(&external), S_OK);
    EXPECT_EQ(external, nullptr);
    EXPECT_EQ(browser.ShowContextMenu(0, nullptr, nullptr, nullptr), E_NOTIMPL);
}

TEST(BrowserHost, DispatchesTheTwoEventsAndIgnoresTheRest) {
    RecordingHost browser(nullptr);
    BSTR url = SysAllocString(L"http://127.0.0.1:1/a");
    VARIANT urlValue;
    urlValue.vt = VT_BSTR;
    urlValue.bstrVal = url;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANT args[7] = {};
    args[0].vt = VT_BYREF | VT_BOOL;
    args[0].pboolVal = &cancel;
    args[5].vt = VT_BYREF | VT_VARIANT;
    args[5].pvarVal = &urlValue;
    DISPPARAMS before = {args, nullptr, 7, 0};
    EXPECT_EQ(browser.Invoke(DISPID_BEFORENAVIGATE2, IID_NULL, 0, DISPATCH_METHOD, &before, nullptr, nullptr, nullptr),
              S_OK);
    ASSERT_EQ(browser.before.size(), 1u);
    EXPECT_EQ(browser.before[0], L"http://127.0.0.1:1/a");
    EXPECT_EQ(browser.cancels[0], &cancel);  // the event's own flag

    VARIANT completeArgs[2] = {};
    completeArgs[0].vt = VT_BYREF | VT_VARIANT;
    completeArgs[0].pvarVal = &urlValue;
    DISPPARAMS complete = {completeArgs, nullptr, 2, 0};
    EXPECT_EQ(browser.Invoke(DISPID_DOCUMENTCOMPLETE, IID_NULL, 0, DISPATCH_METHOD, &complete, nullptr, nullptr,
                             nullptr),
              S_OK);
    ASSERT_EQ(browser.completed.size(), 1u);
    EXPECT_EQ(browser.completed[0], L"http://127.0.0.1:1/a");

    EXPECT_EQ(browser.Invoke(DISPID_NAVIGATECOMPLETE2, IID_NULL, 0, DISPATCH_METHOD, &complete, nullptr, nullptr,
                             nullptr),
              E_NOTIMPL);
    // A malformed event (too few arguments) is not read past its end.
    DISPPARAMS shortEvent = {completeArgs, nullptr, 1, 0};
    EXPECT_EQ(browser.Invoke(DISPID_BEFORENAVIGATE2, IID_NULL, 0, DISPATCH_METHOD, &shortEvent, nullptr, nullptr,
                             nullptr),
              S_OK);
    EXPECT_EQ(browser.before.back(), L"");
    SysFreeString(url);
}

TEST(BrowserHost, NavigationReachesTheServerThroughOnBeforeNavigate) {
    LoopbackHttp server({200, "<html><body>page</body></html>"});
    TestWindow host;
    RecordingHost browser(host.hwnd);
    ASSERT_TRUE(browser.InPlaceActivate());
    const std::wstring url = server.Url(L"/page?x=1");
    ASSERT_TRUE(browser.Navigate(url));
    EXPECT_TRUE(PumpUntil([&] { return !browser.before.empty(); }));
    ASSERT_FALSE(browser.before.empty());
    EXPECT_EQ(browser.before[0], url);
    EXPECT_TRUE(PumpUntil([&] { return Requested(server, "/page?x=1"); })) << "the GET never arrived";
}

// ------------------------------------------------------------ login browser

TEST(LoginBrowser, StopsAndHandsOverOnlyGameCodeNavigations) {
    LoopbackHttp server({200, "<html></html>"});
    const struct {
        const char* path;
        bool gameCode;
    } cases[] = {
        {"/play_gamecode?server=1", true},
        {"/game/x-play_gamecode-y/", true},         // anywhere in the URL
        {"/Play_GameCode?server=1", false},         // another letter case is not the marker
        {"/client/gamecode/vexa/mac//", false},     // the login URL itself
    };
    int sentinel = 0;
    for (const auto& c : cases) {
        TestWindow host;
        WebFormLogin browser(host.hwnd);
        ASSERT_TRUE(browser.InPlaceActivate());
        const std::wstring url = server.Url(Widen(c.path));
        browser.Navigate(url);
        // The request of a later navigation shows the first one had its turn.
        const std::string next = "/sentinel" + std::to_string(++sentinel);
        EXPECT_TRUE(PumpUntil([&] { return g_strNavigateUrl == url; })) << c.path;
        browser.Navigate(server.Url(Widen(next)));
        EXPECT_TRUE(PumpUntil([&] { return Requested(server, next); })) << c.path;
        if (!c.gameCode) PumpUntil([&] { return Requested(server, c.path); }, 5000);
        EXPECT_EQ(Requested(server, c.path), !c.gameCode) << c.path;
        // Every navigation is reported to the host window, in order.
        const auto& commands = TestWindow::commands();
        EXPECT_EQ(std::count(commands.begin(), commands.end(), IDM_GAMECODE_READY), 2) << c.path;
    }
}

TEST(LoginBrowser, WithoutHostWindowCancelsButHandsNothingOver) {
    WebFormLogin browser(nullptr);
    g_strNavigateUrl = L"before";
    const struct {
        const wchar_t* url;
        VARIANT_BOOL cancel;
    } cases[] = {
        {L"http://127.0.0.1:1/play_gamecode?server=2", VARIANT_TRUE},
        {L"http://127.0.0.1:1/other", VARIANT_FALSE},
    };
    for (const auto& c : cases) {
        VARIANT_BOOL cancel = VARIANT_FALSE;
        browser.OnBeforeNavigate(c.url, &cancel);
        EXPECT_EQ(cancel, c.cancel) << c.url;
    }
    EXPECT_EQ(g_strNavigateUrl, L"before");

    DOCHOSTUIINFO info = {sizeof(info)};
    EXPECT_EQ(browser.GetHostInfo(&info), S_OK);
    EXPECT_EQ(info.dwFlags, static_cast<DWORD>(DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO));
    EXPECT_EQ(browser.GetHostInfo(nullptr), S_OK);
}

TEST(LoginBrowser, LoginRequestCarriesTheAdapterAddress) {
    const std::wstring text = ReadAdapterAddress();
    const std::string address(text.begin(), text.end());
    if (!address.empty()) {
        EXPECT_TRUE(std::regex_match(address, std::regex("([0-9A-F]{2}-){5}[0-9A-F]{2}"))) << address;
    }

    LoopbackHttp server({200, "<html></html>"});
    TestWindow host;
    WebFormLogin browser(host.hwnd);
    ASSERT_TRUE(browser.InPlaceActivate());
    std::wstring url = server.Url(L"/client/gamecode/vexa/");
    BuildLoginUrl(url);
    ASSERT_TRUE(browser.Navigate(url));
    const std::string expected = "/client/gamecode/vexa/mac/" + address + "/";
    EXPECT_TRUE(PumpUntil([&] { return Requested(server, expected); }))
        << "expected " << expected << ", got " << (server.Requests().empty() ? "" : server.Requests()[0]);
    EXPECT_EQ(g_strNavigateUrl, url);
}

// ---------------------------------------------------------------- game view

TEST(GameView, HostsTheControlBelowTheStrip) {
    TestWindow main(nullptr, {0, 0, 1000, 700});
    CMyHtmlView view;
    ASSERT_TRUE(view.Create(L"MyWebBrowser", WS_CHILD | WS_VISIBLE, RECT{0, 30, 1000, 700}, main.hwnd, IDC_GAME_VIEW));
    EXPECT_EQ(GetDlgItem(main.hwnd, IDC_GAME_VIEW), view.m_hWnd);
    wchar_t name[64] = {};
    GetWindowTextW(view.m_hWnd, name, 64);
    EXPECT_STREQ(name, L"MyWebBrowser");
    EXPECT_TRUE(GetWindowLongW(view.m_hWnd, GWL_STYLE) & WS_CLIPCHILDREN);
    ASSERT_NE(view.GetWebBrowser(), nullptr);

    // The control covers the view, also after the view is resized.
    RECT client = {};
    GetClientRect(view.m_hWnd, &client);
    EXPECT_TRUE(ChildRect(view.m_hWnd) == client);
    MoveWindow(view.m_hWnd, 0, 30, 800, 500, TRUE);
    GetClientRect(view.m_hWnd, &client);
    EXPECT_TRUE(ChildRect(view.m_hWnd) == client);
    EXPECT_FALSE(CMyHtmlViewTestAccess::IsClickSinkConnected(view));
}

// The game view with its site in reach.
class SiteKeepingView : public CMyHtmlView {
public:
    CSite* site = nullptr;

private:
    std::unique_ptr<CSite> CreateSite() override {
        std::unique_ptr<CSite> made = CMyHtmlView::CreateSite();
        site = made.get();
        return made;
    }
};

// Where the view's site answers otherwise than the login host.
TEST(GameView, SiteKeepsTheBrowserDefaultsAndLetsTheControlMove) {
    TestWindow main(nullptr, {0, 0, 1000, 700});
    SiteKeepingView view;
    ASSERT_TRUE(view.Create(L"MyWebBrowser", WS_CHILD | WS_VISIBLE, RECT{0, 30, 1000, 700}, main.hwnd, IDC_GAME_VIEW));
    ASSERT_NE(view.site, nullptr);
    EXPECT_EQ(view.site->GetHostWindow(), view.m_hWnd);

    // No flags of its own: the browser's border and scroll bars stay.
    DOCHOSTUIINFO info = {sizeof(info)};
    info.dwFlags = DOCHOSTUIFLAG_SCROLL_NO;
    EXPECT_EQ(view.site->GetHostInfo(&info), S_OK);
    EXPECT_EQ(info.dwFlags, static_cast<DWORD>(DOCHOSTUIFLAG_SCROLL_NO));

    // The control's own position request is applied; the next resize of the
    // view covers the view again.
    const RECT wish = {5, 5, 100, 100};
    EXPECT_EQ(view.site->OnPosRectChange(&wish), S_OK);
    EXPECT_TRUE(ChildRect(view.m_hWnd) == wish);
    MoveWindow(view.m_hWnd, 0, 30, 900, 600, TRUE);
    RECT client = {};
    GetClientRect(view.m_hWnd, &client);
    EXPECT_TRUE(ChildRect(view.m_hWnd) == client);
}

TEST(GameView, RightButtonPressesNeverReachThePage) {
    TestWindow main(nullptr, {0, 0, 1000, 700});
    CMyHtmlView view;
    ASSERT_TRUE(view.Create(L"MyWebBrowser", WS_CHILD | WS_VISIBLE, RECT{0, 30, 1000, 700}, main.hwnd, IDC_GAME_VIEW));
    const HWND inner = DeepestFirstChild(view.m_hWnd);
    ASSERT_NE(inner, view.m_hWnd);
    const struct {
        UINT message;
        bool consumed;
    } cases[] = {
        {WM_RBUTTONDOWN, true},
        {WM_RBUTTONDBLCLK, true},
        {WM_RBUTTONUP, false},
        {WM_LBUTTONDOWN, false},
        {WM_MOUSEMOVE, false},
    };
    for (HWND target : {inner, view.m_hWnd}) {
        for (const auto& c : cases) {
            MSG msg = {target, c.message, 0, MAKELPARAM(10, 10)};
            EXPECT_EQ(WalkPreTranslate(&msg), c.consumed) << std::hex << c.message;
        }
    }
    // Context menus asked of the view stop there.
    SendMessageW(view.m_hWnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(view.m_hWnd), MAKELPARAM(20, 50));
    EXPECT_EQ(TestWindow::contextMenus(), 0);
}

TEST(GameView, RequestsTheGameUrlOnce) {
    LoopbackHttp server({200, "<html><body>game</body></html>"});
    TestWindow main(nullptr, {0, 0, 1000, 700});
    CMyHtmlView view;
    ASSERT_TRUE(view.Create(L"MyWebBrowser", WS_CHILD | WS_VISIBLE, RECT{0, 30, 1000, 700}, main.hwnd, IDC_GAME_VIEW));
    ASSERT_TRUE(view.Navigate(server.Url(L"/play_gamecode?server=3")));
    EXPECT_TRUE(PumpUntil([&] { return Requested(server, "/play_gamecode?server=3"); }));
    PumpUntil([] { return false; }, 1000);
    EXPECT_EQ(server.Requests(), std::vector<std::string>{"/play_gamecode?server=3"});
}
}  // namespace
