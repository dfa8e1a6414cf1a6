// Bench probe for the cache cleaning: fills the URL cache and the temporary
// internet files folder, then cleans them with the client's code or with a
// bare enumerate-and-delete loop, and prints the seconds the cleaning took.
//   cache_probe fill N      N cache entries and N files in nested folders
//   cache_probe client      ClearUrlCache + CleanFolder, as the worker runs them
//   cache_probe bare        the plainest loop over the same data
#include <windows.h>
#include <shlobj.h>
#include <wininet.h>

#include <cstdio>
#include <string>
#include <vector>

#include "mainwnd/CacheCleaner.h"

namespace {
std::wstring CacheFolder() {
    wchar_t path[MAX_PATH] = {};
    SHGetSpecialFolderPathW(nullptr, path, CSIDL_INTERNET_CACHE, TRUE);
    return path;
}

void Fill(int n) {
    FILETIME none = {};
    for (int i = 0; i < n; ++i) {
        wchar_t url[100], file[MAX_PATH] = {};
        swprintf(url, 100, L"http://127.0.0.1:9/bench/%d.js", i);
        if (!CreateUrlCacheEntryW(url, 0, L"js", file, 0)) continue;
        HANDLE f = CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(f, "x", 1, &written, nullptr);
        CloseHandle(f);
        CommitUrlCacheEntryW(url, file, none, none, NORMAL_CACHE_ENTRY, nullptr, 0, L"js", nullptr);
    }
    const std::wstring root = CacheFolder() + L"\\bench";
    CreateDirectoryW(root.c_str(), nullptr);
    for (int i = 0; i < n; ++i) {
        const std::wstring folder = root + L"\\" + std::to_wstring(i / 50);
        if (i % 50 == 0) CreateDirectoryW(folder.c_str(), nullptr);
        HANDLE f = CreateFileW((folder + L"\\f" + std::to_wstring(i) + L".tmp").c_str(), GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, 0, nullptr);
        CloseHandle(f);
    }
}

void BareUrlCache() {
    std::vector<BYTE> buffer(64 * 1024);
    auto* entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buffer.data());
    DWORD size = static_cast<DWORD>(buffer.size());
    HANDLE find = FindFirstUrlCacheEntryW(nullptr, entry, &size);
    if (!find) return;
    do {
        if (!(entry->CacheEntryType & COOKIE_CACHE_ENTRY)) DeleteUrlCacheEntryW(entry->lpszSourceUrlName);
        size = static_cast<DWORD>(buffer.size());
    } while (FindNextUrlCacheEntryW(find, entry, &size));
    FindCloseUrlCache(find);
}

void BareFolder(const std::wstring& path) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (!wcscmp(data.cFileName, L".") || !wcscmp(data.cFileName, L"..") || !_wcsicmp(data.cFileName, L"desktop.ini"))
            continue;
        const std::wstring full = path + L"\\" + data.cFileName;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            BareFolder(full);
            RemoveDirectoryW(full.c_str());
        } else {
            DeleteFileW(full.c_str());
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b) {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return double(b.QuadPart - a.QuadPart) / double(f.QuadPart);
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    const std::wstring command = argv[1];
    if (command == L"fill" && argc > 2) {
        Fill(_wtoi(argv[2]));
        return 0;
    }
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    if (command == L"client") {
        ClearUrlCache();
        CleanFolder(CacheFolder());
    } else if (command == L"bare") {
        BareUrlCache();
        BareFolder(CacheFolder());
    } else {
        return 2;
    }
    QueryPerformanceCounter(&end);
    wprintf(L"%.4f\n", Seconds(start, end));
    return 0;
}
