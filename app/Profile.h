// The program's name and its application profile: text values kept under
// HKCU\Software\<kRegistryKey>\<kAppName>\<section>, where the Windows
// framework keeps an application's profile. The first-run setup mirrors the
// uninstall entry there.
#pragma once

#include <string>

// The name the application is known by: the profile's key, the internet
// user agent.
inline constexpr wchar_t kAppName[] = L"Kestro_V5";
// The profile's company key.
inline constexpr wchar_t kRegistryKey[] = L"应用程序向导生成的本地应用程序";

// The framework's GetProfileString and WriteProfileString, named apart from
// the Win32 functions of those names (which read win.ini).

// The text value entry of section; defaultValue when the section or the
// value is missing or is not text.
std::wstring GetAppProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* defaultValue);

// Writes entry of section as text, creating the section when missing. False
// when the registry refuses it.
bool WriteAppProfileString(const wchar_t* section, const wchar_t* entry, const std::wstring& value);
