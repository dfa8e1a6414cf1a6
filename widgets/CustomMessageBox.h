// The client's question box: a small modal, captionless, skinned dialog with
// a title, one text, OK, Cancel and a close cross. Answers IDOK or IDCANCEL.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "base/Window.h"
#include "widgets/TouchButton.h"

namespace Gdiplus {
class Image;
}

class CCustomMessageBox : public CDialogBase {
public:
    CCustomMessageBox();
    ~CCustomMessageBox() override;

    // Called before DoModal; without it the title is kDefaultBoxTitle
    // (app/FixedTexts.h) and the text empty.
    void SetMessage(const std::wstring& title, const std::wstring& text);

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void CenterOnOwner();
    void PlaceButtons();
    void DrawFace(HDC dc);

    CTouchButton m_btnOK;
    CTouchButton m_btnCancel;
    CTouchButton m_btnClose;
    std::unique_ptr<Gdiplus::Image> m_pBack;
    std::wstring m_strTitle;
    std::wstring m_strText;
};
