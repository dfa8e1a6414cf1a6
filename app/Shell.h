// Where the system keeps the user's folders, and how the client starts its
// own processes.
#pragma once

#include <windows.h>

#include <string>

// Full path of the running executable; empty if it does not fit MAX_PATH.
std::wstring GetModulePath();

// The roaming application-data folder (CSIDL_APPDATA, current value), without
// a trailing backslash; empty when the lookup fails.
std::wstring GetAppDataFolder();

// A shell folder by CSIDL through its item list (desktop, programs); empty
// when the lookup fails.
std::wstring GetShellFolder(int csidl);

// Starts a program the way the client starts itself: an explicit application
// name and a command line without the program's name (none: the child sees
// its own path), no inherited handles, CREATE_DEFAULT_ERROR_MODE. Returns
// false with the system error in *error when the start failed.
bool StartDetachedProcess(const std::wstring& application, const wchar_t* commandLine, DWORD* error = nullptr);
