// The skinned message box run modally (keys, clicks, layout, owner) and the
// mask dialog over a 1000 x 700 owner (face, frame, text, animation).
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/win/SkinTestWindows.h"
#include "widgets/CustomMessageBox.h"
#include "widgets/MaskDlg.h"
#include "widgets/MessageBox.h"

namespace {
// What the timer does once the box is up; the box's modal loop runs it.
std::function<void(HWND box)> g_onShown;

BOOL CALLBACK FindDialog(HWND hwnd, LPARAM found) {
    wchar_t cls[16] = {};
    ::GetClassNameW(hwnd, cls, 16);
    if (::IsWindowVisible(hwnd) && std::wstring(cls) == L"#32770") {
        *reinterpret_cast<HWND*>(found) = hwnd;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK WhenShown(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&box));
    if (!box) return;  // not up yet: the next tick
    ::KillTimer(nullptr, timer);
    g_onShown(box);
}

// Runs fn(box) 300 ms after the box has shown, from inside its modal loop.
void OnceShown(std::function<void(HWND)> fn) {
    g_onShown = std::move(fn);
    ::SetTimer(nullptr, 0, 300, WhenShown);
}

void Click(HWND button) {
    ::PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    ::PostMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
}

void Key(HWND box, WPARAM vk) {
    HWND focus = ::GetFocus();
    ::PostMessageW(focus ? focus : box, WM_KEYDOWN, vk, 1);
    ::PostMessageW(focus ? focus : box, WM_KEYUP, vk, 0xC0000001);
}

RECT ChildRect(HWND box, int id) {
    RECT r = {};
    ::GetWindowRect(::GetDlgItem(box, id), &r);
    ::MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

class MessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Away from the pointer (the middle of the screen), so no button hovers.
        owner_ = CreatePlainWindow(L"owner", 0, 0, 400, 300, WS_POPUP | WS_VISIBLE);
        Pump(100);
    }
    void TearDown() override { ::DestroyWindow(owner_); }

    GdiplusSession gdiplus_;
    HWND owner_ = nullptr;
};

TEST_F(MessageBoxTest, AnswersByKeyAndButton) {
    const struct {
        const char* what;
        std::function<void(HWND)> act;
        INT_PTR answer;
    } cases[] = {
        {"Enter", [](HWND box) { Key(box, VK_RETURN); }, IDOK},
        {"Escape", [](HWND box) { Key(box, VK_ESCAPE); }, IDCANCEL},
        {"OK", [](HWND box) { Click(::GetDlgItem(box, IDOK)); }, IDOK},
        {"Cancel", [](HWND box) { Click(::GetDlgItem(box, IDCANCEL)); }, IDCANCEL},
        {"close cross", [](HWND box) { Click(::GetDlgItem(box, IDC_BOX_CLOSE)); }, IDCANCEL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        bool ownerDisabled = false;
        OnceShown([&](HWND box) {
            ownerDisabled = !::IsWindowEnabled(owner_);
            c.act(box);
        });
        EXPECT_EQ(ShowMessageBox(L"关闭提示", L"是否退出Vexaria极速登录器？", owner_), c.answer);
        EXPECT_TRUE(ownerDisabled);
        EXPECT_TRUE(::IsWindowEnabled(owner_));
    }
}

TEST_F(MessageBoxTest, LayoutTitleAndDragByTheFace) {
    RECT box = {}, client = {}, ownerRect = {};
    RECT close = {}, ok = {}, cancel = {};
    std::wstring title(32, L'\0');
    LRESULT faceHit = 0, outsideHit = 0;
    OnceShown([&](HWND hwnd) {
        ::GetWindowRect(hwnd, &box);
        ::GetClientRect(hwnd, &client);
        close = ChildRect(hwnd, IDC_BOX_CLOSE);
        ok = ChildRect(hwnd, IDOK);
        cancel = ChildRect(hwnd, IDCANCEL);
        title.resize(::GetWindowTextW(hwnd, &title[0], 32));
        faceHit = ::SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(box.left + 128, box.top + 50));
        outsideHit = ::SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(box.right + 5, box.top + 50));
        ::PostMessageW(hwnd, WM_COMMAND, IDCANCEL, 0);
    });
    CCustomMessageBox plain;  // no SetMessage
    plain.DoModal(owner_);

    EXPECT_EQ(title, L"温馨提示");
    EXPECT_EQ(box.right - box.left, 256);
    EXPECT_EQ(box.bottom - box.top, 110);
    EXPECT_EQ(client.right, 256);
    EXPECT_EQ(client.bottom, 110);
    const RECT expected[] = {{237, 10, 246, 19}, {36, 66, 118, 100}, {138, 66, 220, 100}};
    const RECT* shown[] = {&close, &ok, &cancel};
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(::EqualRect(shown[i], &expected[i])) << "button " << i;
    // Centred over the owner at its own size.
    ::GetWindowRect(owner_, &ownerRect);
    EXPECT_NEAR(box.left + box.right, ownerRect.left + ownerRect.right, 1);
    EXPECT_NEAR(box.top + box.bottom, ownerRect.top + ownerRect.bottom, 1);
    EXPECT_EQ(faceHit, HTCAPTION);
    EXPECT_EQ(outsideHit, HTNOWHERE);
}

