#include "login/DownloadProgress.h"

#include <gdiplus.h>

#include <memory>
#include <string>

#include "base/Owners.h"
#include "base/Text.h"
#include "widgets/Images.h"

namespace {
// Below the skin's subtitle, clear of the castle on the right.
const RECT kArea = {170, 270, 490, 310};
const RECT kText = {170, 272, 490, 294};
const RECT kBar = {180, 300, 480, 304};
const Gdiplus::ARGB kInk = 0xFFE2D2AC;  // the skin's parchment and gold
const COLORREF kTrack = RGB(0x3B, 0x2B, 0x58);
const COLORREF kFill = RGB(0xE8, 0xC1, 0x70);

void FillSolid(HDC dc, RECT rc, COLORREF colour) {
    GdiObject<HBRUSH> brush(::CreateSolidBrush(colour));
    ::FillRect(dc, &rc, brush.Get());
}

// A window whose thread has not looked at its queue for five seconds is
// reported as not responding (and ghosted). Looking answers that, and
// delivers only the messages other threads send (the system's own
// questions); posted messages and input stay queued, untouched.
void AnswerSentMessages() {
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}
}  // namespace

RECT CDownloadProgress::Area() { return kArea; }

void CDownloadProgress::Paint(HDC target, HBRUSH background) const {
    if (!Visible()) return;
    CMyMemDC dc(target, &kArea);
    // The skin brush's pattern starts at the window's origin, not the buffer's.
    ::SetBrushOrgEx(dc, -kArea.left, -kArea.top, nullptr);
    ::FillRect(dc, &kArea, background ? background : static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));

    const long long received = m_received < 0 ? 0 : m_received > m_total ? m_total : m_received;
    const int percent = static_cast<int>(received * 100 / m_total);
    FillSolid(dc, kBar, kTrack);
    RECT done = kBar;
    done.right = kBar.left + static_cast<LONG>((kBar.right - kBar.left) * received / m_total);
    FillSolid(dc, done, kFill);

    Gdiplus::Graphics graphics(static_cast<HDC>(dc));
    graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
    std::unique_ptr<Gdiplus::Font> font = CreateSkinFont(12.0f, Gdiplus::FontStyleRegular);
    Gdiplus::StringFormat format;
    format.SetAlignment(Gdiplus::StringAlignmentCenter);
    const Gdiplus::RectF box(static_cast<Gdiplus::REAL>(kText.left), static_cast<Gdiplus::REAL>(kText.top),
                             static_cast<Gdiplus::REAL>(kText.right - kText.left),
                             static_cast<Gdiplus::REAL>(kText.bottom - kText.top));
    if (font) DrawSkinText(graphics, FormatText(L"正在下载新版本… %d%%", percent), *font, kInk, box, format);
}

void CDownloadProgress::Show(HWND hwnd, HBRUSH background, long long received, long long total) {
    if (total <= 0) return;
    m_received = received;
    m_total = total;
    // The download can start before the window's first paint has come round
    // (the page's first load runs it): finish what the window and its buttons
    // owe, without running the message loop.
    ::RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    if (WindowDc dc{hwnd}) Paint(dc.Get(), background);
    AnswerSentMessages();
}

void CDownloadProgress::Hide(HWND hwnd) {
    if (!Visible()) return;
    m_total = 0;
    ::InvalidateRect(hwnd, &kArea, TRUE);
}
