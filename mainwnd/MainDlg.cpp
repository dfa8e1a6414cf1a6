#include "mainwnd/MainDlg.h"

#include <gdiplus.h>

#include <cstdlib>

#include "app/FixedTexts.h"
#include "app/Shell.h"
#include "base/Text.h"
#include "login/LoginDlg.h"
#include "mainwnd/CacheCleaner.h"
#include "res/resource.h"
#include "widgets/Images.h"
#include "widgets/MaskDlg.h"
#include "widgets/MessageBox.h"

namespace {
const int kStripHeight = 30;
const int kNormalWidth = 1000;
const int kNormalHeight = 700;
const UINT kFitDelayMs = 10;
const UINT kMaskFrameMs = 200;

// The template's eleven buttons, in the order they are bound.
const int kBoundButtons[11] = {IDC_BTN_CLOSE,    IDC_BTN_MAXIMIZE, IDC_BTN_RESTORE,    IDC_BTN_UNUSED2,
                               IDC_BTN_MINIMIZE, IDC_BTN_RESELECT, IDC_BTN_BOSSKEY,    IDC_BTN_FULLSCREEN,
                               IDC_BTN_UNUSED1,  IDC_BTN_REFRESH,  IDC_BTN_CLEANCACHE};

// The nine buttons in use: images (normal, hover, pressed), tool tip, size
// and distance of the left edge from the client area's right edge.
struct TitleButton {
    int id;
    UINT normal, hover, pressed;
    const wchar_t* tip;
    int width, height, fromRight;
};
const TitleButton kTitleButtons[] = {
    {IDC_BTN_CLOSE, 207, 208, 227, L"", 28, 26, 28},
    {IDC_BTN_MAXIMIZE, 220, 213, 228, L"", 28, 26, 57},
    {IDC_BTN_RESTORE, 221, 217, 229, L"", 28, 26, 57},
    {IDC_BTN_MINIMIZE, 209, 210, 230, L"", 28, 26, 86},
    {IDC_BTN_FULLSCREEN, 224, 214, 234, L"全屏/取消全屏（快捷键F11）", 59, 24, 161},
    {IDC_BTN_BOSSKEY, 223, 215, 233, L"老板键（快捷键F10）", 97, 24, 263},
    {IDC_BTN_CLEANCACHE, 252, 253, 261, L"清除缓存", 78, 24, 346},
    {IDC_BTN_REFRESH, 226, 219, 236, L"刷新", 78, 24, 429},
    {IDC_BTN_RESELECT, 211, 212, 231, L"选择新的服务器", 59, 24, 493},
};
const int kButtonTop = 3;

// Fills a rectangle with an image tiled from the rectangle's own corner.
void FillWithImage(Gdiplus::Graphics& graphics, Gdiplus::Image* image, int x, int y, int width, int height) {
    if (!image || width <= 0 || height <= 0) return;
    Gdiplus::TextureBrush brush(image);
    brush.TranslateTransform(static_cast<Gdiplus::REAL>(x), static_cast<Gdiplus::REAL>(y));
    graphics.FillRectangle(&brush, x, y, width, height);
}

int ImageWidth(Gdiplus::Image* image) { return image ? static_cast<int>(image->GetWidth()) : 0; }
int ImageHeight(Gdiplus::Image* image) { return image ? static_cast<int>(image->GetHeight()) : 0; }

// Centres a top-level window on the work area of its monitor.
void CenterOnWorkArea(HWND hwnd) {
    RECT window = {}, work = {};
    ::GetWindowRect(hwnd, &window);
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int width = window.right - window.left, height = window.bottom - window.top;
    const int x = work.left + (work.right - work.left - width) / 2;
    const int y = work.top + (work.bottom - work.top - height) / 2;
    ::SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
}  // namespace

CKestro_V5Dlg::CKestro_V5Dlg() : CDialogBase(IDD_MAIN) {}

CKestro_V5Dlg::~CKestro_V5Dlg() {
    m_mask.reset();
    m_tray.Remove();
}

void CKestro_V5Dlg::DoDataExchange() {
    for (int i = 0; i < 11; ++i) m_buttons[i].SubclassDlgItem(kBoundButtons[i], m_hWnd);
}

CTouchButton* CKestro_V5Dlg::Button(int id) {
    for (int i = 0; i < 11; ++i)
        if (kBoundButtons[i] == id) return &m_buttons[i];
    return nullptr;
}

BOOL CKestro_V5Dlg::OnInitDialog() {
    CDialogBase::OnInitDialog();
    m_minimizedByButton = 0;
    const std::wstring title = LoadStr(IDS_PRODUCT_NAME);
    ::SetWindowTextW(m_hWnd, title.c_str());

    // No caption and no border, but the taskbar can still minimize and close it.
    ::SetWindowLongW(m_hWnd, GWL_STYLE, ::GetWindowLongW(m_hWnd, GWL_STYLE) & ~WS_CAPTION);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, kNormalWidth, kNormalHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
    ::SetWindowLongW(m_hWnd, GWL_STYLE, ::GetWindowLongW(m_hWnd, GWL_STYLE) | WS_SYSMENU | WS_MINIMIZEBOX);

    const std::wstring gameUrl = RunLoginWindow();

    m_trayIconImage.Reset(static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_MAIN),
                                                          IMAGE_ICON, ::GetSystemMetrics(SM_CXICON),
                                                          ::GetSystemMetrics(SM_CYICON), 0)));
    m_tray.Add(title, m_hWnd, m_trayIconImage.Get());

    InitTitleButtons();
    m_stripLeft = LoadPngImage(203);
    m_stripMiddle = LoadPngImage(172);
    m_stripRight = LoadPngImage(206);
    CreateGameView(gameUrl);

    CenterOnWorkArea(m_hWnd);
    ApplyMaximizedLayout();
    ::SetFocus(GameViewWindow());

    m_mask = std::make_unique<CMenbanDlg>();
    m_mask->Create(m_hWnd);
    ::ShowWindow(m_mask->m_hWnd, SW_HIDE);

    m_accelerators = ::LoadAcceleratorsW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_ACCELERATORS));
    RegisterHotKeys();
    // The focus is the game view's: TRUE would hand it to the first title button.
    return FALSE;
}

