// The login window through the API: its skinned, colour-keyed frame (which
// Wine does not show as translucent on screen), its buttons, the page held
// back until it has loaded, and the hand-over decision. The flows through
// the page run end to end with the scripted browser.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>

#include "base/Text.h"
#include "login/DownloadProgress.h"
#include "login/LoginDlg.h"
#include "res/resource.h"
#include "tests/win/TestAccess.h"

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
    WebFormLogin* browser = CKestroLoginTestAccess::Browser(login);
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(CWebBrowserBaseTestAccess::InPlaceActive(*browser));
    EXPECT_TRUE(Same(browser->m_rcDisplay, RECT{0, 21, 660, 381}));
    EXPECT_TRUE(IsRectEmpty(&CWebBrowserBaseTestAccess::Pos(*browser)));

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

// ------------------------------------------------------ download progress

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Pixels of the bar's colour along the middle row of the progress area, as
// the window shows them now.
int GoldPixelsInBarRow(HWND hwnd) {
    const RECT area = CDownloadProgressTestAccess::Area();
    HDC dc = GetDC(hwnd);
    int gold = 0;
    for (int x = area.left; x < area.right; ++x)
        if (GetPixel(dc, x, 302) == RGB(0xE8, 0xC1, 0x70)) ++gold;
    ReleaseDC(hwnd, dc);
    return gold;
}

// The pixels of the status line's box, to compare two moments.
std::wstring TextPixels(HWND hwnd) {
    HDC dc = GetDC(hwnd);
    std::wstring pixels;
    for (int y = 272; y < 294; ++y)
        for (int x = 170; x < 490; ++x) pixels += static_cast<wchar_t>(GetPixel(dc, x, y) & 0xFFFF);
    ReleaseDC(hwnd, dc);
    return pixels;
}

bool SentMessageWaiting() { return HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE; }

TEST(LoginDownloadProgress, DrawnAtOnceWhileCommandsWait) {
    CKestroLogin login;
    ASSERT_TRUE(login.Create(nullptr));
    const HWND hwnd = login.m_hWnd;
    Pump();
    const std::wstring skinText = TextPixels(hwnd);
    EXPECT_EQ(GoldPixelsInBarRow(hwnd), 0);

    // A command posted before the download stays queued while it runs.
    PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDC_LOGIN_MINIMIZE, BN_CLICKED), 0);
    const long long total = 4000000;
    login.OnDownloadProgress(total / 4, total);
    const int quarter = GoldPixelsInBarRow(hwnd);
    const std::wstring quarterText = TextPixels(hwnd);
    login.OnDownloadProgress(total * 3 / 4, total);
    const int threeQuarters = GoldPixelsInBarRow(hwnd);
    EXPECT_NEAR(quarter, 75, 1);  // of a 300-pixel bar
    EXPECT_NEAR(threeQuarters, 225, 1);
    EXPECT_TRUE(quarterText != skinText);  // "… 25%" drawn over the skin
    EXPECT_TRUE(TextPixels(hwnd) != quarterText);  // and then "… 75%"

    // A command sent by another thread is answered while the download
    // reports, and dropped.
    bool answered = false;
    std::thread sender([hwnd, &answered] {
        DWORD_PTR result = 0;
        answered = SendMessageTimeoutW(hwnd, WM_COMMAND, MAKEWPARAM(IDC_LOGIN_MINIMIZE, BN_CLICKED), 0, SMTO_NORMAL,
                                       10000, &result) != 0;
    });
    while (!SentMessageWaiting()) Sleep(10);
    login.OnDownloadProgress(total, total);
    sender.join();
    EXPECT_TRUE(answered);
    EXPECT_EQ(GoldPixelsInBarRow(hwnd), 300);
    EXPECT_FALSE(IsIconic(hwnd));
    MSG queued;
    EXPECT_TRUE(PeekMessageW(&queued, hwnd, WM_COMMAND, WM_COMMAND, PM_NOREMOVE));

    // The end takes the display away at the next paint; the window's loop
    // then runs the command that waited.
    login.OnDownloadEnd();
    UpdateWindow(hwnd);
    EXPECT_EQ(GoldPixelsInBarRow(hwnd), 0);
    EXPECT_TRUE(TextPixels(hwnd) == skinText);
    Pump();
    EXPECT_TRUE(IsIconic(hwnd));
}

TEST(LoginDownloadProgress, KeepsTheWindowFromBeingReportedHung) {
    CKestroLogin login;
    ASSERT_TRUE(login.Create(nullptr));
    Pump();
    Sleep(5500);  // the system's limit for a thread that does not look at its queue
    EXPECT_TRUE(IsHungAppWindow(login.m_hWnd));
    login.OnDownloadProgress(1, 100);
    EXPECT_FALSE(IsHungAppWindow(login.m_hWnd));
    login.OnDownloadEnd();
}
}  // namespace
