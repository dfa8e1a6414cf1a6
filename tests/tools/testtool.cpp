// testtool: what the end-to-end driver needs of a Windows program.
//   testtool launch APP LINE|--none [--wait]  start APP the way the client starts
//                                             itself; print "pid N" (and "exit N")
//   testtool hold PATH MS                     open PATH without sharing, print
//                                             "held", keep it MS milliseconds
//   testtool procs                            print the running programs' names
//   testtool debug OUT APP LINE|--none        run APP as its debugger; append every
//                                             debugger-output line to OUT (UTF-8)
//   testtool link PATH                        read a shell link back; print its
//                                             fields as name=value lines (UTF-8)
//   testtool hotkey VK MODS [--window MS]     RegisterHotKey(MODS, VK) once; print
//                                             "registered" or "error N". With --window:
//                                             show a window "testtool hotkey", retry for
//                                             up to MS/2, then print "hotkey ID" for every
//                                             WM_HOTKEY until MS have passed
//   testtool deny-writes KEY                  let everyone only read the registry key
//                                             KEY (HKLM\... or HKCU\..., 64-bit view):
//                                             HKLM as a standard user meets it
//   testtool windows TITLE | --class NAME     print "visible W H" or "hidden W H" for
//                                             every top-level window titled TITLE
//                                             (or of the window class NAME)
//   testtool tray-gone EXE MS                 print "watching", then wait up to MS for
//                                             the notification area to be hidden (its
//                                             last icon removed); print "gone, EXE
//                                             running", "gone, EXE ended" or "shown",
//                                             EXE looked for right after
#include <windows.h>
#include <sddl.h>
#include <tlhelp32.h>

#include "DebugCapture.h"
#include "ShellLinkPrint.h"

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {
int Usage() {
    std::fwprintf(stderr, L"usage: testtool launch APP LINE|--none [--wait] | hold PATH MS | procs | debug OUT APP LINE|--none | link PATH | hotkey VK MODS [--window MS] | deny-writes KEY | windows TITLE|--class NAME | tray-gone EXE MS\n");
    return 2;
}

int Launch(int argc, wchar_t** argv) {
    if (argc < 4) return Usage();
    const bool wait = argc > 4 && wcscmp(argv[4], L"--wait") == 0;
    std::vector<wchar_t> line;
    const bool none = wcscmp(argv[3], L"--none") == 0;
    if (!none) line.assign(argv[3], argv[3] + wcslen(argv[3]) + 1);

    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), nullptr, TRUE};
    SECURITY_ATTRIBUTES threadAttributes = attributes;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(argv[2], none ? nullptr : line.data(), &attributes, &threadAttributes, FALSE,
                        CREATE_DEFAULT_ERROR_MODE, nullptr, nullptr, &startup, &process)) {
        std::wprintf(L"error %lu\n", GetLastError());
        return 1;
    }
    std::wprintf(L"pid %lu\n", process.dwProcessId);
    std::fflush(stdout);
    if (wait) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        std::wprintf(L"exit %lu\n", code);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}

int Hold(int argc, wchar_t** argv) {
    if (argc < 4) return Usage();
    HANDLE file = CreateFileW(argv[2], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::wprintf(L"error %lu\n", GetLastError());
        return 1;
    }
    std::wprintf(L"held\n");
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(_wtoi(argv[3])));
    CloseHandle(file);
    return 0;
}
int Procs() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 1;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL ok = Process32FirstW(snapshot, &entry); ok; ok = Process32NextW(snapshot, &entry))
        std::wprintf(L"%ls\n", entry.szExeFile);
    CloseHandle(snapshot);
    return 0;
}
int Debug(int argc, wchar_t** argv) {
    if (argc < 5) return Usage();
    const bool none = wcscmp(argv[4], L"--none") == 0;
    std::wstring line = none ? L"" : argv[4];
    const long code = debugcapture::Run(argv[3], none ? nullptr : line.c_str(), [&](const std::wstring& text) {
        // Opened per line so a reader sees each one at once.
        HANDLE out = CreateFileW(argv[2], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (out == INVALID_HANDLE_VALUE) return;
        int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                    nullptr);
        std::string utf8(n, '\0');
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &utf8[0], n, nullptr, nullptr);
        DWORD written = 0;
        WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
        CloseHandle(out);
    });
    std::wprintf(L"exit %ld\n", code);
    return code < 0 ? 1 : 0;
}

// Another program that wants a key: whether it gets it tells whether the
// client holds it, and the WM_HOTKEY lines show where the key goes.
int Hotkey(int argc, wchar_t** argv) {
    if (argc < 4) return Usage();
    const UINT key = wcstoul(argv[2], nullptr, 0), modifiers = wcstoul(argv[3], nullptr, 0);
    if (argc < 6 || wcscmp(argv[4], L"--window") != 0) {
        const bool ok = RegisterHotKey(nullptr, 1, modifiers, key);
        ok ? std::wprintf(L"registered\n") : std::wprintf(L"error %lu\n", GetLastError());
        return ok ? 0 : 1;
    }
    const DWORD lifetime = wcstoul(argv[5], nullptr, 10), start = GetTickCount();
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"testtool.hotkey";
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, wc.lpszClassName, L"testtool hotkey", WS_POPUP | WS_VISIBLE, 400, 300, 300,
                                  150, nullptr, nullptr, wc.hInstance, nullptr);
    // Try for the first half of the lifetime (the holder may let go once this
    // window has the foreground), then report and listen.
    bool registered = false, reported = false;
    MSG msg;
    while (GetTickCount() - start < lifetime) {
        if (!reported) {
            registered = RegisterHotKey(window, 1, modifiers, key);
            const DWORD error = GetLastError();
            if (registered || GetTickCount() - start >= lifetime / 2) {
                registered ? std::wprintf(L"registered\n") : std::wprintf(L"error %lu\n", error);
                std::fflush(stdout);
                reported = true;
            }
        }
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_HOTKEY) {
                std::wprintf(L"hotkey %d\n", static_cast<int>(msg.wParam));
                std::fflush(stdout);
            }
            DispatchMessageW(&msg);
        }
        Sleep(20);
    }
    DestroyWindow(window);
    return registered ? 0 : 1;
}

