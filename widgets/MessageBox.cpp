#include "widgets/MessageBox.h"

INT_PTR ShowMessageBox(const std::wstring& title, const std::wstring& text, HWND owner) {
    return ::MessageBoxW(owner, text.c_str(), title.c_str(), MB_OKCANCEL) == IDOK ? IDOK : IDCANCEL;
}
