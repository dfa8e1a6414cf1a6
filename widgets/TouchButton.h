// The skinned image button: normal, hover and pressed looks composed once
// for the button's place over the parent's background behind it, and an
// optional tool tip.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "base/Owners.h"
#include "base/Window.h"

class CGdiPlusBitmapResource;

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

private:
    friend struct CTouchButtonTestAccess;  // the Windows tests read the tool tip

    // A memory DC with its own bitmap, put back and deleted together.
    class CachedDc {
    public:
        CachedDc() = default;
        ~CachedDc();
        CachedDc(const CachedDc&) = delete;
        CachedDc& operator=(const CachedDc&) = delete;
        // A DC compatible with like holding a w x h bitmap.
        bool Create(HDC like, int w, int h);
        // The same, holding w x h pixels of source at (x, y).
        bool CopyFrom(HDC like, int w, int h, HDC source, int x, int y);
        HDC Get() const { return m_dc.Get(); }

    private:
        MemoryDc m_dc;
        GdiObject<HBITMAP> m_bitmap;
        HGDIOBJ m_old = nullptr;
    };

    void PrepareLooks(HDC dc);
    RECT PlaceInParent() const;
    void CaptureParentBackground(const RECT& place);
    void ComposeLook(HDC memory, int w, int h, CGdiPlusBitmapResource* image, bool hover, CachedDc& look);
    void DrawItem(const DRAWITEMSTRUCT& item);
    void OnMouseMove();
    void OnMouseHover();
    void OnMouseLeave();
    void DestroyToolTip();

    bool m_bPrepared = false;
    RECT m_preparedPlace = {};  // the button's rectangle in its parent when the looks were made
    bool m_bHover = false;
    bool m_bTracking = false;
    std::unique_ptr<CGdiPlusBitmapResource> m_pImgHover;
    std::unique_ptr<CGdiPlusBitmapResource> m_pImgNormal;
    std::unique_ptr<CGdiPlusBitmapResource> m_pImgPressed;
    std::wstring m_strTip;
    HWND m_pTip = nullptr;  // owned tool-tip window
    CachedDc m_dcBack;
    CachedDc m_dcNormal;
    CachedDc m_dcPressed;
    CachedDc m_dcHover;
    CachedDc* m_pCurDC = nullptr;
};
