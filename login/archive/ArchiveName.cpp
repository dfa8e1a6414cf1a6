#include "login/archive/ArchiveName.h"

namespace {
void AppendCodePoint(std::wstring& out, char32_t c) {
    if (sizeof(wchar_t) == 2 && c > 0xFFFF) {
        c -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (c >> 10));
        out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
    } else {
        out += static_cast<wchar_t>(c);
    }
}

// Decodes one sequence at bytes[i]; returns its length, 0 for an invalid one.
size_t DecodeOne(const uint8_t* bytes, size_t length, size_t i, char32_t* c) {
    const uint8_t lead = bytes[i];
    if (lead < 0x80) {
        *c = lead;
        return 1;
    }
    size_t n;
    char32_t value, minimum;
    if ((lead & 0xE0) == 0xC0) {
        n = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        n = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        n = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (length - i < n) return 0;
    for (size_t k = 1; k < n; ++k) {
        if ((bytes[i + k] & 0xC0) != 0x80) return 0;
        value = (value << 6) | (bytes[i + k] & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not characters.
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    *c = value;
    return n;
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// A component that Windows trims to "..", or to nothing after "..".
bool IsParentLike(const std::wstring& component) {
    size_t dots = 0;
    for (wchar_t c : component) {
        if (c == L'.') ++dots;
        else if (c != L' ') return false;
    }
    return dots >= 2;
}
}  // namespace

bool DecodeEntryName(const uint8_t* bytes, size_t length, std::wstring* name) {
    std::wstring out;
    for (size_t i = 0; i < length;) {
        char32_t c;
        const size_t n = DecodeOne(bytes, length, i, &c);
        if (n == 0) return false;
        AppendCodePoint(out, c);
        i += n;
    }
    *name = out;
    return true;
}

std::wstring CleanEntryName(std::wstring name) {
    static const wchar_t* const kClimbs[] = {L"\\..\\", L"\\../", L"/../", L"/..\\"};
    for (;;) {
        if (name.size() >= 2 && name[1] == L':') {
            name.erase(0, 2);
            continue;
        }
        if (!name.empty() && IsSeparator(name[0])) {
            name.erase(0, 1);
            continue;
        }
        bool dropped = false;
        for (const wchar_t* climb : kClimbs) {
            size_t at = name.find(climb);
            if (at != std::wstring::npos) {
                name.erase(0, at + 4);
                dropped = true;
                break;
            }
        }
        if (!dropped) return name;
    }
}

bool IsSafeRelativeName(const std::wstring& name) {
    if (name.empty() || IsSeparator(name[0])) return false;
    std::wstring component;
    for (size_t i = 0; i <= name.size(); ++i) {
        const wchar_t c = i < name.size() ? name[i] : L'/';
        if (IsSeparator(c)) {
            if (IsParentLike(component)) return false;
            component.clear();
            continue;
        }
        if (c == L':' || static_cast<uint32_t>(c) < 0x20) return false;
        component += c;
    }
    return true;
}
