// The player's settings file, APPDATA\velmo\vexa\res\systemset.ini, reached
// only through the system's profile functions: every read and every write
// goes to the file; nothing is kept in memory.
#pragma once

#include <cstddef>
#include <string>

constexpr size_t kSettingChars = 260;  // the caller's value buffer, terminator included

// The value of key in section, or defaultValue when the file, the section or
// the key is missing; at most 259 characters. Names match in any letter case.
void ReadSetting(std::wstring section, std::wstring key, std::wstring defaultValue, wchar_t (&buffer)[kSettingChars]);

// Replaces the key's value in place, or adds the key as the last entry of its
// section, or adds the section at the end; creates the file when its folder
// exists. Failures are not reported.
void WriteSetting(std::wstring section, std::wstring key, const wchar_t* value);

// The file both operate on: the data folder followed by "res//systemset.ini";
// empty when the data folder is unknown or the path would not fit MAX_PATH.
std::wstring SettingsFilePath();
