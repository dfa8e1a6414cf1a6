// The waiting cover of the main window while the browser cache is cleaned:
// a translucent dark layer with an animated picture and a text.
#pragma once

#include "base/Window.h"

class CMenbanDlg : public CDialogBase {
public:
    CMenbanDlg();
    ~CMenbanDlg() override;

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
};
