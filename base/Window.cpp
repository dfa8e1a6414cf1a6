#include "base/Window.h"

#include <commctrl.h>

namespace {
const wchar_t kObjectProp[] = L"Vexa.WindowObject";
const UINT_PTR kSubclassId = 0x7665;  // any fixed id; one subclass per object

bool IsReflected(UINT msg) {
    return msg == WM_DRAWITEM || (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC);
}

HWND ReflectionTarget(UINT msg, LPARAM lp) {
    if (msg == WM_DRAWITEM) return reinterpret_cast<DRAWITEMSTRUCT*>(lp)->hwndItem;
    return reinterpret_cast<HWND>(lp);
}

// Messages whose dialog-procedure result is the answer itself rather than
// DWLP_MSGRESULT.
bool AnswersDirectly(UINT msg) {
    return (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC) || msg == WM_COMPAREITEM ||
           msg == WM_VKEYTOITEM || msg == WM_CHARTOITEM || msg == WM_QUERYDRAGICON ||
           msg == WM_INITDIALOG;
}

bool IsInputMessage(UINT msg) {
    return (msg >= WM_KEYFIRST && msg <= WM_KEYLAST) || (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST);
}
}  // namespace

// ---------------------------------------------------------------- CWindow

CWindow::~CWindow() {
    if (m_subclassed) UnsubclassWindow();
    else if (m_hWnd && ::IsWindow(m_hWnd) && FromHandle(m_hWnd) == this) Unbind();
}

CWindow* CWindow::FromHandle(HWND hwnd) {
    return hwnd ? static_cast<CWindow*>(::GetPropW(hwnd, kObjectProp)) : nullptr;
}

void CWindow::Bind(HWND hwnd) {
    m_hWnd = hwnd;
    ::SetPropW(hwnd, kObjectProp, this);
}

void CWindow::Unbind() {
    if (m_hWnd) ::RemovePropW(m_hWnd, kObjectProp);
    m_hWnd = nullptr;
}

BOOL CWindow::PreTranslateMessage(MSG*) { return FALSE; }

bool CWindow::SubclassWindow(HWND hwnd) {
    if (!hwnd || m_hWnd) return false;
    m_hWnd = hwnd;
    PreSubclassWindow();
    if (!::SetWindowSubclass(hwnd, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        m_hWnd = nullptr;
        return false;
    }
    Bind(hwnd);
    m_subclassed = true;
    return true;
}

bool CWindow::SubclassDlgItem(int id, HWND parent) { return SubclassWindow(::GetDlgItem(parent, id)); }

void CWindow::UnsubclassWindow() {
    if (!m_subclassed) return;
    if (::IsWindow(m_hWnd)) ::RemoveWindowSubclass(m_hWnd, SubclassProc, kSubclassId);
    m_subclassed = false;
    Unbind();
}

bool CWindow::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

bool CWindow::OnReflectedMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT CWindow::Default(UINT msg, WPARAM wp, LPARAM lp) {
    if (m_subclassed) return ::DefSubclassProc(m_hWnd, msg, wp, lp);
    return ::DefWindowProcW(m_hWnd, msg, wp, lp);
}

bool CWindow::ReflectToChild(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (!IsReflected(msg)) return false;
    CWindow* child = FromHandle(ReflectionTarget(msg, lp));
    return child && child->OnReflectedMessage(msg, wp, lp, result);
}

LRESULT CALLBACK CWindow::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    auto* self = reinterpret_cast<CWindow*>(ref);
    if (msg == WM_NCDESTROY) {
        LRESULT r = ::DefSubclassProc(hwnd, msg, wp, lp);
        self->UnsubclassWindow();
        return r;
    }
    LRESULT result = 0;
    if (ReflectToChild(msg, wp, lp, result)) return result;
    if (self->OnMessage(msg, wp, lp, result)) return result;
    return ::DefSubclassProc(hwnd, msg, wp, lp);
}

