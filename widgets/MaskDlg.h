// The waiting cover of the main window while the browser cache is cleaned:
// a translucent dark layer with an animated picture and a text. Created
// modeless and hidden by the main window, which places, shows, animates
// (timer 5000 on this window, 200 ms) and hides it.
#pragma once

#include <windows.h>

#include <memory>

#include "base/Window.h"

namespace Gdiplus {
class Image;
}

class CMenbanDlg : public CDialogBase {
public:
    CMenbanDlg();
    ~CMenbanDlg() override;

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void OnTimer(UINT_PTR id);
    void OnPaint();
    // Where the current frame sits: centred, 40 pixels above the middle.
    RECT FrameRect() const;

    std::unique_ptr<Gdiplus::Image> m_pTexture;
    std::unique_ptr<Gdiplus::Image> m_pFrames[4];
    Gdiplus::Image* m_pCurFrame = nullptr;
    int m_nFrame = 1;  // the next frame's number, 1-4
};
