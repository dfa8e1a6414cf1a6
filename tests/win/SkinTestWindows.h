// Helpers for the skin's Windows tests: a GDI+ session, pixels read back from
// a window or a DC, and a message pump that runs the modal loop's
// pre-translation like the client does.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <vector>

#include "base/Owners.h"
#include "base/Window.h"

class GdiplusSession {
public:
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token_, &input, nullptr);
    }
    ~GdiplusSession() { Gdiplus::GdiplusShutdown(token_); }

private:
    ULONG_PTR token_ = 0;
};

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
    bool Near(const Rgb& o, int tolerance) const {
        return std::abs(r - o.r) <= tolerance && std::abs(g - o.g) <= tolerance && std::abs(b - o.b) <= tolerance;
    }
    int Brightness() const { return r + g + b; }
};

// A copy of w x h pixels of a DC at (x, y), top-down.
class Pixels {
public:
    Pixels(HDC source, int x, int y, int w, int h) : w_(w), h_(h), data_(static_cast<size_t>(w) * h) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        MemoryDc dc(::CreateCompatibleDC(source));
        GdiObject<HBITMAP> dib(::CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        SelectObjectScope select(dc.Get(), dib.Get());
        ::BitBlt(dc.Get(), 0, 0, w, h, source, x, y, SRCCOPY);
        ::GdiFlush();
        const DWORD* p = static_cast<const DWORD*>(bits);
        for (size_t i = 0; i < data_.size(); ++i) data_[i] = p[i];
    }

    // The client area of a window as it is on screen.
    static Pixels OfWindow(HWND hwnd) {
        RECT r = {};
        ::GetClientRect(hwnd, &r);
        HDC dc = ::GetDC(hwnd);
        Pixels p(dc, 0, 0, r.right, r.bottom);
        ::ReleaseDC(hwnd, dc);
        return p;
    }

    Rgb At(int x, int y) const {
        const DWORD v = data_[static_cast<size_t>(y) * w_ + x];
        return {static_cast<int>((v >> 16) & 0xFF), static_cast<int>((v >> 8) & 0xFF), static_cast<int>(v & 0xFF)};
    }
    int Width() const { return w_; }
    int Height() const { return h_; }
    bool operator==(const Pixels& o) const { return w_ == o.w_ && h_ == o.h_ && data_ == o.data_; }
    bool operator!=(const Pixels& o) const { return !(*this == o); }

    // Pixels in [x0, x1) x [y0, y1) for which pred holds.
    int Count(int x0, int y0, int x1, int y1, const std::function<bool(Rgb)>& pred) const {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) n += pred(At(x, y)) ? 1 : 0;
        return n;
    }

private:
    int w_, h_;
    std::vector<DWORD> data_;
};

// Runs the thread's messages for ms milliseconds, each offered to the
// window objects' PreTranslateMessage first, as the modal loop does.
inline void Pump(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    MSG msg;
    while (std::chrono::steady_clock::now() < end) {
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (WalkPreTranslate(&msg)) continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(5);
    }
}

// A top-level popup of a plain window class, for parents and owners.
inline HWND CreatePlainWindow(const wchar_t* title, int x, int y, int w, int h, DWORD style = WS_POPUP) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VexaSkinTestWindow";
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        ::RegisterClassW(&wc);
        registered = true;
    }
    return ::CreateWindowExW(0, L"VexaSkinTestWindow", title, style, x, y, w, h, nullptr, nullptr,
                             ::GetModuleHandleW(nullptr), nullptr);
}

// The composite of one RGBA pixel over an opaque background, with the
// skinned button's hover transform when asked.
inline Rgb Over(Gdiplus::Color top, Rgb below, bool hover = false) {
    auto channel = [&](int c, int under) {
        double v = c / 255.0;
        if (hover) v = v * 1.05 + 0.05;
        if (v > 1) v = 1;
        const double a = top.GetA() / 255.0;
        return static_cast<int>(v * 255 * a + under * (1 - a) + 0.5);
    };
    return {channel(top.GetR(), below.r), channel(top.GetG(), below.g), channel(top.GetB(), below.b)};
}
