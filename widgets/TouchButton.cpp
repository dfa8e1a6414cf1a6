#include "widgets/TouchButton.h"

#include <commctrl.h>
#include <gdiplus.h>

#include "widgets/Images.h"

namespace {
const UINT_PTR kToolId = 1;
const DWORD kHoverTimeMs = 1;
const int kTipDelayMs = 2000;

// Each colour channel c becomes 1.05 c + 0.05; alpha is kept.
Gdiplus::ColorMatrix HoverMatrix() {
    return {{{1.05f, 0, 0, 0, 0},
             {0, 1.05f, 0, 0, 0},
             {0, 0, 1.05f, 0, 0},
             {0, 0, 0, 1, 0},
             {0.05f, 0.05f, 0.05f, 0, 1}}};
}

SIZE ClientSize(HWND hwnd) {
    RECT r = {};
    ::GetClientRect(hwnd, &r);
    return {r.right - r.left, r.bottom - r.top};
}
}  // namespace

// ---------------------------------------------------------------- CachedDc

CTouchButton::CachedDc::~CachedDc() {
    if (m_old) ::SelectObject(m_dc.Get(), m_old);
}

bool CTouchButton::CachedDc::Create(HDC like, int w, int h) {
    m_dc.Reset(::CreateCompatibleDC(like));
    m_bitmap.Reset(::CreateCompatibleBitmap(like, w, h));
    if (!m_dc || !m_bitmap) {
        m_dc.Reset();
        return false;
    }
    m_old = ::SelectObject(m_dc.Get(), m_bitmap.Get());
    return true;
}

bool CTouchButton::CachedDc::CopyFrom(HDC like, int w, int h, HDC source, int x, int y) {
    return Create(like, w, h) && ::BitBlt(m_dc.Get(), 0, 0, w, h, source, x, y, SRCCOPY) != FALSE;
}

// ------------------------------------------------------------ CTouchButton

CTouchButton::CTouchButton() = default;

CTouchButton::~CTouchButton() { ReleaseImages(); }

bool CTouchButton::SetImages(UINT normal, UINT hover, UINT pressed) {
    m_pImgHover = std::make_unique<CGdiPlusBitmapResource>();
    m_pImgNormal = std::make_unique<CGdiPlusBitmapResource>();
    m_pImgPressed = std::make_unique<CGdiPlusBitmapResource>();
    const bool loaded = m_pImgHover->Load(hover);
    m_pImgNormal->Load(normal);
    m_pImgPressed->Load(pressed);
    return loaded;
}

void CTouchButton::ReleaseImages() {
    m_pImgHover.reset();
    m_pImgNormal.reset();
    m_pImgPressed.reset();
    DestroyToolTip();
}

void CTouchButton::DestroyToolTip() {
    // The system destroys an owned popup with its owner: the handle may be gone already.
    if (m_pTip && ::IsWindow(m_pTip)) ::DestroyWindow(m_pTip);
    m_pTip = nullptr;
}

void CTouchButton::SetTooltipText(const std::wstring& text, bool activate) {
    if (text.empty() || !m_hWnd) return;
    if (!m_pTip) {
        m_pTip = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr, ::GetModuleHandleW(nullptr),
                                   nullptr);
        if (!m_pTip) return;
        ::SendMessageW(m_pTip, TTM_ACTIVATE, TRUE, 0);
    }
    m_strTip = text;

    TOOLINFOW tool = {};
    tool.cbSize = sizeof(tool);
    tool.hwnd = m_hWnd;
    tool.uId = kToolId;
    tool.lpszText = const_cast<wchar_t*>(m_strTip.c_str());  // the control keeps its own copy
    ::GetClientRect(m_hWnd, &tool.rect);
    if (::SendMessageW(m_pTip, TTM_GETTOOLCOUNT, 0, 0) == 0)
        ::SendMessageW(m_pTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    ::SendMessageW(m_pTip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));

    ::SendMessageW(m_pTip, TTM_SETDELAYTIME, TTDT_AUTOMATIC, kTipDelayMs);
    ::SendMessageW(m_pTip, TTM_ACTIVATE, activate ? TRUE : FALSE, 0);
}

BOOL CTouchButton::PreTranslateMessage(MSG* msg) {
    // A quick second click is a second press, not a double click.
    if (msg->message == WM_LBUTTONDBLCLK && msg->hwnd == m_hWnd) msg->message = WM_LBUTTONDOWN;
    if (m_pTip) ::SendMessageW(m_pTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
    return CWindow::PreTranslateMessage(msg);
}

void CTouchButton::PreSubclassWindow() {
    const LONG style = ::GetWindowLongW(m_hWnd, GWL_STYLE);
    ::SetWindowLongW(m_hWnd, GWL_STYLE, (style & ~BS_TYPEMASK) | BS_OWNERDRAW);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CTouchButton::OnMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) {
    switch (msg) {
    case WM_ERASEBKGND:  // every pixel comes from a cached look
        result = TRUE;
        return true;
    case WM_MOUSEMOVE:
        OnMouseMove();
        return false;
    case WM_MOUSEHOVER:
        OnMouseHover();
        result = 0;
        return true;
    case WM_MOUSELEAVE:
        OnMouseLeave();
        result = 0;
        return true;
    }
    return false;
}

bool CTouchButton::OnReflectedMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg == WM_CTLCOLORBTN) {
        // Sent right before each draw request, with the parent already painted.
        PrepareLooks(reinterpret_cast<HDC>(wp));
        return false;  // no brush of our own: the parent's default applies
    }
    if (msg == WM_DRAWITEM) {
        DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
        result = TRUE;
        return true;
    }
    return false;
}

