#include "mainwnd/MainDlg.h"

#include "base/Text.h"
#include "res/resource.h"

CKestro_V5Dlg::CKestro_V5Dlg() : CDialogBase(IDD_MAIN) {}

BOOL CKestro_V5Dlg::OnInitDialog() {
    CDialogBase::OnInitDialog();
    ::SetWindowTextW(m_hWnd, LoadStr(IDS_PRODUCT_NAME).c_str());
    LONG style = ::GetWindowLongW(m_hWnd, GWL_STYLE);
    ::SetWindowLongW(m_hWnd, GWL_STYLE, (style & ~WS_CAPTION) | WS_SYSMENU | WS_MINIMIZEBOX);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 1000, 700, SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
    return TRUE;
}

bool CKestro_V5Dlg::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL) {
        ::PostQuitMessage(0);
        return true;
    }
    return CDialogBase::OnMessage(msg, wp, lp, result);
}
