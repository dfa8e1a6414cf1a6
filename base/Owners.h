// Owners: each handle, GDI object and COM pointer has exactly one owner that
// releases it in its destructor.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

// A unique owner for any handle type; Traits gives the "no handle" value and
// the function that releases a handle.
template <typename Traits>
class UniqueOwner {
public:
    using Handle = typename Traits::Handle;

    UniqueOwner() = default;
    explicit UniqueOwner(Handle h) : h_(h) {}
    ~UniqueOwner() { Reset(); }
    UniqueOwner(UniqueOwner&& other) noexcept : h_(other.Detach()) {}
    UniqueOwner& operator=(UniqueOwner&& other) noexcept {
        if (this != &other) Reset(other.Detach());
        return *this;
    }
    UniqueOwner(const UniqueOwner&) = delete;
    UniqueOwner& operator=(const UniqueOwner&) = delete;

    Handle Get() const { return h_; }
    bool IsValid() const { return h_ != Traits::Invalid(); }
    explicit operator bool() const { return IsValid(); }

    // Releases what is held and gives the address for an out-parameter.
    Handle* Put() {
        Reset();
        return &h_;
    }
    Handle Detach() {
        Handle h = h_;
        h_ = Traits::Invalid();
        return h;
    }
    void Reset(Handle h = Traits::Invalid()) {
        if (IsValid()) Traits::Close(h_);
        h_ = h;
    }

private:
    Handle h_ = Traits::Invalid();
};

#define VEXA_OWNER_TRAITS(Name, Type, InvalidValue, CloseCall) \
    struct Name {                                              \
        using Handle = Type;                                   \
        static Handle Invalid() { return InvalidValue; }       \
        static void Close(Handle h) { CloseCall; }             \
    }

VEXA_OWNER_TRAITS(FileHandleTraits, HANDLE, INVALID_HANDLE_VALUE, ::CloseHandle(h));
VEXA_OWNER_TRAITS(KernelHandleTraits, HANDLE, nullptr, ::CloseHandle(h));
VEXA_OWNER_TRAITS(FindHandleTraits, HANDLE, INVALID_HANDLE_VALUE, ::FindClose(h));
VEXA_OWNER_TRAITS(RegKeyTraits, HKEY, nullptr, ::RegCloseKey(h));
VEXA_OWNER_TRAITS(GlobalMemTraits, HGLOBAL, nullptr, ::GlobalFree(h));
VEXA_OWNER_TRAITS(LockedGlobalMemTraits, HGLOBAL, nullptr, ::GlobalUnlock(h); ::GlobalFree(h));
VEXA_OWNER_TRAITS(LocalMemTraits, HLOCAL, nullptr, ::LocalFree(h));
VEXA_OWNER_TRAITS(MemoryDcTraits, HDC, nullptr, ::DeleteDC(h));
VEXA_OWNER_TRAITS(MenuTraits, HMENU, nullptr, ::DestroyMenu(h));
VEXA_OWNER_TRAITS(IconTraits, HICON, nullptr, ::DestroyIcon(h));
VEXA_OWNER_TRAITS(AccelTraits, HACCEL, nullptr, ::DestroyAcceleratorTable(h));
VEXA_OWNER_TRAITS(CoTaskMemTraits, void*, nullptr, ::CoTaskMemFree(h));
VEXA_OWNER_TRAITS(BstrTraits, BSTR, nullptr, ::SysFreeString(h));

using FileHandle = UniqueOwner<FileHandleTraits>;     // CreateFileW
using KernelHandle = UniqueOwner<KernelHandleTraits>; // processes, threads, events
using FindHandle = UniqueOwner<FindHandleTraits>;     // FindFirstFileW
using RegKey = UniqueOwner<RegKeyTraits>;
using GlobalMem = UniqueOwner<GlobalMemTraits>;
// A movable global block locked once after GlobalAlloc and kept locked while
// it is read from: unlocked, then freed.
using LockedGlobalMem = UniqueOwner<LockedGlobalMemTraits>;
using LocalMem = UniqueOwner<LocalMemTraits>;       // FormatMessageW's allocated buffer
using MemoryDc = UniqueOwner<MemoryDcTraits>;         // CreateCompatibleDC
using MenuHandle = UniqueOwner<MenuTraits>;
using IconHandle = UniqueOwner<IconTraits>;
using CoTaskMem = UniqueOwner<CoTaskMemTraits>;
using Bstr = UniqueOwner<BstrTraits>;               // SysAllocString, a BSTR [out] parameter

// Any GDI object made with a Create* call: pens, brushes, bitmaps, fonts.
template <typename T>
struct GdiObjectTraits {
    using Handle = T;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::DeleteObject(h); }
};
template <typename T>
using GdiObject = UniqueOwner<GdiObjectTraits<T>>;

// A window's DC from GetDC, given back with ReleaseDC.
class WindowDc {
public:
    explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
    ~WindowDc() {
        if (dc_) ::ReleaseDC(hwnd_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;

    HDC Get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND hwnd_;
    HDC dc_;
};

// One WM_PAINT's DC: BeginPaint here, EndPaint in the destructor.
class PaintDc {
public:
    explicit PaintDc(HWND hwnd) : hwnd_(hwnd), dc_(::BeginPaint(hwnd, &ps_)) {}
    ~PaintDc() { ::EndPaint(hwnd_, &ps_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;

    HDC Get() const { return dc_; }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_ = {};
    HDC dc_;
};

// Selects an object into a DC for one scope and puts the previous one back.
class SelectObjectScope {
public:
    SelectObjectScope(HDC dc, HGDIOBJ obj) : dc_(dc), old_(::SelectObject(dc, obj)) {}
    ~SelectObjectScope() {
        if (old_) ::SelectObject(dc_, old_);
    }
    SelectObjectScope(const SelectObjectScope&) = delete;
    SelectObjectScope& operator=(const SelectObjectScope&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// Owner of one VARIANT: empty at first, cleared (VariantClear) at the end.
class Variant {
public:
    Variant() { ::VariantInit(&v_); }
    ~Variant() { ::VariantClear(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    const VARIANT& Get() const { return v_; }
    // Clears what is held and gives the address for an out-parameter.
    VARIANT* Put() {
        ::VariantClear(&v_);
        return &v_;
    }

private:
    VARIANT v_;
};

// Owner of one COM interface pointer.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(T* p) : p_(p) {  // adds a reference
        if (p_) p_->AddRef();
    }
    ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
    ComPtr(ComPtr&& other) noexcept : p_(other.Detach()) {}
    ~ComPtr() { Reset(); }
    ComPtr& operator=(ComPtr other) noexcept {
        T* old = p_;
        p_ = other.p_;
        other.p_ = old;
        return *this;
    }

    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

    // Releases what is held and gives the address for an out-parameter.
    T** Put() {
        Reset();
        return &p_;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }
    T* Detach() {
        T* p = p_;
        p_ = nullptr;
        return p;
    }
    void Reset() {
        if (p_) p_->Release();
        p_ = nullptr;
    }
    // Attaches a pointer that already carries its reference.
    void Attach(T* p) {
        Reset();
        p_ = p;
    }

    template <typename U>
    ComPtr<U> As() const {
        ComPtr<U> other;
        if (p_) p_->QueryInterface(__uuidof(U), other.PutVoid());
        return other;
    }
    ComPtr<IUnknown> AsRiid(REFIID iid) const {
        ComPtr<IUnknown> other;
        if (p_) p_->QueryInterface(iid, other.PutVoid());
        return other;
    }

private:
    T* p_ = nullptr;
};
