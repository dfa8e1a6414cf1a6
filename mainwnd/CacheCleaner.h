// Cleaning of the system browser's cache on a worker thread: every URL cache
// entry but the cookies, then the temporary internet files folder but its
// desktop.ini files. Progress goes to the debugger output only.
#pragma once

#include <windows.h>

#include <string>

// Starts the worker for the main window, which gets WM_COMMAND 10002 when the
// worker is done. False when a cleaning is already running (a second request
// is ignored) or the thread cannot be started.
bool StartCacheCleaning(HWND mainWindow);

// True from StartCacheCleaning until the worker's completion message has been
// handled.
bool IsCacheCleaning();

// The worker's thread procedure; its argument is the main window's handle.
DWORD WINAPI CleanCacheWorker(LPVOID mainWindow);

// Deletes every URL cache entry that is not a cookie. False when the
// enumeration cannot start.
bool ClearUrlCache();

// Empties a folder tree, keeping desktop.ini files and the folders that hold
// them; links and junctions are removed, never followed. False when the
// folder cannot be listed.
bool CleanFolder(const std::wstring& path);