// ------------------------------------------------------------ CDialogBase

CDialogBase::~CDialogBase() { DestroyWindow(); }

void CDialogBase::DestroyWindow() {
    if (m_hWnd && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
}

INT_PTR CALLBACK CDialogBase::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CDialogBase*>(lp);
        self->Bind(hwnd);
        return self->OnInitDialog();
    }
    auto* self = static_cast<CDialogBase*>(FromHandle(hwnd));
    if (!self) return FALSE;
    if (msg == WM_NCDESTROY) {
        self->Unbind();
        return FALSE;
    }
    return self->HandleDialogMessage(msg, wp, lp);
}

INT_PTR CDialogBase::HandleDialogMessage(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    if (!ReflectToChild(msg, wp, lp, result) && !OnMessage(msg, wp, lp, result)) return FALSE;
    if (AnswersDirectly(msg)) return static_cast<INT_PTR>(result);
    ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}

bool CDialogBase::OnMessage(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
    if (msg == WM_COMMAND && HIWORD(wp) <= 1) {  // a button click or an accelerator
        if (LOWORD(wp) == IDOK) {
            OnOK();
            result = 0;
            return true;
        }
        if (LOWORD(wp) == IDCANCEL) {
            OnCancel();
            result = 0;
            return true;
        }
    }
    return false;
}

BOOL CDialogBase::OnInitDialog() {
    DoDataExchange();
    return TRUE;
}

BOOL CDialogBase::PreTranslateMessage(MSG* msg) {
    // The dialog's keyboard handling (Tab, Enter, Escape, mnemonics).
    if (IsInputMessage(msg->message)) return ::IsDialogMessageW(m_hWnd, msg);
    return FALSE;
}

bool CDialogBase::Create(HWND parent) {
    m_modal = false;
    HWND hwnd = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), parent,
                                     DialogProc, reinterpret_cast<LPARAM>(this));
    return hwnd != nullptr;
}

void CDialogBase::EndDialog(INT_PTR result) {
    m_result = result;
    if (m_modal) m_running = false;
    else if (m_hWnd) ::ShowWindow(m_hWnd, SW_HIDE);
}

INT_PTR CDialogBase::DoModal(HWND owner) {
    m_modal = true;
    m_running = true;
    m_result = -1;
    HWND hwnd = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), owner,
                                     DialogProc, reinterpret_cast<LPARAM>(this));
    if (!hwnd) {
        m_running = false;
        return -1;
    }
    const bool disableOwner = owner && ::IsWindowEnabled(owner);
    if (disableOwner) ::EnableWindow(owner, FALSE);
    if (m_running && !::IsWindowVisible(hwnd)) ::ShowWindow(hwnd, SW_SHOWNORMAL);

    MSG msg;
    while (m_running) {
        BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) break;
        if (got == 0) {  // WM_QUIT: end this loop and leave the message for the outer one
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            m_result = -1;
            break;
        }
        DispatchLoopMessage(&msg);
    }
    m_running = false;

    if (disableOwner) ::EnableWindow(owner, TRUE);
    if (::IsWindow(hwnd)) {
        ::SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
        if (owner && ::GetActiveWindow() == hwnd) ::SetActiveWindow(owner);
        ::DestroyWindow(hwnd);
    }
    return m_result;
}

bool CDialogBase::DispatchLoopMessage(MSG* msg) {
    if (WalkPreTranslate(msg)) return true;
    ::TranslateMessage(msg);
    ::DispatchMessageW(msg);
    return false;
}

bool WalkPreTranslate(MSG* msg) {
    for (HWND h = msg->hwnd; h;) {
        if (CWindow* w = CWindow::FromHandle(h)) {
            if (w->PreTranslateMessage(msg)) return true;
        }
        if (!(::GetWindowLongW(h, GWL_STYLE) & WS_CHILD)) break;
        h = ::GetParent(h);
    }
    return false;
}
