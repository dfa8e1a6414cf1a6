// Runs a program as its debugger and collects what it writes to the debugger
// output (OutputDebugString), the way a debugger on Windows sees it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace debugcapture {

inline std::wstring ReadDebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info) {
    const size_t units = info.nDebugStringLength;
    if (units == 0) return std::wstring();
    if (info.fUnicode) {
        std::wstring text(units, L'\0');
        SIZE_T read = 0;
        ReadProcessMemory(process, info.lpDebugStringData, &text[0], units * sizeof(wchar_t), &read);
        text.resize(read / sizeof(wchar_t));
        while (!text.empty() && text.back() == L'\0') text.pop_back();
        return text;
    }
    std::string bytes(units, '\0');
    SIZE_T read = 0;
    ReadProcessMemory(process, info.lpDebugStringData, &bytes[0], units, &read);
    bytes.resize(read);
    while (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();
    // The debuggee converted its wide text with the ANSI code page.
    int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(n, L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], n);
    return text;
}

// Starts application with commandLine (null: none) under this process as
// its debugger; calls onLine for every debugger-output string until the
// program ends. Returns the program's exit code, or -1 when it did not start.
inline long Run(const wchar_t* application, const wchar_t* commandLine,
                const std::function<void(const std::wstring&)>& onLine) {
    std::vector<wchar_t> line;
    if (commandLine) line.assign(commandLine, commandLine + wcslen(commandLine) + 1);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(application, commandLine ? line.data() : nullptr, nullptr, nullptr, FALSE,
                        DEBUG_ONLY_THIS_PROCESS, nullptr, nullptr, &startup, &pi))
        return -1;
    DWORD exitCode = 0;
    for (bool running = true; running;) {
        DEBUG_EVENT event;
        if (!WaitForDebugEvent(&event, INFINITE)) break;
        DWORD status = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
        case OUTPUT_DEBUG_STRING_EVENT:
            onLine(ReadDebugString(pi.hProcess, event.u.DebugString));
            break;
        case EXCEPTION_DEBUG_EVENT:
            // Only the initial breakpoint is ours; the program handles the rest.
            if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT)
                status = DBG_EXCEPTION_NOT_HANDLED;
            break;
        case CREATE_PROCESS_DEBUG_EVENT:
            if (event.u.CreateProcessInfo.hFile) CloseHandle(event.u.CreateProcessInfo.hFile);
            break;
        case LOAD_DLL_DEBUG_EVENT:
            if (event.u.LoadDll.hFile) CloseHandle(event.u.LoadDll.hFile);
            break;
        case EXIT_PROCESS_DEBUG_EVENT:
            exitCode = event.u.ExitProcess.dwExitCode;
            running = false;
            break;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<long>(exitCode);
}

}  // namespace debugcapture