// ---------------------------------------------------------------- hand-over points

// Runs the login window modally and returns the game page it chose. (Closing
// the login window ends the process there.)
std::wstring CKestro_V5Dlg::RunLoginWindow() {
    CKestroLogin login;
    login.DoModal();
    return login.GetGameUrl();
}

// Creates the game view below the title strip and opens the game page in it.
void CKestro_V5Dlg::CreateGameView(const std::wstring& url) {
    const RECT rect = {0, kStripHeight, kNormalWidth, kNormalHeight};
    m_view.Create(L"MyWebBrowser", WS_CHILD | WS_VISIBLE, rect, m_hWnd, IDC_GAME_VIEW);
    if (!url.empty()) m_view.Navigate(url);
}

void CKestro_V5Dlg::RefreshGameView() { m_view.Refresh(); }

// ---------------------------------------------------------------- messages

BOOL CKestro_V5Dlg::PreTranslateMessage(MSG* msg) {
    // Enter and Escape belong to the game page: never the dialog's default or
    // cancel command.
    if (msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE)) return FALSE;
    if (m_accelerators && ::TranslateAcceleratorW(m_hWnd, m_accelerators, msg)) return TRUE;
    return CDialogBase::PreTranslateMessage(msg);
}

void CKestro_V5Dlg::OnCancel() {
    if (m_fullScreen) LeaveFullScreen();
}

bool CKestro_V5Dlg::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_COMMAND:
        if (OnCommand(LOWORD(wp))) return true;
        break;
    case WM_ERASEBKGND:
        DrawTitleStrip(reinterpret_cast<HDC>(wp));
        result = TRUE;
        return true;
    case WM_LBUTTONDBLCLK:
        ToggleZoomFromStrip();
        return false;
    case WM_LBUTTONDOWN:
        // The strip is the caption: the system drags the window by it.
        if (!::IsZoomed(m_hWnd)) ::PostMessageW(m_hWnd, WM_NCLBUTTONDOWN, HTCAPTION, lp);
        return false;
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) == SC_CLOSE) CloseWithConfirmation();
        else if ((wp & 0xFFF0) == SC_RESTORE && m_maximized) ::SetTimer(m_hWnd, TIMER_FIT_WORK_AREA, kFitDelayMs, nullptr);
        return false;
    case WM_TIMER:
        if (wp == TIMER_FIT_WORK_AREA) {
            FitToWorkArea();
            ::KillTimer(m_hWnd, TIMER_FIT_WORK_AREA);
        }
        return false;
    case WM_HOTKEY:
        OnHotKey(static_cast<int>(wp));
        return false;
    case WM_ACTIVATE:
        if (LOWORD(wp) == WA_ACTIVE && !HIWORD(wp) && m_fullScreen) {
            ::InvalidateRect(m_hWnd, nullptr, TRUE);
            ::UpdateWindow(m_hWnd);
        }
        return true;
    case WM_ACTIVATEAPP:
        m_hotkeys.OnAppActivated(wp != FALSE);
        return false;
    case WM_TRAY_CALLBACK:
        OnTrayCallback(LOWORD(lp));
        result = 0;
        return true;
    }
    return CDialogBase::OnMessage(msg, wp, lp, result);
}

