#include "widgets/MessageBox.h"

#include "widgets/CustomMessageBox.h"

INT_PTR ShowMessageBox(const std::wstring& title, const std::wstring& text, HWND owner) {
    CCustomMessageBox box;
    box.SetMessage(title, text);
    // Without an owner the box belongs to whatever window of ours is active.
    // A box that could not run answers Cancel: no caller acts on that.
    return box.DoModal(owner ? owner : ::GetActiveWindow()) == IDOK ? IDOK : IDCANCEL;
}
