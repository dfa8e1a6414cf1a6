#include "widgets/CustomMessageBox.h"

#include <gdiplus.h>

#include "app/FixedTexts.h"
#include "res/resource.h"
#include "widgets/Images.h"

namespace {
const int kBoxWidth = 256;  // the background image's size
const int kBoxHeight = 110;
const UINT kBackground = 306;

struct ButtonPlace {
    int x, y, w, h;
    UINT normal, hover, pressed;
};

void Place(CTouchButton& button, const ButtonPlace& p) {
    ::SetWindowPos(button.m_hWnd, nullptr, p.x, p.y, p.w, p.h, SWP_NOZORDER | SWP_NOACTIVATE);
    button.SetImages(p.normal, p.hover, p.pressed);
}

}  // namespace

CCustomMessageBox::CCustomMessageBox() : CDialogBase(IDD_MESSAGE_BOX), m_strTitle(kDefaultBoxTitle) {}

CCustomMessageBox::~CCustomMessageBox() = default;

void CCustomMessageBox::SetMessage(const std::wstring& title, const std::wstring& text) {
    m_strTitle = title;
    m_strText = text;
}

void CCustomMessageBox::DoDataExchange() {
    m_btnOK.SubclassDlgItem(IDOK, m_hWnd);
    m_btnCancel.SubclassDlgItem(IDCANCEL, m_hWnd);
    m_btnClose.SubclassDlgItem(IDC_BOX_CLOSE, m_hWnd);
}

BOOL CCustomMessageBox::OnInitDialog() {
    CDialogBase::OnInitDialog();
    ::SetWindowTextW(m_hWnd, m_strTitle.c_str());  // the face draws it; the taskbar and tools read it here
    // Centred at its own size: centred at the template's larger size first,
    // the box would sit up and to the left of the middle once it shrank.
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, kBoxWidth, kBoxHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    CenterOnOwner();
    const LONG style = ::GetWindowLongW(m_hWnd, GWL_STYLE);
    ::SetWindowLongW(m_hWnd, GWL_STYLE, (style | WS_SYSMENU | WS_MINIMIZEBOX) & ~WS_CAPTION);
    PlaceButtons();
    m_pBack = LoadPngImage(kBackground);
    return TRUE;
}

// Dialogs whose template gives no position start centred over their owner,
// or over the work area when there is none to see.
void CCustomMessageBox::CenterOnOwner() {
    RECT area = {}, box = {};
    ::GetWindowRect(m_hWnd, &box);
    HMONITOR monitor = ::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST);
    MONITORINFO info = {sizeof(info)};
    ::GetMonitorInfoW(monitor, &info);
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) ::GetWindowRect(owner, &area);
    else area = info.rcWork;

    const int w = box.right - box.left, h = box.bottom - box.top;
    int x = (area.left + area.right - w) / 2, y = (area.top + area.bottom - h) / 2;
    const RECT& work = info.rcWork;  // never off the work area
    if (x + w > work.right) x = work.right - w;
    if (y + h > work.bottom) y = work.bottom - h;
    if (x < work.left) x = work.left;
    if (y < work.top) y = work.top;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CCustomMessageBox::PlaceButtons() {
    RECT c = {};
    ::GetClientRect(m_hWnd, &c);
    Place(m_btnClose, {c.right - 19, 10, 9, 9, 318, 318, 318});
    Place(m_btnOK, {36, c.bottom - 44, 82, 34, 316, 315, 315});
    Place(m_btnCancel, {138, c.bottom - 44, 82, 34, 314, 313, 313});
}

bool CCustomMessageBox::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_ERASEBKGND:
        DrawFace(reinterpret_cast<HDC>(wp));
        result = TRUE;
        return true;
    case WM_NCHITTEST: {
        // The face drags the box; the buttons are windows of their own.
        const LRESULT hit = ::DefWindowProcW(m_hWnd, msg, wp, lp);
        result = hit == HTCLIENT ? HTCAPTION : hit;
        return true;
    }
    case WM_COMMAND:
        if (LOWORD(wp) == IDC_BOX_CLOSE && HIWORD(wp) == BN_CLICKED) {
            OnCancel();
            result = 0;
            return true;
        }
        break;
    }
    return CDialogBase::OnMessage(msg, wp, lp, result);
}

// The whole face, composed off-screen and copied in one block.
void CCustomMessageBox::DrawFace(HDC dc) {
    RECT c = {};
    ::GetClientRect(m_hWnd, &c);
    const int w = c.right, h = c.bottom;
    MemoryDc memory(::CreateCompatibleDC(dc));
    GdiObject<HBITMAP> bitmap(::CreateCompatibleBitmap(dc, w, h));
    if (!memory || !bitmap) return;
    SelectObjectScope select(memory.Get(), bitmap.Get());
    {
        Gdiplus::Graphics graphics(memory.Get());
        if (m_pBack)
            graphics.DrawImage(m_pBack.get(), 0, 0, static_cast<INT>(m_pBack->GetWidth()),
                               static_cast<INT>(m_pBack->GetHeight()));
        const auto titleFont = CreateSkinFont(13, Gdiplus::FontStyleBold);
        const auto textFont = CreateSkinFont(11, Gdiplus::FontStyleRegular);
        Gdiplus::StringFormat format;
        format.SetAlignment(Gdiplus::StringAlignmentCenter);
        format.SetTrimming(Gdiplus::StringTrimmingEllipsisCharacter);
        DrawSkinText(graphics, m_strTitle, *titleFont, 0xFFFFFFFF, Gdiplus::RectF(78, 8, 100, 25), format);
        DrawSkinText(graphics, m_strText, *textFont, 0xFFFFECF7, Gdiplus::RectF(28, 35, 200, 30), format);
    }
    ::BitBlt(dc, 0, 0, w, h, memory.Get(), 0, 0, SRCCOPY);
}
