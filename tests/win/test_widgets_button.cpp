// The skinned button in a real window: its three looks over the parent's
// background, the captured background and a moved button's, hover and press, double clicks and the
// tool tip.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "tests/win/SkinTestWindows.h"
#include "tests/win/TestAccess.h"
#include "widgets/Images.h"
#include "widgets/TouchButton.h"

namespace {
const int kButtonId = 1032;
const int kSplitX = 100;  // the parent is painted in two colours, split here
const int kButtonX = 80, kButtonY = 30, kButtonW = 40, kButtonH = 30;

// A parent painted in two halves that counts its button's notifications.
class Parent : public CWindow {
public:
    COLORREF left = RGB(30, 90, 160), right = RGB(200, 60, 40);
    int clicks = 0, doubleClicks = 0;

    Rgb At(int x) const {
        const COLORREF c = x < kSplitX ? left : right;
        return {GetRValue(c), GetGValue(c), GetBValue(c)};
    }

protected:
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        if (msg == WM_ERASEBKGND) {
            HDC dc = reinterpret_cast<HDC>(wp);
            RECT r = {};
            ::GetClientRect(m_hWnd, &r);
            RECT a = r, b = r;
            a.right = b.left = kSplitX;
            GdiObject<HBRUSH> la(::CreateSolidBrush(left)), rb(::CreateSolidBrush(right));
            ::FillRect(dc, &a, la.Get());
            ::FillRect(dc, &b, rb.Get());
            result = TRUE;
            return true;
        }
        if (msg == WM_COMMAND && LOWORD(wp) == kButtonId) {
            clicks += HIWORD(wp) == BN_CLICKED;
            doubleClicks += HIWORD(wp) == BN_DOUBLECLICKED;
        }
        return false;
    }
};

class TouchButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        parentWnd_ = CreatePlainWindow(L"touch", 100, 100, 200, 100);
        ASSERT_TRUE(parent_.SubclassWindow(parentWnd_));
        HWND button = ::CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 10, 10,
                                        parentWnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)),
                                        ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_TRUE(button_.SubclassWindow(button));
        // Larger than its 28 x 26 images, across the parent's two colours.
        ::SetWindowPos(button, nullptr, kButtonX, kButtonY, kButtonW, kButtonH, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    void TearDown() override { ::DestroyWindow(parentWnd_); }

    void Show() {
        ::ShowWindow(parentWnd_, SW_SHOWNA);
        ::UpdateWindow(parentWnd_);
        Pump(300);
    }

    // Every pixel of the button against the image composed over the
    // parent's colours; outside the image, the parent's colours alone.
    void ExpectLook(UINT imageId, bool hover) {
        CGdiPlusBitmapResource image;
        const bool haveImage = image.Load(imageId);
        const int iw = haveImage ? static_cast<int>(image.m_pBitmap->GetWidth()) : 0;
        const int ih = haveImage ? static_cast<int>(image.m_pBitmap->GetHeight()) : 0;
        const Pixels shown = Pixels::OfWindow(button_.m_hWnd);
        ASSERT_EQ(shown.Width(), kButtonW);
        int wrong = 0;
        for (int y = 0; y < kButtonH; ++y)
            for (int x = 0; x < kButtonW; ++x) {
                const Rgb below = parent_.At(kButtonX + x);
                Rgb expected = below;
                if (x < iw && y < ih) {
                    Gdiplus::Color c;
                    image.m_pBitmap->GetPixel(x, y, &c);
                    expected = Over(c, below, hover);
                }
                if (!shown.At(x, y).Near(expected, 3) && wrong++ < 3)
                    ADD_FAILURE() << "image " << imageId << " at " << x << "," << y << ": shown " << shown.At(x, y).r
                                  << "," << shown.At(x, y).g << "," << shown.At(x, y).b << " expected " << expected.r
                                  << "," << expected.g << "," << expected.b;
            }
        EXPECT_EQ(wrong, 0) << "image " << imageId;
    }

    // The button's tool-tip window, or null.
    HWND Tip() const { return CTouchButtonTestAccess::ToolTipWindow(button_); }

    std::wstring TipText() {
        wchar_t buffer[80] = {};
        TOOLINFOW tool = {};
        tool.cbSize = sizeof(tool);
        tool.hwnd = button_.m_hWnd;
        tool.uId = 1;
        tool.lpszText = buffer;
        ::SendMessageW(Tip(), TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&tool));
        return buffer;
    }

    GdiplusSession gdiplus_;
    HWND parentWnd_ = nullptr;
    Parent parent_;
    CTouchButton button_;
};

