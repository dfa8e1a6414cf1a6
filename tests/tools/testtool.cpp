// testtool: what the end-to-end driver needs of a Windows program.
//   testtool launch APP LINE|--none [--wait]  start APP the way the client starts
//                                             itself; print "pid N" (and "exit N")
//   testtool hold PATH MS                     open PATH without sharing, print
//                                             "held", keep it MS milliseconds
//   testtool procs                            print the running programs' names
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {
int Usage() {
    std::fwprintf(stderr, L"usage: testtool launch APP LINE|--none [--wait] | hold PATH MS | procs\n");
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
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return Usage();
    if (wcscmp(argv[1], L"launch") == 0) return Launch(argc, argv);
    if (wcscmp(argv[1], L"hold") == 0) return Hold(argc, argv);
    if (wcscmp(argv[1], L"procs") == 0) return Procs();
    return Usage();
}
