#include "mainwnd/CacheCleaner.h"

#include <shlobj.h>
#include <wininet.h>

#include <vector>

#include "app/FixedTexts.h"
#include "base/Owners.h"
#include "base/Text.h"
#include "res/resource.h"

namespace {
volatile LONG g_cleaning = 0;

void DebugLine(const std::wstring& text) { ::OutputDebugStringW(text.c_str()); }

VEXA_OWNER_TRAITS(UrlCacheFindTraits, HANDLE, nullptr, ::FindCloseUrlCache(h));
using UrlCacheFind = UniqueOwner<UrlCacheFindTraits>;

// The buffer the entries are read into: it grows to the size the cache
// reports whenever an entry does not fit.
struct EntryBuffer {
    std::vector<BYTE> bytes;
    DWORD size = 0;
    INTERNET_CACHE_ENTRY_INFOW* Entry() {
        if (bytes.size() < size) bytes.assign(size, 0);
        return bytes.empty() ? nullptr : reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(bytes.data());
    }
    // Reads the next entry; false at the end of the enumeration.
    bool Next(HANDLE find) {
        size = static_cast<DWORD>(bytes.size());
        if (::FindNextUrlCacheEntryW(find, Entry(), &size)) return true;
        return ::GetLastError() == ERROR_INSUFFICIENT_BUFFER && ::FindNextUrlCacheEntryW(find, Entry(), &size);
    }
};

bool IsDotEntry(const wchar_t* name) { return wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0; }

void DeleteCleanedFile(const std::wstring& fullName, const wchar_t* name) {
    if (::DeleteFileW(fullName.c_str())) {
        DebugLine(FormatText(kDebugCleaning, name));
    } else {
        const DWORD error = ::GetLastError();
        DebugLine(FormatText(kDebugDeleteFailed, name, static_cast<int>(error)));
    }
}
}  // namespace

bool ClearUrlCache() {
    EntryBuffer buffer;
    {
        // Asks for the first entry's size only; with no buffer this normally fails.
        UrlCacheFind probe(::FindFirstUrlCacheEntryW(nullptr, nullptr, &buffer.size));
        DebugLine(probe ? FormatText(kDebugFirstLookSize, static_cast<int>(buffer.size))
                        : std::wstring(kDebugFirstLookNone));
    }
    UrlCacheFind find(::FindFirstUrlCacheEntryW(nullptr, buffer.Entry(), &buffer.size));
    if (!find) {
        DebugLine(kDebugSecondLookNone);
        return false;
    }
    DebugLine(FormatText(kDebugSecondLookSize, static_cast<int>(buffer.size)));
    // One read per entry: a second call only when an entry does not fit.
    do {
        const auto* entry = reinterpret_cast<const INTERNET_CACHE_ENTRY_INFOW*>(buffer.bytes.data());
        if (!(entry->CacheEntryType & COOKIE_CACHE_ENTRY)) ::DeleteUrlCacheEntryW(entry->lpszSourceUrlName);
    } while (buffer.Next(find.Get()));
    return true;
}

bool CleanFolder(const std::wstring& path) {
    DebugLine(FormatText(kDebugCleaning, path.c_str()));
    WIN32_FIND_DATAW entry;
    FindHandle find(::FindFirstFileW((path + L"\\*.*").c_str(), &entry));
    if (!find) return false;
    do {
        if (IsDotEntry(entry.cFileName) || _wcsicmp(entry.cFileName, L"desktop.ini") == 0) continue;
        const std::wstring fullName = path + L"\\" + entry.cFileName;
        // The listing already carries the attributes: no second look-up per entry.
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
            ::SetFileAttributesW(fullName.c_str(), entry.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // A link or junction may point anywhere: remove the link itself,
            // never what it points to.
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) CleanFolder(fullName);
            ::RemoveDirectoryW(fullName.c_str());
        } else {
            DeleteCleanedFile(fullName, entry.cFileName);
        }
    } while (::FindNextFileW(find.Get(), &entry));
    return true;
}

DWORD WINAPI CleanCacheWorker(LPVOID mainWindow) {
    ClearUrlCache();
    wchar_t folder[MAX_PATH] = {};
    if (::SHGetSpecialFolderPathW(nullptr, folder, CSIDL_INTERNET_CACHE, FALSE)) {
        DebugLine(FormatText(kDebugCacheFolder, folder));
        CleanFolder(folder);
    }
    ::SendMessageW(static_cast<HWND>(mainWindow), WM_COMMAND, IDM_CLEANING_DONE, 0);
    ::InterlockedExchange(&g_cleaning, 0);
    return 0;
}

bool StartCacheCleaning(HWND mainWindow) {
    if (::InterlockedCompareExchange(&g_cleaning, 1, 0) != 0) return false;
    KernelHandle thread(::CreateThread(nullptr, 0, CleanCacheWorker, mainWindow, 0, nullptr));
    if (!thread) ::InterlockedExchange(&g_cleaning, 0);
    return thread.IsValid();
}

bool IsCacheCleaning() { return g_cleaning != 0; }
