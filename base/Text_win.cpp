#include "base/Text.h"

#include <windows.h>

std::wstring LoadStr(unsigned id) {
    const wchar_t* text = nullptr;
    int n = ::LoadStringW(::GetModuleHandleW(nullptr), id, reinterpret_cast<wchar_t*>(&text), 0);
    return n > 0 && text ? std::wstring(text, n) : std::wstring();
}
