#include "settings/Settings.h"

#include <windows.h>

#include <cwchar>

#include "app/FileUtils.h"
#include "app/Paths.h"
#include "base/Text.h"
#include "res/resource.h"

std::wstring SettingsFilePath() {
    const std::wstring& dataFolder = GetDataFolder();
    // Without the data folder the bare relative name would make the profile
    // functions use a file in the Windows folder.
    if (dataFolder.empty()) return std::wstring();
    const std::wstring path = dataFolder + LoadStr(IDS_SETTINGS_FILE);
    return FitsMaxPath(path) ? path : std::wstring();
}

void ReadSetting(std::wstring section, std::wstring key, std::wstring defaultValue, wchar_t (&buffer)[kSettingChars]) {
    const std::wstring path = SettingsFilePath();
    if (path.empty()) {
        wcsncpy(buffer, defaultValue.c_str(), kSettingChars - 1);
        buffer[kSettingChars - 1] = L'\0';
        return;
    }
    ::GetPrivateProfileStringW(section.c_str(), key.c_str(), defaultValue.c_str(), buffer, kSettingChars,
                               path.c_str());
}

void WriteSetting(std::wstring section, std::wstring key, const wchar_t* value) {
    const std::wstring path = SettingsFilePath();
    if (!path.empty()) ::WritePrivateProfileStringW(section.c_str(), key.c_str(), value, path.c_str());
}