// Long texts stay inside their rectangles: the title in 78..178 x 8..33,
// the text in 28..228 x 35..65.
TEST_F(MessageBoxTest, LongTextsStayInTheirRectangles) {
    std::vector<Pixels> shots;
    auto show = [&](const std::wstring& title, const std::wstring& text) {
        OnceShown([&](HWND hwnd) {
            shots.push_back(Pixels::OfWindow(hwnd));
            ::PostMessageW(hwnd, WM_COMMAND, IDCANCEL, 0);
        });
        ShowMessageBox(title, text, owner_);
    };
    show(L"", L"");
    show(L"关闭提示关闭提示关闭提示关闭提示关闭提示",
         L"您是否退出当前服务器，重新选择新服务器？您是否退出当前服务器，重新选择新服务器？"
         L"您是否退出当前服务器，重新选择新服务器？");
    ASSERT_EQ(shots.size(), 2u);
    const Pixels& empty = shots[0];
    const Pixels& full = shots[1];
    ASSERT_EQ(full.Width(), 256);
    auto inside = [](int x, int y, int l, int t, int r, int b) { return x >= l && x < r && y >= t && y < b; };
    int titleInk = 0, textInk = 0, stray = 0;
    for (int y = 0; y < 110; ++y)
        for (int x = 0; x < 256; ++x) {
            if (full.At(x, y).Near(empty.At(x, y), 8)) continue;
            if (inside(x, y, 78, 8, 178, 33)) ++titleInk;
            else if (inside(x, y, 28, 35, 228, 65)) ++textInk;
            else ++stray;
        }
    EXPECT_GT(titleInk, 100);
    EXPECT_GT(textInk, 200);
    EXPECT_EQ(stray, 0);
}

// ------------------------------------------------------------- CMenbanDlg

class MaskTest : public ::testing::Test {
protected:
    void SetUp() override {
        owner_ = CreatePlainWindow(L"main", 0, 0, 1000, 700, WS_POPUP | WS_VISIBLE);
        ASSERT_TRUE(mask_.Create(owner_));
    }
    void TearDown() override {
        mask_.DestroyWindow();
        ::DestroyWindow(owner_);
    }
    // What the main window does for each cleaning run.
    void ShowOverOwner() {
        RECT r = {};
        ::GetWindowRect(owner_, &r);
        ::SetWindowPos(mask_.m_hWnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        ::ShowWindow(mask_.m_hWnd, SW_SHOW);
        Pump(300);
    }
    Pixels FrameSquare() {
        HDC dc = ::GetDC(mask_.m_hWnd);
        Pixels p(dc, 488, 298, 23, 23);
        ::ReleaseDC(mask_.m_hWnd, dc);
        return p;
    }

    GdiplusSession gdiplus_;
    HWND owner_ = nullptr;
    CMenbanDlg mask_;
};

TEST_F(MaskTest, HiddenTranslucentLayer) {
    EXPECT_FALSE(::IsWindowVisible(mask_.m_hWnd));
    EXPECT_EQ(::GetWindow(mask_.m_hWnd, GW_OWNER), owner_);
    EXPECT_TRUE(::GetWindowLongW(mask_.m_hWnd, GWL_EXSTYLE) & WS_EX_LAYERED);
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(::GetLayeredWindowAttributes(mask_.m_hWnd, nullptr, &alpha, &flags));
    EXPECT_EQ(alpha, 229);
    EXPECT_EQ(flags, static_cast<DWORD>(LWA_ALPHA));
}

TEST_F(MaskTest, FaceFrameAndTextOverA1000x700Window) {
    ShowOverOwner();
    const Pixels face = Pixels::OfWindow(mask_.m_hWnd);
    ASSERT_EQ(face.Width(), 1000);
    ASSERT_EQ(face.Height(), 700);
    const Rgb dark = {25, 25, 25};  // black at alpha 230 over white
    EXPECT_TRUE(face.At(3, 3).Near(dark, 2));
    EXPECT_TRUE(face.At(996, 696).Near(dark, 2));
    auto lit = [&](Rgb c) { return !c.Near(dark, 6); };
    const int frame = face.Count(488, 298, 511, 321, lit);
    const int text = face.Count(400, 334, 600, 365, lit);
    EXPECT_GT(frame, 20);
    EXPECT_GT(text, 150);
    EXPECT_EQ(face.Count(0, 0, 1000, 700, lit), frame + text) << "drawing outside the frame and the text box";
    // The mask, not the window below, takes the clicks.
    EXPECT_EQ(::WindowFromPoint(POINT{500, 600}), mask_.m_hWnd);
}

TEST_F(MaskTest, FramesCycleOnTimer5000Only) {
    ShowOverOwner();
    const Pixels before = FrameSquare();
    ::SendMessageW(mask_.m_hWnd, WM_TIMER, 77, 0);  // not the animation's timer
    EXPECT_TRUE(FrameSquare() == before);
    std::vector<Pixels> shots;
    for (int i = 0; i < 9; ++i) {
        ::SendMessageW(mask_.m_hWnd, WM_TIMER, TIMER_MASK_ANIMATION, 0);
        shots.push_back(FrameSquare());
    }
    // 276, 277, 278, 279, 276, ...: four different frames, then round again.
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(shots[i] != shots[i + 1]) << i;
        EXPECT_TRUE(shots[i] == shots[i + 4]) << i;
    }
    EXPECT_TRUE(shots[0] == before);  // the first tick shows the first frame again
}
}  // namespace
