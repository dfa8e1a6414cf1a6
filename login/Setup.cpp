#include "login/Setup.h"

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cwchar>

#include "app/FileUtils.h"
#include "app/Paths.h"
#include "app/Profile.h"
#include "app/Shell.h"
#include "base/Owners.h"
#include "base/Text.h"
#include "login/UninstallEntry.h"
#include "login/archive/ResourceArchive.h"
#include "res/resource.h"
#include "settings/Settings.h"

namespace {
const wchar_t kSettingsFileName[] = L"systemset.ini";
const wchar_t kMarkerSection[] = L"Setting";
const wchar_t kMarkerKey[] = L"start";
constexpr long kMarkerUnpacked = 1001;

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void CreateFolderIfMissing(const std::wstring& path) {
    if (FitsMaxPath(path) && !Exists(path)) ::CreateDirectoryW(path.c_str(), nullptr);
}

// The archive resource of this executable; empty when it is missing.
bool LoadArchiveResource(const void** data, size_t* size) {
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(IDR_ARCHIVE), L"ZIP");
    HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
    *data = loaded ? ::LockResource(loaded) : nullptr;
    *size = found ? ::SizeofResource(module, found) : 0;
    return *data && *size;
}

// Writes every entry below resFolder; false when anything failed.
bool UnpackArchive(const std::wstring& resFolder) {
    const void* data = nullptr;
    size_t size = 0;
    if (!LoadArchiveResource(&data, &size)) return false;
    ArchiveOwner archive(OpenFromMemory(data, size));
    if (!archive || SetBaseFolder(archive.get(), resFolder.c_str()) != kArchiveOk) return false;
    ArchiveEntry count;
    GetEntry(archive.get(), -1, &count);
    bool complete = true;
    for (int i = 0; i < count.index; ++i) {
        ArchiveEntry entry;
        if (GetEntry(archive.get(), i, &entry) != kArchiveOk) {
            complete = false;  // a refused entry is never written under some other name
            continue;
        }
        // The player's settings stay.
        if (wcscmp(entry.name, kSettingsFileName) == 0 && Exists(JoinPath(resFolder, kSettingsFileName))) continue;
        if (ExtractEntry(archive.get(), i, entry.name) != kArchiveOk) complete = false;
    }
    return complete;
}

void WriteProfileMirror(const std::wstring& installed) {
    if (GetAppProfileString(kUninstallKeyName, L"Path", L"no find!") == installed) return;
    WriteAppProfileString(kUninstallKeyName, L"Path", installed);
    WriteAppProfileString(kUninstallKeyName, L"DisplayName", LoadStr(IDS_GAME_TITLE));
    WriteAppProfileString(kUninstallKeyName, L"Publisher", LoadStr(IDS_PUBLISHER));
    WriteAppProfileString(kUninstallKeyName, L"UninstallString", installed + L" -u");
}

void CreateDesktopShortcut(const std::wstring& installed) {
    const std::wstring desktop = GetShellFolder(CSIDL_DESKTOP);
    if (desktop.empty()) return;
    const std::wstring name =
        FormatText(L"%ls《%ls》.lnk", LoadStr(IDS_PUBLISHER).c_str(), LoadStr(IDS_GAME_TITLE).c_str());
    const std::wstring link = JoinPath(desktop, name);
    if (FitsMaxPath(link) && !Exists(link)) CreateShortcut(L"1", installed, desktop, name, false);
}

void CreateStartMenuShortcuts(const std::wstring& installed) {
    const std::wstring programs = GetShellFolder(CSIDL_PROGRAMS);
    if (programs.empty()) return;
    const std::wstring company = JoinPath(programs, LoadStr(IDS_COMPANY));
    CreateFolderIfMissing(company);
    const std::wstring game = JoinPath(company, LoadStr(IDS_GAME_TITLE));
    CreateFolderIfMissing(game);
    CreateShortcut(L"1", installed, game, LoadStr(IDS_GAME_TITLE) + L".lnk", false);
    CreateShortcut(L"-u", installed, game, LoadStr(IDS_UNINSTALL_NAME) + L".lnk", true);
}
}  // namespace

