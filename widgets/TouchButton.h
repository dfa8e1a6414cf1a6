// The skinned image button: normal, hover and pressed looks composed once
// over the parent's pixels behind the button, and an optional tool tip.
#pragma once

#include <windows.h>

#include <string>

#include "base/Window.h"

class CTouchButton : public CWindow {
public:
    CTouchButton();
    ~CTouchButton() override;

    // Three PNG resource ids; returns whether the hover image loaded. Call
    // once, before the button is first shown.
    bool SetImages(UINT normal, UINT hover, UINT pressed);
    // An empty text keeps the previous tip.
    void SetTooltipText(const std::wstring& text, bool activate);
    // Deletes the three images and the tool tip.
    void ReleaseImages();

    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    void PreSubclassWindow() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    bool OnReflectedMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
};
