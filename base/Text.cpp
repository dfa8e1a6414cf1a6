#include "base/Text.h"

#include <cstdarg>
#include <cwchar>
#include <vector>

std::wstring FormatText(const wchar_t* format, ...) {
    std::vector<wchar_t> buffer(256);
    for (;;) {
        va_list args;
        va_start(args, format);
        int n = std::vswprintf(buffer.data(), buffer.size(), format, args);
        va_end(args);
        if (n >= 0 && static_cast<size_t>(n) < buffer.size()) return std::wstring(buffer.data(), n);
        if (buffer.size() >= (1u << 20)) return std::wstring();  // not a sane text
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring WidenAscii(const char* text) {
    std::wstring out;
    for (const char* p = text; p && *p; ++p) out += static_cast<wchar_t>(static_cast<unsigned char>(*p));
    return out;
}
