#include "widgets/Images.h"

#include <cstring>

namespace {
struct ResourceBytes {
    const void* data = nullptr;
    DWORD size = 0;
};

// The bytes of PNG resource id, or nothing when it is missing, empty or
// cannot be loaded.
ResourceBytes FindPng(UINT id, HMODULE module) {
    if (!module) module = ::GetModuleHandleW(nullptr);
    HRSRC res = ::FindResourceW(module, MAKEINTRESOURCEW(id), L"PNG");
    if (!res) return {};
    const DWORD size = ::SizeofResource(module, res);
    HGLOBAL loaded = size ? ::LoadResource(module, res) : nullptr;
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data) return {};
    return {data, size};
}

bool IsAllZero(const RECT& r) { return r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0; }
}  // namespace

// ------------------------------------------------------------ LoadPngImage

std::unique_ptr<Gdiplus::Image> LoadPngImage(UINT id, HMODULE module) {
    const ResourceBytes png = FindPng(id, module);
    if (!png.data) return nullptr;
    GlobalMem block(::GlobalAlloc(GMEM_FIXED, png.size));
    if (!block) return nullptr;
    std::memcpy(block.Get(), png.data, png.size);  // a fixed block's handle is its address
    // The stream frees the block with its last reference; the image holds one
    // for as long as it reads from it.
    ComPtr<IStream> stream;
    if (FAILED(::CreateStreamOnHGlobal(block.Get(), TRUE, stream.Put()))) return nullptr;
    block.Detach();
    return std::unique_ptr<Gdiplus::Image>(Gdiplus::Image::FromStream(stream.Get()));
}

// ------------------------------------------------- CGdiPlusBitmapResource

// The base's bitmap would otherwise outlive the buffer it reads from.
CGdiPlusBitmapResource::~CGdiPlusBitmapResource() { Release(); }

void CGdiPlusBitmapResource::Release() {
    m_pBitmap.reset();  // first: it reads from the buffer
    m_hBuffer.Reset();
}

bool CGdiPlusBitmapResource::Load(UINT id, HMODULE module) {
    Release();
    const ResourceBytes png = FindPng(id, module);
    if (!png.data) return false;
    m_hBuffer.Reset(::GlobalAlloc(GMEM_MOVEABLE, png.size));
    if (!m_hBuffer) return false;
    void* bytes = ::GlobalLock(m_hBuffer.Get());
    if (bytes) {
        std::memcpy(bytes, png.data, png.size);
        ComPtr<IStream> stream;
        if (SUCCEEDED(::CreateStreamOnHGlobal(m_hBuffer.Get(), FALSE, stream.Put())))
            m_pBitmap.reset(Gdiplus::Bitmap::FromStream(stream.Get()));
    }
    if (m_pBitmap && m_pBitmap->GetLastStatus() == Gdiplus::Ok) return true;
    Release();
    return false;
}

// ---------------------------------------------------------------- CMyMemDC

CMyMemDC::CMyMemDC(HDC target, const RECT* rect)
    : m_pDC(target), m_bMemDC(::GetDeviceCaps(target, TECHNOLOGY) != DT_RASPRINTER) {
    if (rect && !IsAllZero(*rect)) m_rect = *rect;
    else ::GetClipBox(target, &m_rect);
    if (!m_bMemDC) return;

    m_dc.Reset(::CreateCompatibleDC(target));
    m_bitmap.Reset(::CreateCompatibleBitmap(target, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top));
    if (!m_dc || !m_bitmap) {  // no buffer: draw straight on the target rather than nowhere
        m_bMemDC = FALSE;
        return;
    }
    m_oldBitmap = ::SelectObject(m_dc.Get(), m_bitmap.Get());
    ::SetWindowOrgEx(m_dc.Get(), m_rect.left, m_rect.top, nullptr);
}

CMyMemDC::~CMyMemDC() {
    if (!m_bMemDC) return;
    ::BitBlt(m_pDC, m_rect.left, m_rect.top, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top, m_dc.Get(),
             m_rect.left, m_rect.top, SRCCOPY);
    if (m_oldBitmap) ::SelectObject(m_dc.Get(), m_oldBitmap);
    // The members then delete the bitmap and the DC, in that order.
}

// ------------------------------------------------------------ DrawSkinText

void DrawSkinText(Gdiplus::Graphics& graphics, const std::wstring& text, const Gdiplus::Font& font,
                  Gdiplus::ARGB colour, const Gdiplus::RectF& box, const Gdiplus::StringFormat& format) {
    Gdiplus::SolidBrush brush{Gdiplus::Color(colour)};
    Gdiplus::Region previous;
    graphics.GetClip(&previous);
    graphics.SetClip(box, Gdiplus::CombineModeIntersect);
    graphics.DrawString(text.c_str(), static_cast<INT>(text.size()), &font, box, &format, &brush);
    graphics.SetClip(&previous);
}

// ----------------------------------------------------------- CreateSkinFont

std::unique_ptr<Gdiplus::Font> CreateSkinFont(float size, int style) {
    Gdiplus::FontFamily arial(L"arial");
    const bool haveArial = arial.GetLastStatus() == Gdiplus::Ok;
    // GenericSansSerif() is null when the system has no such family either;
    // a font made from null reports an error instead of crashing.
    auto font = std::make_unique<Gdiplus::Font>(haveArial ? &arial : Gdiplus::FontFamily::GenericSansSerif(), size,
                                                style, Gdiplus::UnitPixel);
    if (haveArial && font->GetLastStatus() != Gdiplus::Ok)
        font = std::make_unique<Gdiplus::Font>(Gdiplus::FontFamily::GenericSansSerif(), size, style,
                                               Gdiplus::UnitPixel);
    return font;
}
