// What the setup and settings tests share: the data folder and the places
// the setup writes to, the settings template, reading shell links back,
// and copies of this executable with another file version.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>

#include "app/FileUtils.h"
#include "app/Profile.h"
#include "app/Shell.h"
#include "base/Owners.h"
#include "tests/win/TestFiles.h"

// The settings template as the client ships it: 137 bytes, CR LF everywhere.
constexpr char kSettingsTemplate[] =
    "[Info]\r\ncode=\r\npwd=\r\nrem=1\r\n[Setting]\r\nsoundoff=0\r\nautostart=0\r\nautologin=0\r\n"
    "screenshots=Ctrl+Shift+A\r\nscreentoggle=F10\r\nfullscreen=F11\r\n";

inline const wchar_t kUninstallKeyPath[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OrbelleDunmark";

// APPDATA\velmo\vexa without its trailing backslash.
inline std::wstring DataFolder() {
    const std::wstring& d = GetDataFolder();
    return d.substr(0, d.size() - 1);
}
inline std::wstring ResFolder() { return DataFolder() + L"\\res"; }
inline std::wstring SettingsFile() { return ResFolder() + L"\\systemset.ini"; }
inline std::wstring StartMenuFolder() { return GetShellFolder(CSIDL_PROGRAMS) + L"\\Orbelle\\Vexaria"; }
inline std::wstring DesktopLink() { return GetShellFolder(CSIDL_DESKTOP) + L"\\Orbelle《Vexaria》.lnk"; }
inline std::wstring GameLink() { return StartMenuFolder() + L"\\Vexaria.lnk"; }
inline std::wstring UninstallLink() { return StartMenuFolder() + L"\\卸载-Vexaria.lnk"; }

inline void MakeFolders(const std::wstring& path) { SHCreateDirectoryExW(nullptr, path.c_str(), nullptr); }

// A file of the source tree, through the folder the harness passes in
// VEXA_TEST_DATA (tests/data).
inline std::wstring SourceFile(const std::wstring& relativeToRoot) {
    wchar_t data[MAX_PATH] = {};
    GetEnvironmentVariableW(L"VEXA_TEST_DATA", data, MAX_PATH);
    return std::wstring(data) + L"\\..\\..\\" + relativeToRoot;
}

// Everything a setup run leaves (but the profile mirror), removed for good.
inline void ResetInstallState() {
    RemoveTree(GetShellFolder(CSIDL_APPDATA) + L"\\velmo");
    RemoveTree(GetShellFolder(CSIDL_PROGRAMS) + L"\\Orbelle");
    DeleteFileW(DesktopLink().c_str());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kUninstallKeyPath);
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kUninstallKeyPath, KEY_WOW64_64KEY, 0);
    RegDeleteKeyExW(HKEY_CURRENT_USER, kUninstallKeyPath, KEY_WOW64_64KEY, 0);
}

// The application profile's mirror of the uninstall entry, reached as the
// setup reaches it.
inline void ResetProfileMirror() {
    for (const wchar_t* name : {L"Path", L"DisplayName", L"Publisher", L"UninstallString"})
        WriteAppProfileString(L"OrbelleDunmark", name, L"");
}

struct ShellLinkFields {
    bool loaded = false;
    std::wstring target, arguments, description, icon;
    int iconIndex = -1;
    int showCommand = 0;
};

// Reads a .lnk file back through IShellLinkW (COM initialised by the caller).
inline ShellLinkFields ReadShellLink(const std::wstring& path) {
    ShellLinkFields f;
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid())))
        return f;
    ComPtr<IPersistFile> file = link.As<IPersistFile>();
    if (!file || FAILED(file->Load(path.c_str(), STGM_READ))) return f;
    wchar_t text[1024];
    link->GetPath(text, 1024, nullptr, SLGP_RAWPATH);
    f.target = text;
    link->GetArguments(text, 1024);
    f.arguments = text;
    link->GetDescription(text, 1024);
    f.description = text;
    link->GetIconLocation(text, 1024, &f.iconIndex);
    f.icon = text;
    link->GetShowCmd(&f.showCommand);
    f.loaded = true;
    return f;
}

// A copy of this executable whose FileVersion text reads `version` (same
// length as "1.0.0.0"); `mark` changes its ProductVersion too, so that two
// copies of the same version still differ in content.
inline bool VersionedCopy(const std::wstring& to, const wchar_t* version, const wchar_t* mark = L"1.0.0.0") {
    std::string bytes = ReadAll(GetModulePath());
    auto replaceValue = [&](const wchar_t* key, const wchar_t* value) {
        const std::wstring k = key, was = L"1.0.0.0";
        const std::string keyBytes(reinterpret_cast<const char*>(k.c_str()), (k.size() + 1) * 2);
        const size_t at = bytes.rfind(keyBytes);  // the resource section comes last
        if (at == std::string::npos) return false;
        const std::string wasBytes(reinterpret_cast<const char*>(was.c_str()), was.size() * 2);
        const size_t v = bytes.find(wasBytes, at);
        if (v == std::string::npos || v - at - keyBytes.size() > 4) return false;  // only padding between
        bytes.replace(v, wasBytes.size(), reinterpret_cast<const char*>(value), wasBytes.size());
        return true;
    };
    return replaceValue(L"FileVersion", version) && replaceValue(L"ProductVersion", mark) && WriteAll(to, bytes);
}

inline std::wstring RegString(HKEY root, const wchar_t* key, const wchar_t* value, REGSAM view = KEY_WOW64_64KEY) {
    RegKey k;
    if (RegOpenKeyExW(root, key, 0, KEY_READ | view, k.Put()) != ERROR_SUCCESS) return L"<no key>";
    wchar_t text[1024] = {};
    DWORD type = 0, bytes = sizeof(text) - sizeof(wchar_t);
    if (RegQueryValueExW(k.Get(), value, nullptr, &type, reinterpret_cast<BYTE*>(text), &bytes) != ERROR_SUCCESS)
        return L"<no value>";
    if (type != REG_SZ) return L"<not REG_SZ>";
    // The stored size counts the terminator.
    if (bytes < sizeof(wchar_t) || text[bytes / sizeof(wchar_t) - 1] != L'\0') return L"<no terminator>";
    return text;
}

class ComApartment {
public:
    ComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComApartment() { CoUninitialize(); }
};
