// The system's uninstall entry "OrbelleDunmark", which lists the game in
// Apps & features: in the machine's list when this user may write it (an
// administrator), otherwise in the user's own list (a standard user under
// UAC, the common case), never in both.
#pragma once

#include <windows.h>

#include <string>

#include "base/Owners.h"

// The registry key that holds the system's uninstall entries, and ours; ours
// is also the section of its mirror in the application profile.
inline constexpr wchar_t kUninstallRoot[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr wchar_t kUninstallKeyName[] = L"OrbelleDunmark";

// The two uninstall lists, each a key path below a root, read and written
// in the 64-bit registry view. Tests put lists of their own in.
struct UninstallLists {
    HKEY machine = HKEY_LOCAL_MACHINE;
    std::wstring machinePath;  // default: SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall
    HKEY user = HKEY_CURRENT_USER;
    std::wstring userPath;     // default: the same path
    UninstallLists();
};

// Opens the entry where it belongs and returns it (empty when it can be
// written nowhere):
// - the machine's list, when it opens for writing and the entry can be
//   created or opened there; an entry in the user's list is then deleted;
// - otherwise the user's list (created when missing), unless the machine's
//   list already holds an entry this user cannot change.
// A newly created entry gets the four values Path, DisplayName, Publisher and
// UninstallString (installed + " -u"); an existing one keeps them.
RegKey OpenUninstallEntry(const std::wstring& installed, const UninstallLists& lists = UninstallLists());

// Brings the values Apps & features shows up to date: DisplayIcon and
// InstallLocation (installed and dataFolder), DisplayVersion (the installed
// file's version), EstimatedSize (KiB of dataFolder, rounded up), NoModify
// and NoRepair (1), and InstallDate (today, YYYYMMDD) when the entry has
// none or its DisplayVersion changes: the date this version was installed.
void WriteUninstallDetails(HKEY entry, const std::wstring& installed, const std::wstring& dataFolder);

// Deletes the entry from both lists (each only where this user may).
void DeleteUninstallEntries(const UninstallLists& lists = UninstallLists());
