#include "login/UninstallEntry.h"

#include <cwctype>

#include "app/FileUtils.h"
#include "base/Text.h"
#include "res/resource.h"

namespace {
constexpr REGSAM kAllAccess = KEY_ALL_ACCESS | KEY_WOW64_64KEY;

std::wstring EntryPath(const std::wstring& list) { return list + L"\\" + kUninstallKeyName; }

void SetText(HKEY key, const wchar_t* name, const std::wstring& text) {
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));  // the terminator counted
    ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), bytes);
}

void SetNumber(HKEY key, const wchar_t* name, DWORD value) {
    ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

std::wstring GetText(HKEY key, const wchar_t* name) {
    wchar_t text[256] = {};
    DWORD type = 0, bytes = sizeof(text) - sizeof(wchar_t);
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &bytes) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::wstring();
    return text;
}

// The machine's list is opened, never created (Windows always has it); the
// user's is created when missing, as a fresh profile may lack it.
RegKey CreateEntry(HKEY root, const std::wstring& list, bool createList, bool* created) {
    RegKey listKey, entry;
    const LONG opened = createList ? ::RegCreateKeyExW(root, list.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                       kAllAccess, nullptr, listKey.Put(), nullptr)
                                   : ::RegOpenKeyExW(root, list.c_str(), 0, kAllAccess, listKey.Put());
    if (opened != ERROR_SUCCESS) return entry;
    DWORD disposition = 0;
    if (::RegCreateKeyExW(listKey.Get(), kUninstallKeyName, 0, nullptr, REG_OPTION_NON_VOLATILE, kAllAccess, nullptr,
                          entry.Put(), &disposition) != ERROR_SUCCESS)
        return RegKey();
    *created = disposition == REG_CREATED_NEW_KEY;
    return entry;
}

bool EntryExists(HKEY root, const std::wstring& list) {
    RegKey entry;
    return ::RegOpenKeyExW(root, EntryPath(list).c_str(), 0, KEY_READ | KEY_WOW64_64KEY, entry.Put()) == ERROR_SUCCESS;
}

void DeleteEntry(HKEY root, const std::wstring& list) {
    RegKey listKey;
    if (::RegOpenKeyExW(root, list.c_str(), 0, kAllAccess, listKey.Put()) == ERROR_SUCCESS)
        ::RegDeleteKeyExW(listKey.Get(), kUninstallKeyName, KEY_WOW64_64KEY, 0);
}

void WriteFourValues(HKEY entry, const std::wstring& installed) {
    SetText(entry, L"Path", installed);
    SetText(entry, L"DisplayName", LoadStr(IDS_GAME_TITLE));
    SetText(entry, L"Publisher", LoadStr(IDS_PUBLISHER));
    SetText(entry, L"UninstallString", installed + L" -u");
}

// Bytes of every file below folder, links not followed.
unsigned long long FolderBytes(const std::wstring& folder) {
    WIN32_FIND_DATAW found = {};
    FindHandle find(::FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                       nullptr, 0));
    if (!find) return 0;
    unsigned long long bytes = 0;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        // A link may lead anywhere, even back here.
        if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            bytes += FolderBytes(folder + L"\\" + name);
        else
            bytes += (static_cast<unsigned long long>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    } while (::FindNextFileW(find.Get(), &found));
    return bytes;
}

std::wstring Today() {
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    return FormatText(L"%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
}
}  // namespace

UninstallLists::UninstallLists() : machinePath(kUninstallRoot), userPath(kUninstallRoot) {}

RegKey OpenUninstallEntry(const std::wstring& installed, const UninstallLists& lists) {
    bool created = false;
    RegKey entry = CreateEntry(lists.machine, lists.machinePath, false, &created);
    if (entry) {
        // An administrator's start takes over what a standard user's left.
        DeleteEntry(lists.user, lists.userPath);
    } else if (!EntryExists(lists.machine, lists.machinePath)) {
        entry = CreateEntry(lists.user, lists.userPath, true, &created);
    }
    if (entry && created) WriteFourValues(entry.Get(), installed);
    return entry;
}

void WriteUninstallDetails(HKEY entry, const std::wstring& installed, const std::wstring& dataFolder) {
    const std::wstring version = GetFileVersionString(installed);
    const bool numeric = !version.empty() && std::iswdigit(version[0]);
    if (numeric && (GetText(entry, L"DisplayVersion") != version || GetText(entry, L"InstallDate").empty()))
        SetText(entry, L"InstallDate", Today());
    if (numeric) SetText(entry, L"DisplayVersion", version);
    SetText(entry, L"DisplayIcon", installed);
    SetText(entry, L"InstallLocation", dataFolder);
    const unsigned long long kib = (FolderBytes(dataFolder) + 1023) / 1024;
    SetNumber(entry, L"EstimatedSize", kib > MAXDWORD ? MAXDWORD : static_cast<DWORD>(kib));
    SetNumber(entry, L"NoModify", 1);
    SetNumber(entry, L"NoRepair", 1);
}

void DeleteUninstallEntries(const UninstallLists& lists) {
    DeleteEntry(lists.machine, lists.machinePath);
    DeleteEntry(lists.user, lists.userPath);
}
