#include "app/Shell.h"

#include <shlobj.h>

#include <vector>

#include "app/Paths.h"
#include "base/Owners.h"

std::wstring GetModulePath() {
    wchar_t path[MAX_PATH] = {};
    DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::wstring();
    return std::wstring(path, n);
}

std::wstring GetAppDataFolder() {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path))) return std::wstring();
    return path;
}

std::wstring GetShellFolder(int csidl) {
    PIDLIST_ABSOLUTE list = nullptr;
    if (FAILED(::SHGetSpecialFolderLocation(nullptr, csidl, &list)) || !list) return std::wstring();
    CoTaskMem owner(list);
    wchar_t path[MAX_PATH] = {};
    if (!::SHGetPathFromIDListW(list, path)) return std::wstring();
    return path;
}

bool StartDetachedProcess(const std::wstring& application, const wchar_t* commandLine, DWORD* error) {
    SECURITY_ATTRIBUTES processAttributes = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    SECURITY_ATTRIBUTES threadAttributes = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    // CreateProcessW may write into the command line, so it gets a copy.
    std::vector<wchar_t> line;
    if (commandLine) line.assign(commandLine, commandLine + wcslen(commandLine) + 1);

    const BOOL started = ::CreateProcessW(application.c_str(), commandLine ? line.data() : nullptr,
                                          &processAttributes, &threadAttributes, FALSE,
                                          CREATE_DEFAULT_ERROR_MODE, nullptr, nullptr, &startup, &process);
    if (!started) {
        if (error) *error = ::GetLastError();
        return false;
    }
    KernelHandle processHandle(process.hProcess), threadHandle(process.hThread);
    return true;
}
