// PNG images from the resources and the drawing helpers the skinned windows
// share: the GDI+ loaders, an off-screen DC that copies itself to its target,
// and the pixel-sized "arial" font.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <memory>
#include <string>

#include "base/Owners.h"

// A new GDI+ image from PNG resource id (type "PNG") of module (null: the
// executable); null when the resource is missing, empty or unreadable. A PNG
// that GDI+ cannot decode still gives an image: it draws nothing and its
// GetLastStatus() says why. The bytes behind the image belong to it and go
// with it.
std::unique_ptr<Gdiplus::Image> LoadPngImage(UINT id, HMODULE module = nullptr);

// Owns one GDI+ bitmap.
class CGdiPlusBitmap {
public:
    CGdiPlusBitmap() = default;
    virtual ~CGdiPlusBitmap() = default;
    CGdiPlusBitmap(const CGdiPlusBitmap&) = delete;
    CGdiPlusBitmap& operator=(const CGdiPlusBitmap&) = delete;

    std::unique_ptr<Gdiplus::Bitmap> m_pBitmap;
};

// A GDI+ bitmap decoded from a PNG resource; the PNG's bytes stay in a locked
// global block for as long as the bitmap reads from it.
class CGdiPlusBitmapResource : public CGdiPlusBitmap {
public:
    ~CGdiPlusBitmapResource() override;

    // Releases what is held, then loads PNG resource id of module (null: the
    // executable). True when a bitmap decoded; on false nothing is held.
    bool Load(UINT id, HMODULE module = nullptr);

private:
    void Release();

    LockedGlobalMem m_hBuffer;
};

// Double-buffers one drawing: callers draw on it in the target's logical
// coordinates, and the destructor copies the rectangle to the target. A
// printer target is drawn on directly.
class CMyMemDC {
public:
    // rect null or empty: the target's clip box.
    CMyMemDC(HDC target, const RECT* rect = nullptr);
    ~CMyMemDC();
    CMyMemDC(const CMyMemDC&) = delete;
    CMyMemDC& operator=(const CMyMemDC&) = delete;

    HDC GetSafeHdc() const { return m_bMemDC ? m_dc.Get() : m_pDC; }
    operator HDC() const { return GetSafeHdc(); }

private:
    friend struct CMyMemDCTestAccess;  // the Windows tests read the rectangle and the buffering

    MemoryDc m_dc;
    GdiObject<HBITMAP> m_bitmap;
    HGDIOBJ m_oldBitmap = nullptr;
    HDC m_pDC;
    RECT m_rect = {};
    BOOL m_bMemDC;
};

// Draws text into box with format, clipped to the box as GDI+ does on
// Windows (Wine's GDI+ draws a line that starts inside the box whole, so a
// trimmed text would spill below it).
void DrawSkinText(Gdiplus::Graphics& graphics, const std::wstring& text, const Gdiplus::Font& font,
                  Gdiplus::ARGB colour, const Gdiplus::RectF& box, const Gdiplus::StringFormat& format);

// A GDI+ font of the family "arial" (the generic sans-serif family when
// there is none), size in pixels, style a Gdiplus::FontStyle.
std::unique_ptr<Gdiplus::Font> CreateSkinFont(float size, int style);
