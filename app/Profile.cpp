#include "app/Profile.h"

#include <windows.h>

#include <cwchar>

#include "base/Owners.h"

namespace {
std::wstring ProfileKeyPath(const wchar_t* section) {
    return std::wstring(L"Software\\") + kRegistryKey + L"\\" + kAppName + L"\\" + section;
}
}  // namespace

std::wstring GetAppProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* defaultValue) {
    RegKey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, ProfileKeyPath(section).c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return defaultValue;
    DWORD type = 0, bytes = 0;
    if (::RegQueryValueExW(key.Get(), entry, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS || type != REG_SZ)
        return defaultValue;
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    if (::RegQueryValueExW(key.Get(), entry, nullptr, &type, reinterpret_cast<BYTE*>(&value[0]), &bytes) !=
        ERROR_SUCCESS)
        return defaultValue;
    value.resize(wcsnlen(value.c_str(), value.size()));
    return value;
}

bool WriteAppProfileString(const wchar_t* section, const wchar_t* entry, const std::wstring& value) {
    RegKey key;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, ProfileKeyPath(section).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_WRITE, nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
        return false;
    const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(key.Get(), entry, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes) ==
           ERROR_SUCCESS;
}