long ReadVersionNumber(const std::wstring& path) {
    std::wstring digits;
    for (wchar_t c : GetFileVersionString(path))
        if (c != L'.') digits += c;
    return wcstol(digits.c_str(), nullptr, 10);
}

UnpackResult ExtractResourceArchive(const std::wstring& folder) {
    wchar_t marker[kSettingChars] = {};
    ReadSetting(kMarkerSection, kMarkerKey, L"-1", marker);
    if (wcstol(marker, nullptr, 10) == kMarkerUnpacked) return UnpackResult::AlreadyUnpacked;

    const std::wstring res = folder + L"\\res";
    bool complete = false;
    if (FitsMaxPath(res)) {
        CreateFolderIfMissing(res);
        complete = UnpackArchive(res);
        const std::wstring leftover = res + L"\\data.zip";
        if (FitsMaxPath(leftover) && Exists(leftover)) ::DeleteFileW(leftover.c_str());
    }
    // Written even after a failure: a broken archive is not retried at every start.
    WriteSetting(kMarkerSection, kMarkerKey, FormatText(L"%d", static_cast<int>(kMarkerUnpacked)).c_str());
    return complete ? UnpackResult::Unpacked : UnpackResult::Incomplete;
}

bool CreateShortcut(const std::wstring& arguments, const std::wstring& target, const std::wstring& folder,
                    const std::wstring& linkName, bool withUninstallIcon) {
    const std::wstring linkPath = FormatText(L"%ls\\%ls", folder.c_str(), linkName.c_str());
    const std::wstring iconPath = FolderOf(target) + L"\\res\\uninstall.ico";
    if (!FitsMaxPath(linkPath) || !FitsMaxPath(target) || (withUninstallIcon && !FitsMaxPath(iconPath)))
        return false;

    ComPtr<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid())))
        return false;
    ComPtr<IPersistFile> file = link.As<IPersistFile>();
    if (!file) return false;
    link->SetPath(target.c_str());
    link->SetArguments(arguments.c_str());
    link->SetDescription(L"");
    if (withUninstallIcon) link->SetIconLocation(iconPath.c_str(), 0);
    link->SetShowCmd(SW_SHOWNORMAL);
    return SUCCEEDED(file->Save(linkPath.c_str(), TRUE));
}

void InstallClient() {
    // Every step below works on the data folder or the installed copy in it;
    // without the application-data folder there is nothing to install into.
    const std::wstring appData = GetAppDataFolder();
    if (appData.empty()) return;
    const std::wstring outer = JoinPath(appData, LoadStr(IDS_COMPANY_FOLDER));
    CreateFolderIfMissing(outer);
    const std::wstring data = JoinPath(outer, LoadStr(IDS_GAME_FOLDER));
    if (!FitsMaxPath(data)) return;
    CreateFolderIfMissing(data);

    ExtractResourceArchive(data);

    const std::wstring running = GetModulePath();
    const std::wstring installed = JoinPath(data, FileNameOf(running));
    if (running.empty() || !FitsMaxPath(installed)) return;

    CreateDesktopShortcut(installed);
    CreateStartMenuShortcuts(installed);
    const long installedVersion = ReadVersionNumber(installed);
    const long runningVersion = ReadVersionNumber(running);
    const RegKey entry = OpenUninstallEntry(installed);
    WriteProfileMirror(installed);
    // Replaced in one step, without waiting: a copy that is in use stays as it
    // is and the next start tries again.
    if (installedVersion == 0 || installedVersion < runningVersion) ReplaceFileAtomically(running, installed, 0);
    // After the copy, so that the version and size shown are the installed ones.
    if (entry) WriteUninstallDetails(entry.Get(), installed, data);
}