bool CKestro_V5Dlg::OnCommand(UINT id) {
    switch (id) {
    case IDC_BTN_MAXIMIZE: Maximize(); return true;
    case IDC_BTN_RESTORE: Restore(); return true;
    case IDC_BTN_MINIMIZE: Minimize(); return true;
    case IDC_BTN_FULLSCREEN:
        m_minimizedByButton = 0;
        EnterFullScreen();
        return true;
    case IDC_BTN_BOSSKEY: ::ShowWindow(m_hWnd, SW_HIDE); return true;
    case IDC_BTN_CLEANCACHE:
    case ID_TRAY_CLEANCACHE: CleanCache(); return true;
    case IDC_BTN_RESELECT: ReselectServer(); return true;
    case IDC_BTN_CLOSE:
    case ID_TRAY_EXIT: CloseWithConfirmation(); return true;
    case ID_TRAY_SHOWHIDE: ToggleVisible(); return true;
    case ID_ACCEL_F5: return true;
    case IDC_BTN_REFRESH: RefreshGameView(); return true;
    case IDM_CLEANING_DONE: OnCacheCleaningDone(); return true;
    }
    return false;
}

// ---------------------------------------------------------------- title buttons

void CKestro_V5Dlg::InitTitleButtons() {
    for (const TitleButton& b : kTitleButtons) {
        CTouchButton* button = Button(b.id);
        button->SetImages(b.normal, b.hover, b.pressed);
        button->SetTooltipText(b.tip, true);
    }
    ::ShowWindow(GetDlgItem(IDC_BTN_UNUSED2), SW_HIDE);
    ::ShowWindow(GetDlgItem(IDC_BTN_UNUSED1), SW_HIDE);
}

void CKestro_V5Dlg::LayoutTitleButtons() {
    RECT client = {};
    ::GetClientRect(m_hWnd, &client);
    for (const TitleButton& b : kTitleButtons)
        ::SetWindowPos(GetDlgItem(b.id), nullptr, client.right - b.fromRight, kButtonTop, b.width, b.height,
                       SWP_NOZORDER | SWP_NOACTIVATE);
}

void CKestro_V5Dlg::ShowTitleButtons(int showCommand) {
    for (const TitleButton& b : kTitleButtons) ::ShowWindow(GetDlgItem(b.id), showCommand);
}

// Maximize and restore share one place; one of them shows.
void CKestro_V5Dlg::ShowMaximizeButton(bool maximizeShown) {
    ::ShowWindow(GetDlgItem(IDC_BTN_MAXIMIZE), maximizeShown ? SW_SHOW : SW_HIDE);
    ::ShowWindow(GetDlgItem(IDC_BTN_RESTORE), maximizeShown ? SW_HIDE : SW_SHOW);
}

// ---------------------------------------------------------------- display modes

