// The login window through the API: its skinned, colour-keyed frame (which
// Wine does not show as translucent on screen), its buttons, the page held
// back until it has loaded, and the hand-over decision. The flows through
// the page run end to end with the scripted browser.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "base/Text.h"
#include "login/LoginDlg.h"
#include "res/resource.h"

namespace {
RECT ChildRect(HWND parent, int id) {
    RECT rc = {};
    GetWindowRect(GetDlgItem(parent, id), &rc);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

bool Same(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

TEST(LoginWindow, SkinnedFrameButtonsAndHiddenPage) {
    CKestroLogin login;
    ASSERT_TRUE(login.Create(nullptr));
    const HWND hwnd = login.m_hWnd;

    RECT window = {}, client = {};
    GetWindowRect(hwnd, &window);
    GetClientRect(hwnd, &client);
    EXPECT_EQ(window.right - window.left, 660);
    EXPECT_EQ(window.bottom - window.top, 399);
    EXPECT_TRUE(Same(client, RECT{0, 0, 660, 399}));
    wchar_t title[64] = {};
    GetWindowTextW(hwnd, title, 64);
    EXPECT_EQ(title, LoadStr(IDS_PRODUCT_NAME));

    const LONG style = GetWindowLongW(hwnd, GWL_STYLE), exStyle = GetWindowLongW(hwnd, GWL_EXSTYLE);
    EXPECT_EQ(style & WS_CAPTION, 0);
    EXPECT_EQ(style & (WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX), WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX);
    EXPECT_EQ(exStyle & (WS_EX_LAYERED | WS_EX_APPWINDOW), WS_EX_LAYERED | WS_EX_APPWINDOW);
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(hwnd, &key, &alpha, &flags));
    EXPECT_EQ(key, RGB(0, 255, 0));
    EXPECT_EQ(alpha, 250);
    EXPECT_EQ(flags, static_cast<DWORD>(LWA_COLORKEY | LWA_ALPHA));

    EXPECT_TRUE(Same(ChildRect(hwnd, IDC_LOGIN_MINIMIZE), RECT{607, 2, 627, 22}));
    EXPECT_TRUE(Same(ChildRect(hwnd, IDC_LOGIN_CLOSE), RECT{630, 0, 655, 25}));

    // The page waits, hidden, for its first document; then it takes the
    // area between the two skin strips.
    WebFormLogin* browser = login.Browser();
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(browser->m_bInPlaceActive);
    EXPECT_TRUE(Same(browser->m_rcDisplay, RECT{0, 21, 660, 381}));
    EXPECT_TRUE(IsRectEmpty(&browser->m_rcPos));

    // The skin's uncovered parts drag the window; the dialog paints with
    // the skin's brush.
    POINT skin = {300, 10};
    ClientToScreen(hwnd, &skin);
    EXPECT_EQ(SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(skin.x, skin.y)), HTCAPTION);
    HDC dc = GetDC(hwnd);
    EXPECT_NE(SendMessageW(hwnd, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd)), 0);
    ReleaseDC(hwnd, dc);
}

TEST(LoginWindow, MinimiseButtonMinimises) {
    CKestroLogin login;
    ASSERT_TRUE(login.Create(nullptr));
    const HWND button = GetDlgItem(login.m_hWnd, IDC_LOGIN_MINIMIZE);
    SendMessageW(login.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_LOGIN_MINIMIZE, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    EXPECT_TRUE(IsIconic(login.m_hWnd));
    EXPECT_TRUE(IsWindowVisible(login.m_hWnd));  // still on the taskbar
}

TEST(LoginWindow, KeysGoTheirOrdinaryWayBeforeThePageHasLoaded) {
    CKestroLogin login;
    ASSERT_TRUE(login.Create(nullptr));
    for (WPARAM key : {WPARAM(VK_RETURN), WPARAM(VK_ESCAPE), WPARAM(VK_TAB), WPARAM('C'), WPARAM(VK_F5)}) {
        MSG msg = {login.m_hWnd, WM_KEYDOWN, key, 0};
        EXPECT_FALSE(login.PreTranslateMessage(&msg)) << key;
    }
}

TEST(LoginWindow, OnlyTheGameUrlEndsTheWindow) {
    CKestroLogin login;
    ASSERT_TRUE(login.Create(nullptr));
    const struct {
        const wchar_t* url;
        bool ends;
    } cases[] = {
        {L"http://127.0.0.1:18480/client/gamecode/vexa/mac//", false},
        {L"http://127.0.0.1:18480/Play_Gamecode?server=1", false},
        {L"http://127.0.0.1:18480/play_gamecode?server=1", true},
    };
    for (const auto& c : cases) {
        g_strNavigateUrl = c.url;
        SendMessageW(login.m_hWnd, WM_COMMAND, MAKEWPARAM(IDM_GAMECODE_READY, 0), 0);
        EXPECT_EQ(login.GetGameUrl(), c.ends ? c.url : L"") << c.url;
        EXPECT_EQ(IsWindowVisible(login.m_hWnd) != FALSE, !c.ends) << c.url;  // a modeless dialog hides as it ends
    }
}
}  // namespace
