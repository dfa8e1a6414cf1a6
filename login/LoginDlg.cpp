#include "login/LoginDlg.h"

#include <gdiplus.h>

#include <cstdlib>

#include "app/FileUtils.h"
#include "app/FixedTexts.h"
#include "app/Shell.h"
#include "base/Text.h"
#include "login/GameCode.h"
#include "login/Setup.h"
#include "res/resource.h"
#include "widgets/Images.h"
#include "widgets/MessageBox.h"

namespace {
const int kWidth = 660;  // the skin bitmap's size
const int kHeight = 399;
const COLORREF kColourKey = RGB(0, 255, 0);
const BYTE kOpacity = 250;
const int kPageTop = 21;     // skin strips above and below the page
const int kPageBottom = 18;
const int kDragStrip = 40;   // a press this close to the top drags the window
const UINT kMinimizeImages[] = {310, 311, 312};
const UINT kCloseImages[] = {307, 308, 309};

bool InWindowRect(HWND hwnd, POINT pt) {
    RECT rc = {};
    return hwnd && ::GetWindowRect(hwnd, &rc) && ::PtInRect(&rc, pt);
}

void PlaceButton(CTouchButton& button, int x, int y, int size, const UINT (&images)[3]) {
    ::SetWindowPos(button.m_hWnd, nullptr, x, y, size, size, SWP_NOZORDER | SWP_NOACTIVATE);
    // A button reaching below the top strip would lay its skin background
    // over the page's first rows: only its part over the strip is shown.
    if (y + size > kPageTop) {
        HRGN strip = ::CreateRectRgn(0, 0, size, kPageTop - y);
        if (strip && !::SetWindowRgn(button.m_hWnd, strip, FALSE)) ::DeleteObject(strip);  // else the window owns it
    }
    button.SetImages(images[0], images[1], images[2]);
    ::BringWindowToTop(button.m_hWnd);
}
}  // namespace

CKestroLogin::CKestroLogin() : CDialogBase(IDD_LOGIN) {}

CKestroLogin::~CKestroLogin() = default;

void CKestroLogin::DoDataExchange() {
    m_btnMin.SubclassDlgItem(IDC_LOGIN_MINIMIZE, m_hWnd);
    m_btnClose.SubclassDlgItem(IDC_LOGIN_CLOSE, m_hWnd);
}

BOOL CKestroLogin::OnInitDialog() {
    CDialogBase::OnInitDialog();
    ::SetWindowTextW(m_hWnd, LoadStr(IDS_PRODUCT_NAME).c_str());
    ::SetWindowLongW(m_hWnd, GWL_EXSTYLE, ::GetWindowLongW(m_hWnd, GWL_EXSTYLE) | WS_EX_LAYERED);
    ::SetLayeredWindowAttributes(m_hWnd, kColourKey, kOpacity, LWA_COLORKEY | LWA_ALPHA);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, kWidth, kHeight, SWP_NOMOVE | SWP_NOZORDER);
    // The taskbar button can still minimise and close the window.
    const LONG style = ::GetWindowLongW(m_hWnd, GWL_STYLE);
    ::SetWindowLongW(m_hWnd, GWL_STYLE, (style | WS_SYSMENU | WS_MINIMIZEBOX) & ~WS_CAPTION);

    // The brush keeps a copy of the pixels.
    GdiObject<HBITMAP> skin(::LoadBitmapW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_LOGIN_SKIN)));
    if (skin) m_bkBrush.Reset(::CreatePatternBrush(skin.Get()));

    m_pBrowser.reset(new WebFormLogin(m_hWnd, this));
    m_pBrowser->InPlaceActivate();

    RECT r = {};
    ::GetClientRect(m_hWnd, &r);
    PlaceButton(m_btnMin, r.right - 53, 2, 20, kMinimizeImages);
    PlaceButton(m_btnClose, r.right - 30, 0, 25, kCloseImages);

    // Every start installs, repairs or upgrades the client before the page is asked for.
    InstallClient();

    m_pBrowser->m_rcDisplay = RECT{r.left, r.top + kPageTop, r.right, r.bottom - kPageBottom};
    std::wstring url = LoadStr(IDS_GAMECODE_URL);
    BuildLoginUrl(url);
    m_pBrowser->Navigate(url);
    // Nothing of the page shows before its first document has loaded.
    m_pBrowser->SetBrowserRect(RECT{0, 0, 0, 0});
    return TRUE;
}