TEST_F(TouchButtonTest, BecomesOwnerDrawn) {
    EXPECT_EQ(::GetWindowLongW(button_.m_hWnd, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
}

TEST_F(TouchButtonTest, ShowsEachLookOverTheParentsPixels) {
    EXPECT_TRUE(button_.SetImages(207, 208, 227));
    Show();
    ExpectLook(207, false);

    ::SendMessageW(button_.m_hWnd, WM_MOUSEHOVER, 0, MAKELPARAM(5, 5));
    Pump(100);
    ExpectLook(208, true);  // the hover image, brightened

    ::SendMessageW(button_.m_hWnd, BM_SETSTATE, TRUE, 0);  // held down while hovered
    Pump(100);
    ExpectLook(227, false);
    ::SendMessageW(button_.m_hWnd, BM_SETSTATE, FALSE, 0);
    Pump(100);
    ExpectLook(208, true);

    ::SendMessageW(button_.m_hWnd, WM_MOUSELEAVE, 0, 0);
    Pump(100);
    ExpectLook(207, false);
}

TEST_F(TouchButtonTest, KeepsTheBackgroundItCaptured) {
    button_.SetImages(207, 208, 227);
    Show();
    const Rgb oldRight = parent_.At(kSplitX);
    parent_.right = RGB(20, 200, 20);  // the parent's skin changes behind the button
    ::RedrawWindow(parentWnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump(100);
    const Pixels parentShown = Pixels::OfWindow(parentWnd_);
    EXPECT_TRUE(parentShown.At(150, 10).Near(parent_.At(150), 1));
    const Pixels shown = Pixels::OfWindow(button_.m_hWnd);
    EXPECT_TRUE(shown.At(kButtonW - 2, kButtonH - 2).Near(oldRight, 1));
}

// A button can be drawn before its parent's layout has placed it (a focused
// button paints at once, even before its parent has painted): at its final
// place it shows the parent's background there, not what was behind it first.
TEST_F(TouchButtonTest, MovedButtonShowsTheBackgroundOfItsNewPlace) {
    button_.SetImages(207, 208, 227);
    ::SetWindowPos(button_.m_hWnd, nullptr, 0, 0, kButtonW, kButtonH, SWP_NOZORDER | SWP_NOACTIVATE);
    ::SendMessageW(button_.m_hWnd, WM_SETFOCUS, 0, 0);  // drawn at once, at the first place
    Show();
    ::SetWindowPos(button_.m_hWnd, nullptr, kButtonX, kButtonY, kButtonW, kButtonH, SWP_NOZORDER | SWP_NOACTIVATE);
    ::RedrawWindow(button_.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Pump(100);
    ExpectLook(207, false);
}

TEST_F(TouchButtonTest, ImagesThatDoNotLoadShowTheBackground) {
    EXPECT_FALSE(button_.SetImages(9001, 9002, 9003));
    Show();
    ExpectLook(9001, false);
}

TEST_F(TouchButtonTest, DoubleClickIsTwoClicks) {
    button_.SetImages(207, 208, 227);
    Show();
    HWND b = button_.m_hWnd;
    const LPARAM at = MAKELPARAM(5, 5);
    for (UINT msg : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
        ::PostMessageW(b, msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, at);
    Pump(200);
    EXPECT_EQ(parent_.clicks, 2);
    EXPECT_EQ(parent_.doubleClicks, 0);
}

TEST_F(TouchButtonTest, ToolTipKeepsItsTextAndGoesWithTheImages) {
    button_.SetImages(252, 253, 261);
    Show();
    EXPECT_EQ(Tip(), nullptr);
    button_.SetTooltipText(L"", true);  // nothing to show: no tip is made
    EXPECT_EQ(Tip(), nullptr);

    button_.SetTooltipText(L"清除缓存", true);
    ASSERT_NE(Tip(), nullptr);
    EXPECT_EQ(TipText(), L"清除缓存");
    button_.SetTooltipText(L"", true);
    EXPECT_EQ(TipText(), L"清除缓存");
    EXPECT_EQ(::SendMessageW(Tip(), TTM_GETDELAYTIME, TTDT_AUTOPOP, 0), 2000 * 10);
    EXPECT_EQ(::SendMessageW(Tip(), TTM_GETDELAYTIME, TTDT_INITIAL, 0), 2000);

    ::SendMessageW(button_.m_hWnd, WM_MOUSEHOVER, 0, 0);  // the hover makes the tip anew
    ASSERT_NE(Tip(), nullptr);
    EXPECT_EQ(TipText(), L"清除缓存");

    HWND tip = Tip();
    button_.ReleaseImages();
    EXPECT_EQ(Tip(), nullptr);
    EXPECT_FALSE(::IsWindow(tip));
}
}  // namespace
