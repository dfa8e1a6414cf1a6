#include "browser/BrowserEmulation.h"

#include <windows.h>

#include "app/Paths.h"
#include "app/Shell.h"
#include "base/Owners.h"

const wchar_t kBrowserEmulationKey[] =
    L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION";

bool EnsureBrowserEmulation() {
    const std::wstring name = FileNameOf(GetModulePath());
    if (name.empty()) return false;
    RegKey key;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kBrowserEmulationKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                          nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, mode = 0, size = sizeof(mode);
    if (::RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&mode), &size) ==
            ERROR_SUCCESS &&
        type == REG_DWORD && size == sizeof(mode) && mode == kBrowserEmulationMode)
        return true;  // unchanged: no write on every start
    mode = kBrowserEmulationMode;
    return ::RegSetValueExW(key.Get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&mode),
                            sizeof(mode)) == ERROR_SUCCESS;
}

bool RemoveBrowserEmulation(const std::wstring& exeName) {
    if (exeName.empty()) return false;
    RegKey key;
    const LONG opened = ::RegOpenKeyExW(HKEY_CURRENT_USER, kBrowserEmulationKey, 0, KEY_SET_VALUE, key.Put());
    if (opened == ERROR_FILE_NOT_FOUND) return true;
    if (opened != ERROR_SUCCESS) return false;
    const LONG deleted = ::RegDeleteValueW(key.Get(), exeName.c_str());
    return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND;
}