bool CKestroLogin::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    // While an update downloads, a command that another thread sends (let
    // through as the download answers the system) is dropped: the update
    // runs to its end undisturbed.
    if (m_progress.Visible() && (msg == WM_COMMAND || msg == WM_SYSCOMMAND)) {
        result = 0;
        return true;
    }
    switch (msg) {
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) != SC_CLOSE) return false;
        OnCloseCommand();
        result = 0;
        return true;
    case WM_CTLCOLORDLG:
        if (reinterpret_cast<HWND>(lp) != m_hWnd || !m_bkBrush) return false;
        result = reinterpret_cast<LRESULT>(m_bkBrush.Get());
        return true;
    case WM_NCHITTEST:
        // The uncovered skin drags the window.
        result = ::DefWindowProcW(m_hWnd, msg, wp, lp);
        if (result == HTCLIENT) result = HTCAPTION;
        return true;
    case WM_PAINT:
        OnPaint();
        result = 0;
        return true;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDM_GAMECODE_READY:
            OnGameCodeReady();
            return true;
        case IDC_LOGIN_MINIMIZE:
            ::ShowWindow(m_hWnd, SW_MINIMIZE);
            return true;
        case IDC_LOGIN_CLOSE:
            OnCloseCommand();
            return true;
        }
        break;
    }
    return CDialogBase::OnMessage(msg, wp, lp, result);
}

BOOL CKestroLogin::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_KEYDOWN) {
        // Ctrl as it was when this key was pressed: the keyboard's state now
        // may be later than the message (typed ahead, a busy machine).
        const bool ctrl = ::GetKeyState(VK_CONTROL) < 0;
        const WPARAM key = msg->wParam;
        if (key == VK_TAB || (ctrl && (key == 'A' || key == 'C' || key == 'V' || key == 'X')))
            return ForwardKeyToPage(msg);
        // Every other key goes its ordinary way: the dialog's own keys (Enter,
        // Escape) never close the login window.
        return FALSE;
    }
    if (msg->message == WM_LBUTTONDOWN) StartDragFromStrip(msg);
    return CDialogBase::PreTranslateMessage(msg);
}

// The page gets Tab and the clipboard keys as its own accelerators.
BOOL CKestroLogin::ForwardKeyToPage(MSG* msg) {
    IWebBrowser2* browser = m_pBrowser ? m_pBrowser->GetWebBrowser() : nullptr;
    if (!browser) return FALSE;  // no page yet: the key goes the ordinary way
    MSG forward = *msg;
    forward.hwnd = m_pBrowser->FindIEServerWindow();
    ComPtr<IDispatch> document;
    if (FAILED(browser->get_Document(document.Put())) || !document) return FALSE;
    ComPtr<IOleInPlaceActiveObject> active = document.As<IOleInPlaceActiveObject>();
    if (!active) return CDialogBase::PreTranslateMessage(msg);
    return active->TranslateAccelerator(&forward) == S_OK;
}

// A press in the top strip, outside both buttons, drags the window (also
// over the top of the page); the press still reaches its target afterwards.
void CKestroLogin::StartDragFromStrip(const MSG* msg) {
    RECT strip = {};
    ::GetWindowRect(m_hWnd, &strip);
    strip.bottom = strip.top + kDragStrip;
    if (!::PtInRect(&strip, msg->pt) || InWindowRect(m_btnClose.m_hWnd, msg->pt) ||
        InWindowRect(m_btnMin.m_hWnd, msg->pt))
        return;
    ::SendMessageW(m_hWnd, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
}

void CKestroLogin::OnGameCodeReady() {
    // Every navigation of the page comes here; only the game URL ends the window.
    if (!IsGameCodeUrl(g_strNavigateUrl)) return;
    m_strGameUrl = g_strNavigateUrl;
    OnOK();
}

void CKestroLogin::OnCloseCommand() {
    const std::wstring product = LoadStr(IDS_PRODUCT_NAME);
    if (ShowMessageBox(kCloseCaption, FormatText(kCloseQuestion, product.c_str()), m_hWnd) != IDOK) return;
    m_btnMin.ReleaseImages();
    m_btnClose.ReleaseImages();
    m_pBrowser.reset();
    exit(0);  // nothing to save; the main window never appears
}

// The skin comes from the dialog's background brush; the face adds the
// client's version in the bottom-right corner.
void CKestroLogin::OnPaint() {
    PaintDc paint(m_hWnd);
    const HDC dc = paint.Get();
    RECT client = {};
    ::GetClientRect(m_hWnd, &client);
    {
        Gdiplus::Graphics graphics(dc);
        std::unique_ptr<Gdiplus::Font> font = CreateSkinFont(10.0f, Gdiplus::FontStyleRegular);
        Gdiplus::RectF box(static_cast<Gdiplus::REAL>(client.right - 60), static_cast<Gdiplus::REAL>(client.bottom - 33),
                           200.0f, 31.0f);
        Gdiplus::SolidBrush brush{Gdiplus::Color(0xFFCBAE5B)};
        Gdiplus::StringFormat format;
        format.SetAlignment(Gdiplus::StringAlignmentNear);
        format.SetTrimming(Gdiplus::StringTrimmingEllipsisCharacter);
        const std::wstring version = GetFileVersionString(GetModulePath());
        if (font) graphics.DrawString(version.c_str(), static_cast<INT>(version.size()), font.get(), box, &format, &brush);
    }
    m_progress.Paint(dc, m_bkBrush.Get());
}

void CKestroLogin::OnDownloadProgress(long long received, long long total) {
    m_progress.Show(m_hWnd, m_bkBrush.Get(), received, total);
}

void CKestroLogin::OnDownloadEnd() { m_progress.Hide(m_hWnd); }