// The window at (0, 0) with the work area's size (not its origin), the game
// view below the strip.
void CKestro_V5Dlg::FitToWorkArea() {
    RECT work = {};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    ::MoveWindow(m_hWnd, 0, 0, work.right - work.left, work.bottom - work.top, TRUE);
    RECT client = {};
    ::GetClientRect(m_hWnd, &client);
    ::MoveWindow(GameViewWindow(), 0, kStripHeight, client.right, client.bottom - kStripHeight, TRUE);
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CKestro_V5Dlg::PlaceNormalGameView() {
    ::MoveWindow(GameViewWindow(), 0, kStripHeight, kNormalWidth, kNormalHeight - kStripHeight, FALSE);
}

void CKestro_V5Dlg::EnterFullScreen() {
    m_fullScreen = true;
    ::SendMessageW(m_hWnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    const int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
    ::MoveWindow(m_hWnd, 0, 0, width, height, TRUE);
    ::MoveWindow(GameViewWindow(), 0, 0, width, height, TRUE);
    ShowTitleButtons(SW_HIDE);
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
    ::UpdateWindow(m_hWnd);
}

void CKestro_V5Dlg::LeaveFullScreen() {
    m_fullScreen = false;
    ShowTitleButtons(SW_SHOW);
    ApplyMaximizedLayout();
}

void CKestro_V5Dlg::Maximize() {
    m_minimizedByButton = 0;
    ApplyMaximizedLayout();
    ::SetFocus(m_hWnd);
}

void CKestro_V5Dlg::Restore() {
    m_minimizedByButton = 0;
    ApplyNormalLayout();
}

void CKestro_V5Dlg::Minimize() {
    ::SetFocus(GameViewWindow());
    m_minimizedByButton = 1;
    ::SendMessageW(m_hWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

// A double click on the strip toggles between the maximized and the normal
// layout; the minimized-by-button flag stays as it is.
void CKestro_V5Dlg::ToggleZoomFromStrip() {
    ::SetFocus(GameViewWindow());
    if (::IsZoomed(m_hWnd)) ApplyNormalLayout();
    else ApplyMaximizedLayout();
}

// Maximized to the work area (the start mode): restore button shown.
void CKestro_V5Dlg::ApplyMaximizedLayout() {
    ::SendMessageW(m_hWnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    m_maximized = true;
    FitToWorkArea();
    LayoutTitleButtons();
    ShowMaximizeButton(false);
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

// Normal 1000 x 700: the system puts the window back at its normal placement;
// maximize button shown.
void CKestro_V5Dlg::ApplyNormalLayout() {
    m_maximized = false;
    ::SendMessageW(m_hWnd, WM_SYSCOMMAND, SC_RESTORE, 0);
    LayoutTitleButtons();
    PlaceNormalGameView();
    ShowMaximizeButton(true);
    const RECT normal = {0, 0, kNormalWidth, kNormalHeight};
    ::InvalidateRect(m_hWnd, &normal, TRUE);
}

// The strip: the left image, the middle image tiled, the right image at the
// right edge, composed off-screen and copied in one block. Nothing in full
// screen, where the game view covers the window.
void CKestro_V5Dlg::DrawTitleStrip(HDC dc) {
    if (m_fullScreen) return;
    RECT client = {};
    ::GetClientRect(m_hWnd, &client);
    const int width = client.right;
    MemoryDc memory(::CreateCompatibleDC(dc));
    GdiObject<HBITMAP> bitmap(::CreateCompatibleBitmap(dc, width, kStripHeight));
    if (!memory || !bitmap) return;
    {
        SelectObjectScope select(memory.Get(), bitmap.Get());
        {
            Gdiplus::Graphics graphics(memory.Get());
            Gdiplus::Image* left = m_stripLeft.get();
            Gdiplus::Image* middle = m_stripMiddle.get();
            Gdiplus::Image* right = m_stripRight.get();
            const int leftWidth = ImageWidth(left), rightWidth = ImageWidth(right);
            FillWithImage(graphics, left, 0, 0, leftWidth, ImageHeight(left));
            FillWithImage(graphics, right, width - rightWidth, 0, rightWidth, ImageHeight(right));
            FillWithImage(graphics, middle, leftWidth, 0, width - leftWidth - rightWidth, ImageHeight(middle));
        }
        ::BitBlt(dc, 0, 0, width, kStripHeight, memory.Get(), 0, 0, SRCCOPY);
    }
}

// ---------------------------------------------------------------- confirmations

void CKestro_V5Dlg::CloseWithConfirmation() {
    const std::wstring text = FormatText(kCloseQuestion, LoadStr(IDS_PRODUCT_NAME).c_str());
    if (ShowMessageBox(kCloseCaption, text, m_hWnd) != IDOK) return;
    m_tray.Remove();
    ::PostQuitMessage(0);
}

// A fresh instance shows the login window again; this one ends at once.
void CKestro_V5Dlg::ReselectServer() {
    if (ShowMessageBox(kReselectCaption, kReselectQuestion, m_hWnd) != IDOK) return;
    m_tray.Remove();
    StartDetachedProcess(GetModulePath(), nullptr);
    std::exit(0);
}

// ---------------------------------------------------------------- cache cleaning

// The mask covers the window while the worker runs; the worker's WM_COMMAND
// 10002 takes it away.
void CKestro_V5Dlg::CleanCache() {
    RECT window = {};
    ::GetWindowRect(m_hWnd, &window);
    HWND mask = m_mask->m_hWnd;
    ::SetWindowPos(mask, nullptr, window.left, window.top, window.right - window.left, window.bottom - window.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetTimer(mask, TIMER_MASK_ANIMATION, kMaskFrameMs, nullptr);
    ::ShowWindow(mask, SW_SHOW);
    // A run already under way keeps the mask; a worker that cannot start must
    // not leave it for good.
    if (!StartCacheCleaning(m_hWnd) && !IsCacheCleaning()) OnCacheCleaningDone();
}

void CKestro_V5Dlg::OnCacheCleaningDone() {
    ::KillTimer(m_mask->m_hWnd, TIMER_MASK_ANIMATION);
    ::ShowWindow(m_mask->m_hWnd, SW_HIDE);
}