// Wine runs every program as an administrator: a scenario that needs the
// registry to refuse a write, as Windows refuses a standard user, says so
// in the key's own DACL.
int DenyWrites(int argc, wchar_t** argv) {
    if (argc < 3) return Usage();
    const std::wstring key = argv[2];
    const HKEY root = key.rfind(L"HKLM\\", 0) == 0   ? HKEY_LOCAL_MACHINE
                      : key.rfind(L"HKCU\\", 0) == 0 ? HKEY_CURRENT_USER
                                                     : nullptr;
    if (!root) return Usage();
    HKEY opened = nullptr;
    LONG result = RegOpenKeyExW(root, key.c_str() + 5, 0, WRITE_DAC | KEY_WOW64_64KEY, &opened);
    PSECURITY_DESCRIPTOR readOnly = nullptr;
    if (result == ERROR_SUCCESS &&
        !ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;CI;KR;;;WD)", SDDL_REVISION_1, &readOnly,
                                                              nullptr))
        result = static_cast<LONG>(GetLastError());
    if (readOnly) result = RegSetKeySecurity(opened, DACL_SECURITY_INFORMATION, readOnly);
    if (readOnly) LocalFree(readOnly);
    if (opened) RegCloseKey(opened);
    result == ERROR_SUCCESS ? std::wprintf(L"denied\n") : std::wprintf(L"error %ld\n", result);
    return result == ERROR_SUCCESS ? 0 : 1;
}
struct WindowQuery {
    bool byClass;
    const wchar_t* name;
};

BOOL CALLBACK PrintMatchingWindow(HWND hwnd, LPARAM param) {
    const auto* query = reinterpret_cast<const WindowQuery*>(param);
    wchar_t text[256] = {};
    query->byClass ? GetClassNameW(hwnd, text, 256) : GetWindowTextW(hwnd, text, 256);
    if (wcscmp(text, query->name) != 0) return TRUE;
    RECT r = {};
    GetWindowRect(hwnd, &r);
    std::wprintf(L"%ls %ld %ld\n", IsWindowVisible(hwnd) ? L"visible" : L"hidden", r.right - r.left, r.bottom - r.top);
    return TRUE;
}

// Whether a window is shown as Windows itself answers; an X server's view of
// a managed window may lag behind it where no window manager runs.
int Windows(int argc, wchar_t** argv) {
    if (argc < 3) return Usage();
    const bool byClass = wcscmp(argv[2], L"--class") == 0;
    if (byClass && argc < 4) return Usage();
    const WindowQuery query = {byClass, argv[byClass ? 3 : 2]};
    EnumWindows(PrintMatchingWindow, reinterpret_cast<LPARAM>(&query));
    return 0;
}
bool ProcessRuns(const wchar_t* name) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    bool found = false;
    for (BOOL ok = Process32FirstW(snapshot, &entry); ok && !found; ok = Process32NextW(snapshot, &entry))
        found = _wcsicmp(entry.szExeFile, name) == 0;
    CloseHandle(snapshot);
    return found;
}

// Whether a program took its icon away itself before it ended: the
// notification area hides with its last icon (as Windows answers; on X the
// window may stay mapped), and the program is looked for right after, far
// closer in time than two separate runs of this tool could look.
int TrayGone(int argc, wchar_t** argv) {
    if (argc < 4) return Usage();
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(_wtoi(argv[3]));
    // Found once, and every look taken once before watching: each look then
    // costs little, so the moment the area hides is not missed even where
    // this tool runs slowly (emulated, where a first call takes long).
    HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
    IsWindowVisible(tray);
    ProcessRuns(argv[2]);
    std::wprintf(L"watching\n");
    std::fflush(stdout);
    do {
        if (!IsWindowVisible(tray)) {
            std::wprintf(L"gone, %ls %ls\n", argv[2], ProcessRuns(argv[2]) ? L"running" : L"ended");
            return 0;
        }
        Sleep(1);
    } while (static_cast<LONG>(deadline - GetTickCount()) > 0);
    std::wprintf(L"shown\n");
    return 1;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return Usage();
    if (wcscmp(argv[1], L"launch") == 0) return Launch(argc, argv);
    if (wcscmp(argv[1], L"hold") == 0) return Hold(argc, argv);
    if (wcscmp(argv[1], L"procs") == 0) return Procs();
    if (wcscmp(argv[1], L"debug") == 0) return Debug(argc, argv);
    if (wcscmp(argv[1], L"link") == 0) return argc < 3 ? Usage() : PrintShellLink(argv[2]);
    if (wcscmp(argv[1], L"hotkey") == 0) return Hotkey(argc, argv);
    if (wcscmp(argv[1], L"deny-writes") == 0) return DenyWrites(argc, argv);
    if (wcscmp(argv[1], L"windows") == 0) return Windows(argc, argv);
    if (wcscmp(argv[1], L"tray-gone") == 0) return TrayGone(argc, argv);
    return Usage();
}
