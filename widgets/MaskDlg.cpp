#include "widgets/MaskDlg.h"

#include <gdiplus.h>

#include <string>

#include "base/Text.h"
#include "res/resource.h"
#include "widgets/Images.h"

namespace {
const UINT kTexture = 275;
const UINT kFirstFrame = 276;  // 276-279, shown in this order
const BYTE kOpacity = 229;
const int kFrameLift = 40;
const int kTextWidth = 200;
const int kTextHeight = 31;

SIZE ClientSize(HWND hwnd) {
    RECT r = {};
    ::GetClientRect(hwnd, &r);
    return {r.right, r.bottom};
}
}  // namespace

CMenbanDlg::CMenbanDlg() : CDialogBase(IDD_MASK) {}

CMenbanDlg::~CMenbanDlg() = default;

BOOL CMenbanDlg::OnInitDialog() {
    // No controls: nothing for the base initialisation to bind.
    m_pTexture = LoadPngImage(kTexture);
    for (int i = 0; i < 4; ++i) m_pFrames[i] = LoadPngImage(kFirstFrame + i);
    m_pCurFrame = m_pFrames[0].get();
    m_nFrame = 1;
    const LONG exStyle = ::GetWindowLongW(m_hWnd, GWL_EXSTYLE);
    ::SetWindowLongW(m_hWnd, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
    ::SetLayeredWindowAttributes(m_hWnd, 0, kOpacity, LWA_ALPHA);
    return TRUE;
}

bool CMenbanDlg::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_ERASEBKGND:  // the paint covers every pixel
        result = TRUE;
        return true;
    case WM_TIMER:
        OnTimer(wp);
        result = 0;
        return true;
    case WM_PAINT:
        OnPaint();
        result = 0;
        return true;
    }
    return CDialogBase::OnMessage(msg, wp, lp, result);
}

RECT CMenbanDlg::FrameRect() const {
    const SIZE client = ClientSize(m_hWnd);
    const int w = m_pCurFrame ? static_cast<int>(m_pCurFrame->GetWidth()) : 0;
    const int h = m_pCurFrame ? static_cast<int>(m_pCurFrame->GetHeight()) : 0;
    const int left = (client.cx - w) / 2, top = (client.cy - h) / 2 - kFrameLift;
    return {left, top, left + w, top + h};
}

void CMenbanDlg::OnTimer(UINT_PTR id) {
    if (id != TIMER_MASK_ANIMATION) return;
    if (m_nFrame < 1 || m_nFrame > 4) m_nFrame = 1;
    m_pCurFrame = m_pFrames[m_nFrame - 1].get();
    const RECT frame = FrameRect();  // only the frame's square changes
    ::InvalidateRect(m_hWnd, &frame, TRUE);
    ::UpdateWindow(m_hWnd);
    ++m_nFrame;
}

void CMenbanDlg::OnPaint() {
    PaintDc paint(m_hWnd);
    const HDC dc = paint.Get();
    const SIZE client = ClientSize(m_hWnd);
    MemoryDc memory(::CreateCompatibleDC(dc));
    GdiObject<HBITMAP> bitmap(::CreateCompatibleBitmap(dc, client.cx, client.cy));
    if (memory && bitmap) {
        SelectObjectScope select(memory.Get(), bitmap.Get());
        const RECT all = {0, 0, client.cx, client.cy};
        ::FillRect(memory.Get(), &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        {
            Gdiplus::Graphics graphics(memory.Get());
            if (m_pTexture) {  // black at alpha 230 over white: an almost black face
                Gdiplus::TextureBrush texture(m_pTexture.get());
                texture.TranslateTransform(0, 0);
                graphics.FillRectangle(&texture, 0, 0, client.cx, client.cy);
            }
            if (m_pCurFrame) {
                const RECT frame = FrameRect();
                graphics.DrawImage(m_pCurFrame, static_cast<INT>(frame.left), static_cast<INT>(frame.top),
                                   static_cast<INT>(frame.right - frame.left), static_cast<INT>(frame.bottom - frame.top));
            }
            const std::wstring text = LoadStr(IDS_CLEANING_TEXT);
            const auto font = CreateSkinFont(14, Gdiplus::FontStyleRegular);
            Gdiplus::StringFormat format;
            format.SetAlignment(Gdiplus::StringAlignmentCenter);
            format.SetTrimming(Gdiplus::StringTrimmingEllipsisWord);
            const Gdiplus::RectF box(static_cast<Gdiplus::REAL>((client.cx - kTextWidth) / 2),
                                     static_cast<Gdiplus::REAL>((client.cy - kTextHeight) / 2), kTextWidth,
                                     kTextHeight);
            DrawSkinText(graphics, text, *font, 0xFFFFF5D3, box, format);
        }
        ::BitBlt(dc, 0, 0, client.cx, client.cy, memory.Get(), 0, 0, SRCCOPY);
    }
}
