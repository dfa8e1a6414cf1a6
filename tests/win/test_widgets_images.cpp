// The skin's images and drawing helpers on the real resources: every PNG at
// its size, the icon and the login bitmap; the loaders' failures on a module
// with empty and broken resources; the off-screen DC; the skin font.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "app/Shell.h"
#include "res/resource.h"
#include "tests/win/SkinTestWindows.h"
#include "tests/win/TestAccess.h"
#include "tests/win/TestFiles.h"
#include "widgets/Images.h"

namespace {
struct PngCase {
    UINT id;
    UINT w, h;
};

// Every PNG the windows use, at the size their layouts assume.
const PngCase kPngs[] = {
    {172, 1, 30},   {203, 203, 30}, {206, 92, 30},  {207, 28, 26},  {208, 28, 26},  {209, 28, 26},
    {210, 28, 26},  {213, 28, 26},  {217, 28, 26},  {220, 28, 26},  {221, 28, 26},  {227, 28, 26},
    {228, 28, 26},  {229, 28, 26},  {230, 28, 26},  {211, 58, 24},  {212, 58, 24},  {214, 58, 24},
    {224, 58, 24},  {231, 58, 24},  {234, 58, 24},  {215, 97, 24},  {223, 97, 24},  {233, 97, 24},
    {219, 78, 24},  {226, 78, 24},  {236, 78, 24},  {252, 78, 24},  {253, 78, 24},  {261, 78, 24},
    {275, 1, 1},    {276, 23, 23},  {277, 23, 23},  {278, 23, 23},  {279, 23, 23},  {306, 256, 110},
    {316, 82, 34},  {315, 82, 34},  {314, 82, 34},  {313, 82, 34},  {318, 9, 9},    {310, 20, 20},
    {311, 20, 20},  {312, 20, 20},  {307, 25, 25},  {308, 25, 25},  {309, 25, 25},
};

TEST(SkinResources, EveryPngLoadsAtItsSizeWithAlpha) {
    GdiplusSession gdiplus;
    ASSERT_EQ(sizeof(kPngs) / sizeof(kPngs[0]), 47u);
    for (const auto& c : kPngs) {
        SCOPED_TRACE(c.id);
        CGdiPlusBitmapResource bitmap;
        ASSERT_TRUE(bitmap.Load(c.id));
        EXPECT_EQ(bitmap.m_pBitmap->GetWidth(), c.w);
        EXPECT_EQ(bitmap.m_pBitmap->GetHeight(), c.h);
        EXPECT_TRUE(Gdiplus::IsAlphaPixelFormat(bitmap.m_pBitmap->GetPixelFormat()));
        std::unique_ptr<Gdiplus::Image> image(LoadPngImage(c.id));
        ASSERT_TRUE(image);
        EXPECT_EQ(image->GetLastStatus(), Gdiplus::Ok);
        EXPECT_EQ(image->GetWidth(), c.w);
        EXPECT_EQ(image->GetHeight(), c.h);
    }
}

TEST(SkinResources, PixelsCarryTheirAlpha) {
    GdiplusSession gdiplus;
    const struct {
        UINT id;
        INT x, y;
        BYTE alpha;
    } cases[] = {
        {275, 0, 0, 230},   // the mask's texture: black at alpha 230
        {207, 0, 0, 0},     // a title button's corner lets the strip show through
        {306, 128, 50, 255} // the message box's face is opaque
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        CGdiPlusBitmapResource bitmap;
        ASSERT_TRUE(bitmap.Load(c.id));
        Gdiplus::Color colour;
        ASSERT_EQ(bitmap.m_pBitmap->GetPixel(c.x, c.y, &colour), Gdiplus::Ok);
        EXPECT_EQ(colour.GetA(), c.alpha);
        if (c.id == 275) {
            EXPECT_EQ(colour.GetValue() & 0xFFFFFF, 0u);
        }
    }
}

TEST(SkinResources, IconAndLoginBitmap) {
    HMODULE self = ::GetModuleHandleW(nullptr);
    // The icon group: five 32-bit images, 128 to 16 pixels.
    HRSRC group = ::FindResourceW(self, MAKEINTRESOURCEW(IDI_MAIN), RT_GROUP_ICON);
    ASSERT_TRUE(group);
    const BYTE* dir = static_cast<const BYTE*>(::LockResource(::LoadResource(self, group)));
    const WORD count = *reinterpret_cast<const WORD*>(dir + 4);
    ASSERT_EQ(count, 5);
    const int sizes[] = {128, 64, 32, 24, 16};
    for (int i = 0; i < count; ++i) {
        const BYTE* entry = dir + 6 + 14 * i;  // GRPICONDIRENTRY
        EXPECT_EQ(entry[0], sizes[i]);
        EXPECT_EQ(*reinterpret_cast<const WORD*>(entry + 6), 32);  // bits per pixel
    }
    IconHandle small(static_cast<HICON>(::LoadImageW(self, MAKEINTRESOURCEW(IDI_MAIN), IMAGE_ICON, 16, 16, 0)));
    EXPECT_TRUE(small);

    GdiObject<HBITMAP> skin(static_cast<HBITMAP>(
        ::LoadImageW(self, MAKEINTRESOURCEW(IDB_LOGIN_SKIN), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    ASSERT_TRUE(skin);
    BITMAP info = {};
    ::GetObjectW(skin.Get(), sizeof(info), &info);
    EXPECT_EQ(info.bmWidth, 660);
    EXPECT_EQ(info.bmHeight, 399);
    EXPECT_EQ(info.bmBitsPixel, 24);
}

// A copy of this program with PNG resources the skin must survive: 901 not
// a PNG, 902 a real PNG cut short. (Wine's UpdateResourceW refuses to write
// an empty resource, so that case is left to the size check in the code.)
class BrokenResources {
public:
    explicit BrokenResources(const TempFolder& dir) : path_(dir.Path(L"broken.exe")) {
        ::CopyFileW(GetModulePath().c_str(), path_.c_str(), FALSE);
        HANDLE update = ::BeginUpdateResourceW(path_.c_str(), FALSE);
        char text[] = "this is not a PNG image";
        std::string cut = PngBytes(306).substr(0, 80);
        step_ = "begin";
        if (!update) return;
        step_ = "add";
        if (!Add(update, 901, text, sizeof(text)) ||
            !Add(update, 902, &cut[0], static_cast<DWORD>(cut.size())))
            return;
        step_ = "end";
        if (!::EndUpdateResourceW(update, FALSE)) return;
        step_ = "load";
        module_ = ::LoadLibraryExW(path_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        if (module_) step_ = "";
    }
    ~BrokenResources() {
        if (module_) ::FreeLibrary(module_);
    }
    // Empty when ready, otherwise the step that failed.
    std::string Failure() const { return step_.empty() ? step_ : step_ + " failed, error " + std::to_string(::GetLastError()); }
    HMODULE Module() const { return module_; }

    static std::string PngBytes(UINT id) {
        HMODULE self = ::GetModuleHandleW(nullptr);
        HRSRC res = ::FindResourceW(self, MAKEINTRESOURCEW(id), L"PNG");
        const char* data = static_cast<const char*>(::LockResource(::LoadResource(self, res)));
        return std::string(data, ::SizeofResource(self, res));
    }

private:
    static bool Add(HANDLE update, UINT id, void* data, DWORD size) {
        return ::UpdateResourceW(update, L"PNG", MAKEINTRESOURCEW(id), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                                 data, size) != FALSE;
    }

    std::wstring path_;
    HMODULE module_ = nullptr;
    std::string step_;
};

TEST(PngLoaders, MissingAndBrokenResources) {
    GdiplusSession gdiplus;
    TempFolder dir(L"png-broken");
    BrokenResources broken(dir);
    ASSERT_EQ(broken.Failure(), "");
    HMODULE module = broken.Module();
    ASSERT_EQ(BrokenResources::PngBytes(306).substr(1, 3), "PNG");

    // No image at all for an id that is not there.
    EXPECT_EQ(LoadPngImage(899, module), nullptr);
    EXPECT_EQ(LoadPngImage(899), nullptr);  // the executable's own resources

    // Bytes GDI+ cannot decode give an image that reports the failure.
    for (UINT id : {901u, 902u}) {
        SCOPED_TRACE(id);
        std::unique_ptr<Gdiplus::Image> image(LoadPngImage(id, module));
        ASSERT_TRUE(image);
        EXPECT_NE(image->GetLastStatus(), Gdiplus::Ok);
    }

    // The bitmap holder gives up and holds nothing, also after a good load.
    CGdiPlusBitmapResource bitmap;
    for (UINT id : {899u, 901u, 902u}) {
        SCOPED_TRACE(id);
        ASSERT_TRUE(bitmap.Load(306));
        EXPECT_FALSE(bitmap.Load(id, module));
        EXPECT_EQ(bitmap.m_pBitmap, nullptr);
    }
}

// Address space the process has taken. (Wine leaves PrivateUsage at a
// constant; a heap that grows reserves more address space.)
SIZE_T ReservedBytes() {
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof(status);
    ::GlobalMemoryStatusEx(&status);
    return static_cast<SIZE_T>(status.ullTotalVirtual - status.ullAvailVirtual);
}

// Memory a loop of loads leaves behind: about nothing, when every round
// releases what the one before held.
template <typename Round>
SIZE_T GrowthOver(int rounds, Round round) {
    round();  // warm up GDI+ and the heaps
    const SIZE_T before = ReservedBytes();
    for (int i = 0; i < rounds; ++i) round();
    const SIZE_T after = ReservedBytes();
    return after > before ? after - before : 0;
}

TEST(PngLoaders, ReloadingAndDeletingFreeTheBytes) {
    GdiplusSession gdiplus;
    // A reload releases the decoded bitmap and its buffer: a leak would be
    // about 120 KB a round.
    CGdiPlusBitmapResource bitmap;
    const SIZE_T reloads = GrowthOver(300, [&] { ASSERT_TRUE(bitmap.Load(306)); });
    EXPECT_LT(reloads, SIZE_T(8) << 20) << reloads;
    // A deleted image takes its copy of the PNG (4.5 KB) with it.
    const SIZE_T images = GrowthOver(2000, [] {
        std::unique_ptr<Gdiplus::Image> image(LoadPngImage(203));
        ASSERT_TRUE(image && image->GetWidth() == 203u);
    });
    EXPECT_LT(images, SIZE_T(3) << 20) << images;
}

// ---------------------------------------------------------------- CMyMemDC

// A target DC on a 100 x 80 DIB filled with one colour.
class TargetDc {
public:
    explicit TargetDc(COLORREF fill) : pixels_(nullptr) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = 100;
        info.bmiHeader.biHeight = -80;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        HDC screen = ::GetDC(nullptr);
        dc_.Reset(::CreateCompatibleDC(screen));
        ::ReleaseDC(nullptr, screen);
        dib_.Reset(::CreateDIBSection(dc_.Get(), &info, DIB_RGB_COLORS, &pixels_, nullptr, 0));
        old_ = ::SelectObject(dc_.Get(), dib_.Get());
        Fill(dc_.Get(), {0, 0, 100, 80}, fill);
    }
    ~TargetDc() { ::SelectObject(dc_.Get(), old_); }
    HDC Get() const { return dc_.Get(); }
    COLORREF At(int x, int y) const {
        ::GdiFlush();
        const DWORD v = static_cast<const DWORD*>(pixels_)[y * 100 + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    static void Fill(HDC dc, RECT r, COLORREF colour) {
        GdiObject<HBRUSH> brush(::CreateSolidBrush(colour));
        ::FillRect(dc, &r, brush.Get());
    }

private:
    MemoryDc dc_;
    GdiObject<HBITMAP> dib_;
    HGDIOBJ old_;
    void* pixels_;
};

const COLORREF kBlue = RGB(0, 0, 255), kRed = RGB(255, 0, 0);

TEST(OffscreenDc, CopiesItsRectangleOnceAtTheEnd) {
    TargetDc target(kBlue);
    const RECT rect = {10, 20, 60, 50};
    {
        CMyMemDC memory(target.Get(), &rect);
        ASSERT_TRUE(CMyMemDCTestAccess::IsBuffered(memory));
        // Drawn in the target's coordinates: the whole rectangle, and beyond it.
        TargetDc::Fill(memory, {0, 0, 100, 80}, kRed);
        EXPECT_EQ(target.At(30, 30), kBlue) << "copied before the end";
    }
    EXPECT_EQ(target.At(10, 20), kRed);
    EXPECT_EQ(target.At(59, 49), kRed);
    for (POINT outside : {POINT{9, 30}, POINT{60, 30}, POINT{30, 19}, POINT{30, 50}})
        EXPECT_EQ(target.At(outside.x, outside.y), kBlue) << outside.x << "," << outside.y;
}

TEST(OffscreenDc, EmptyRectangleBuffersTheClipBox) {
    TargetDc target(kBlue);
    ::IntersectClipRect(target.Get(), 5, 6, 40, 30);
    const RECT empty = {0, 0, 0, 0};
    for (const RECT* given : {&empty, static_cast<const RECT*>(nullptr)}) {
        CMyMemDC memory(target.Get(), given);
        const RECT& r = CMyMemDCTestAccess::Rect(memory);
        EXPECT_EQ(r.left, 5);
        EXPECT_EQ(r.top, 6);
        EXPECT_EQ(r.right, 40);
        EXPECT_EQ(r.bottom, 30);
        TargetDc::Fill(memory, r, kRed);
    }
    EXPECT_EQ(target.At(5, 6), kRed);
    EXPECT_EQ(target.At(39, 29), kRed);
    EXPECT_EQ(target.At(40, 30), kBlue);
}

// ----------------------------------------------------------- CreateSkinFont

TEST(SkinFont, PixelSizedArialDrawsChinese) {
    GdiplusSession gdiplus;
    for (int style : {Gdiplus::FontStyleRegular, Gdiplus::FontStyleBold}) {
        const auto font = CreateSkinFont(13, style);
        ASSERT_TRUE(font);
        ASSERT_EQ(font->GetLastStatus(), Gdiplus::Ok);
        EXPECT_EQ(font->GetSize(), 13.0f);
        EXPECT_EQ(font->GetUnit(), Gdiplus::UnitPixel);
        EXPECT_EQ(font->GetStyle(), style);
    }
    // The glyphs of two different characters differ (a missing font draws
    // nothing; a font without them draws two equal boxes).
    TargetDc target(RGB(0, 0, 0));
    {
        Gdiplus::Graphics graphics(target.Get());
        const auto font = CreateSkinFont(20, Gdiplus::FontStyleRegular);
        Gdiplus::SolidBrush white(Gdiplus::Color(0xFFFFFFFF));
        graphics.DrawString(L"卸", 1, font.get(), Gdiplus::PointF(0, 0), &white);
        graphics.DrawString(L"载", 1, font.get(), Gdiplus::PointF(50, 0), &white);
    }
    int ink = 0, differ = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) {
            const bool a = GetRValue(target.At(x, y)) > 128, b = GetRValue(target.At(x + 50, y)) > 128;
            ink += a;
            differ += a != b;
        }
    EXPECT_GT(ink, 30);
    EXPECT_GT(differ, 20);
}
}  // namespace
