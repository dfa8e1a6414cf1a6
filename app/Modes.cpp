#include "app/Modes.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdlib>
#include <exception>

#include "app/CommandLine.h"
#include "app/FileUtils.h"
#include "app/FixedTexts.h"
#include "app/Paths.h"
#include "app/Shell.h"
#include "app/UpdateLog.h"
#include "base/Owners.h"
#include "base/Text.h"
#include "browser/BrowserEmulation.h"
#include "login/UninstallEntry.h"
#include "res/resource.h"
#include "widgets/MessageBox.h"

namespace {
// Returns false when the copy failed and the normal mode must follow.
bool InstallOverTarget(const std::wstring& commandLine) {
    const std::wstring target = PathAfterSwitch(commandLine);
    const std::wstring self = GetModulePath();
    // The old client ends right after starting us and may still hold the
    // target for a moment. The installed client is replaced in one step, so
    // an interrupted copy never leaves the player a broken one.
    const DWORD error = ReplaceFileAtomically(self, target, kFileReleaseWaitMs);
    if (error != NO_ERROR) {
        WriteUpdateLog(FormatText(kLogHandOverFailure, static_cast<long>(error)));
        WriteUpdateLog(kLogSeparator);
        return false;
    }
    std::wstring md5;
    GetFileMd5(target, md5);
    WriteUpdateLog(kLogHandOverMd5 + md5);
    WriteUpdateLog(kLogHandOverVersion + GetFileVersionString(target));
    WriteUpdateLog(kLogSeparator);
    StartDetachedProcess(target, nullptr);
    return true;
}

// Deletes a composed path only when it fits a MAX_PATH buffer whole.
void DeleteComposed(const std::wstring& path) {
    if (FitsMaxPath(path)) DeleteAndNotify(path);
}

void DeleteFolderIfEmpty(const std::wstring& path) {
    if (FitsMaxPath(path) && IsFolderEmpty(path)) DeleteAndNotify(path);
}
}  // namespace

void RunHandOver(const std::wstring& commandLine) {
    if (commandLine.size() == 2) return;
    try {
        if (InstallOverTarget(commandLine)) std::exit(0);
    } catch (const std::exception& e) {
        WriteUpdateLog(kLogHandOverException);
        WriteUpdateLog(WidenAscii(e.what()).substr(0, 254));
    }
}

void RunUninstallStageOne() {
    const std::wstring title = LoadStr(IDS_GAME_TITLE);
    if (ShowMessageBox(kUninstallCaption, FormatText(kUninstallQuestion, title.c_str())) == IDCANCEL) return;

    const std::wstring self = GetModulePath();
    const std::wstring appData = GetAppDataFolder();
    if (!appData.empty() && !self.empty()) {
        const std::wstring cache = appData + L"\\cache";
        if (::GetFileAttributesW(cache.c_str()) == INVALID_FILE_ATTRIBUTES) ::CreateDirectoryW(cache.c_str(), nullptr);
        const std::wstring copy = appData + LoadStr(IDS_UNINSTALLER_FILE);
        if (FitsMaxPath(copy)) {
            ::CopyFileW(self.c_str(), copy.c_str(), FALSE);
            StartDetachedProcess(copy, FormatText(L"-u %ls", self.c_str()).c_str());
        }
    }

    DeleteUninstallEntries();
}

void RunUninstallStageTwo(const std::wstring& commandLine) {
    const std::wstring title = LoadStr(IDS_GAME_TITLE);
    const std::wstring company = LoadStr(IDS_COMPANY);

    const std::wstring desktop = GetShellFolder(CSIDL_DESKTOP);
    if (!desktop.empty())
        DeleteComposed(FormatText(L"%ls\\%ls《%ls》.lnk", desktop.c_str(), LoadStr(IDS_PUBLISHER).c_str(), title.c_str()));

    const std::wstring programs = GetShellFolder(CSIDL_PROGRAMS);
    const std::wstring gameMenu = programs.empty() ? std::wstring() : FormatText(L"%ls\\%ls\\%ls", programs.c_str(),
                                                                                 company.c_str(), title.c_str());
    if (!gameMenu.empty()) {
        DeleteComposed(FormatText(L"%ls\\%ls.lnk", gameMenu.c_str(), LoadStr(IDS_UNINSTALL_NAME).c_str()));
        DeleteComposed(FormatText(L"%ls\\%ls.lnk", gameMenu.c_str(), title.c_str()));
    }

    // The installed executable and its res folder, only for a whole, full
    // path: a bare name would point into whatever the current folder is.
    const std::wstring installed = PathAfterSwitch(commandLine);
    if (IsFullPath(installed) && FitsMaxPath(installed)) {
        // Stage one has just started us and may still be running from it.
        DeleteFileWhenReleased(installed, kFileReleaseWaitMs);
        DeleteComposed(FolderOf(installed) + L"\\res");
        // Written under the installed client's name (this copy runs under another).
        RemoveBrowserEmulation(FileNameOf(installed));
    }

    if (!gameMenu.empty()) {
        DeleteFolderIfEmpty(gameMenu);
        DeleteFolderIfEmpty(FormatText(L"%ls\\%ls", programs.c_str(), company.c_str()));
    }
}
