// The main window of the client.
#pragma once

#include "base/Window.h"

class CKestro_V5Dlg : public CDialogBase {
public:
    CKestro_V5Dlg();

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
};