void CTouchButton::OnMouseMove() {
    if (m_bTracking) return;
    TRACKMOUSEEVENT track = {sizeof(track), TME_HOVER | TME_LEAVE, m_hWnd, kHoverTimeMs};
    m_bTracking = ::TrackMouseEvent(&track) != FALSE;
}

void CTouchButton::OnMouseHover() {
    m_bHover = true;
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
    DestroyToolTip();
    SetTooltipText(m_strTip, true);
    if (m_pTip) ::SendMessageW(m_pTip, TTM_UPDATE, 0, 0);
}

void CTouchButton::OnMouseLeave() {
    m_bTracking = false;
    m_bHover = false;
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

// ------------------------------------------------------------------ looks

// The looks belong to one place: a button can be drawn before its parent's
// layout has placed it (a focused button paints at once), so a button that
// was moved or resized since gets new ones.
void CTouchButton::PrepareLooks(HDC dc) {
    if (!m_pImgNormal || !m_pImgHover || !m_pImgPressed) return;
    const RECT place = PlaceInParent();
    if (m_bPrepared && ::EqualRect(&place, &m_preparedPlace)) return;
    const SIZE size = ClientSize(m_hWnd);
    const RECT client = {0, 0, size.cx, size.cy};
    CMyMemDC memory(dc, &client);  // its end copies the last composition to dc

    CaptureParentBackground(place);
    ComposeLook(memory, size.cx, size.cy, m_pImgNormal.get(), false, m_dcNormal);
    ComposeLook(memory, size.cx, size.cy, m_pImgPressed.get(), false, m_dcPressed);
    ComposeLook(memory, size.cx, size.cy, m_pImgHover.get(), true, m_dcHover);
    if (!m_pCurDC) m_pCurDC = &m_dcNormal;
    m_bPrepared = true;
    m_preparedPlace = place;
}

RECT CTouchButton::PlaceInParent() const {
    RECT r = {};
    ::GetWindowRect(m_hWnd, &r);
    ::MapWindowPoints(nullptr, ::GetParent(m_hWnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The parent draws its background (every skinned parent draws it on erase)
// straight into the cache, shifted so that the button's place lands at
// (0, 0): unlike its pixels on screen, this does not depend on whether the
// parent has been painted yet.
void CTouchButton::CaptureParentBackground(const RECT& place) {
    HWND parent = ::GetParent(m_hWnd);
    WindowDc parentDc(parent);
    if (!parentDc) return;
    if (m_dcBack.Create(parentDc.Get(), place.right - place.left, place.bottom - place.top)) {
        HDC dc = m_dcBack.Get();
        POINT origin = {};
        ::SetWindowOrgEx(dc, place.left, place.top, &origin);
        ::SetBrushOrgEx(dc, -place.left, -place.top, nullptr);  // pattern brushes stay aligned with the parent
        ::SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        ::SetWindowOrgEx(dc, origin.x, origin.y, nullptr);
        ::SetBrushOrgEx(dc, 0, 0, nullptr);
    }
}

// One look: the captured background with the image drawn over it at its own
// size, kept in look.
void CTouchButton::ComposeLook(HDC memory, int w, int h, CGdiPlusBitmapResource* image, bool hover, CachedDc& look) {
    if (m_dcBack.Get()) ::BitBlt(memory, 0, 0, w, h, m_dcBack.Get(), 0, 0, SRCCOPY);
    if (Gdiplus::Bitmap* bitmap = image->m_pBitmap.get()) {
        Gdiplus::Graphics graphics(memory);  // one per look: its end flushes before the copy below
        const INT iw = static_cast<INT>(bitmap->GetWidth()), ih = static_cast<INT>(bitmap->GetHeight());
        Gdiplus::ImageAttributes attributes;
        Gdiplus::ColorMatrix matrix = HoverMatrix();
        if (hover) attributes.SetColorMatrix(&matrix);
        graphics.DrawImage(bitmap, Gdiplus::Rect(0, 0, iw, ih), 0, 0, iw, ih, Gdiplus::UnitPixel,
                           hover ? &attributes : nullptr);
    }
    look.CopyFrom(memory, w, h, memory, 0, 0);
}

void CTouchButton::DrawItem(const DRAWITEMSTRUCT& item) {
    CachedDc* look = (item.itemState & ODS_SELECTED) ? &m_dcPressed : m_bHover ? &m_dcHover : &m_dcNormal;
    m_pCurDC = look;
    if (!look->Get()) return;  // never prepared: nothing of our own to show
    const SIZE size = ClientSize(m_hWnd);
    ::BitBlt(item.hDC, 0, 0, size.cx, size.cy, look->Get(), 0, 0, SRCCOPY);
}
