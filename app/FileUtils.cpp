#include "app/FileUtils.h"

#include <windows.h>
#include <shlobj.h>
#include <wincrypt.h>

#include <vector>

#include "app/FixedTexts.h"
#include "app/Paths.h"
#include "base/Owners.h"
#include "base/Text.h"
#include "res/resource.h"

const std::wstring& GetDataFolder() {
    static std::wstring cached;
    if (cached.empty()) {
        wchar_t appData[MAX_PATH] = {};
        if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData))) return cached;
        std::wstring folder = FormatText(L"%ls\\%ls\\%ls\\", appData, LoadStr(IDS_COMPANY_FOLDER).c_str(),
                                         LoadStr(IDS_GAME_FOLDER).c_str());
        if (FitsMaxPath(folder)) cached = folder;
    }
    return cached;
}

namespace {
VEXA_OWNER_TRAITS(CryptProvTraits, HCRYPTPROV, 0, ::CryptReleaseContext(h, 0));
VEXA_OWNER_TRAITS(CryptHashTraits, HCRYPTHASH, 0, ::CryptDestroyHash(h));
using CryptProv = UniqueOwner<CryptProvTraits>;
using CryptHash = UniqueOwner<CryptHashTraits>;

bool HashWholeFile(HANDLE file, HCRYPTHASH hash) {
    std::vector<BYTE> chunk(64 * 1024);
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &read, nullptr)) return false;
        if (read == 0) return true;
        if (!::CryptHashData(hash, chunk.data(), read, 0)) return false;
    }
}
}  // namespace

void GetFileMd5(const std::wstring& path, std::wstring& result) {
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    CryptProv prov;
    if (!::CryptAcquireContextW(prov.Put(), nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) return;
    CryptHash hash;
    if (!::CryptCreateHash(prov.Get(), CALG_MD5, 0, 0, hash.Put())) return;
    if (!HashWholeFile(file.Get(), hash.Get())) return;

    BYTE digest[16];
    DWORD size = sizeof(digest);
    if (!::CryptGetHashParam(hash.Get(), HP_HASHVAL, digest, &size, 0)) return;
    std::wstring hex;
    for (DWORD i = 0; i < size; ++i) hex += FormatText(L"%02x", digest[i]);
    result += hex;
}

std::wstring GetFileVersionString(const std::wstring& path) {
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return std::wstring();
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size == 0) return kNoVersionText;

    std::vector<BYTE> info(size);
    if (!::GetFileVersionInfoW(path.c_str(), 0, size, info.data())) return std::wstring();
    struct Translation {
        WORD language;
        WORD codePage;
    };
    Translation* table = nullptr;
    UINT tableBytes = 0;
    if (!::VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&table),
                          &tableBytes))
        return std::wstring();

    std::wstring version;
    for (UINT i = 0; table && i + 4 <= tableBytes; i += 4) {
        const Translation& t = table[i / 4];
        std::wstring key = FormatText(L"\\StringFileInfo\\%04x%04x\\FileVersion", t.language, t.codePage);
        wchar_t* text = nullptr;
        UINT chars = 0;
        if (::VerQueryValueW(info.data(), key.c_str(), reinterpret_cast<void**>(&text), &chars) && text)
            version += text;
    }
    return version;
}

bool IsFolderEmpty(const std::wstring& path) {
    WIN32_FIND_DATAW entry;
    FindHandle find(::FindFirstFileW((path + L"\\*.*").c_str(), &entry));
    if (!find) return true;
    bool empty = true;
    do {
        const bool dotEntry = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                              (wcscmp(entry.cFileName, L".") == 0 || wcscmp(entry.cFileName, L"..") == 0);
        if (!dotEntry) empty = false;
    } while (::FindNextFileW(find.Get(), &entry));
    return empty;
}

bool ShellDeletePath(const std::wstring& path) {
    if (path.empty()) return false;
    // The whole path followed by the double terminator the shell requires;
    // the buffer is sized to the path, so a long path is never cut.
    std::vector<wchar_t> from(path.begin(), path.end());
    from.resize(path.size() + 2, L'\0');

    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.data();
    op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_ALLOWUNDO;
    return ::SHFileOperationW(&op) == 0;
}

void NotifyShellDeleted(std::wstring path) {
    ::SHChangeNotify(SHCNE_RMDIR | SHCNE_INTERRUPT, SHCNF_PATHW | SHCNF_FLUSH, path.c_str(), nullptr);
    const size_t cut = path.rfind(L'\\');
    if (cut != std::wstring::npos) path.resize(cut);
    ::SHChangeNotify(SHCNE_UPDATEDIR | SHCNE_INTERRUPT, SHCNF_PATHW | SHCNF_FLUSH, path.c_str(), nullptr);
}

bool DeleteAndNotify(const std::wstring& path) {
    if (!ShellDeletePath(path)) return false;
    NotifyShellDeleted(path);
    return true;
}

namespace {
// Errors that mean "another process still has it open", worth a retry.
bool IsHeldError(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

template <typename Attempt>
DWORD RetryWhileHeld(Attempt attempt, DWORD waitMs) {
    const ULONGLONG deadline = ::GetTickCount64() + waitMs;
    for (;;) {
        DWORD error = attempt();
        if (error == NO_ERROR || !IsHeldError(error) || ::GetTickCount64() >= deadline) return error;
        ::Sleep(100);
    }
}
}  // namespace

namespace {
// Waits until no other process holds the file (it can be opened for writing
// without sharing). A missing file is not held.
DWORD WaitUntilReleased(const std::wstring& path, DWORD waitMs) {
    return RetryWhileHeld(
        [&]() -> DWORD {
            FileHandle probe(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
            if (probe) return NO_ERROR;
            DWORD error = ::GetLastError();
            return error == ERROR_FILE_NOT_FOUND ? NO_ERROR : error;
        },
        waitMs);
}

// A full copy of `from` in a fresh temporary file in `folder`, on the disk.
DWORD CopyToTemporary(const std::wstring& from, const std::wstring& folder, std::wstring& temporary) {
    wchar_t name[MAX_PATH] = {};
    if (!::GetTempFileNameW(folder.c_str(), L"vx", 0, name)) return ::GetLastError();
    temporary = name;
    if (!::CopyFileW(from.c_str(), name, FALSE)) return ::GetLastError();
    FileHandle written(::CreateFileW(name, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!written || !::FlushFileBuffers(written.Get())) return ::GetLastError();
    return NO_ERROR;
}
}  // namespace

unsigned long ReplaceFileAtomically(const std::wstring& from, const std::wstring& to, unsigned long waitMs) {
    DWORD error = WaitUntilReleased(to, waitMs);
    if (error != NO_ERROR) return error;
    std::wstring temporary;
    error = CopyToTemporary(from, FolderOf(to), temporary);
    if (error == NO_ERROR) {
        error = RetryWhileHeld(
            [&]() -> DWORD {
                return ::MoveFileExW(temporary.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
                           ? NO_ERROR
                           : ::GetLastError();
            },
            waitMs);
    }
    if (error != NO_ERROR && !temporary.empty()) ::DeleteFileW(temporary.c_str());
    return error;
}

unsigned long DeleteFileWhenReleased(const std::wstring& path, unsigned long waitMs) {
    return RetryWhileHeld(
        [&]() -> DWORD {
            if (::DeleteFileW(path.c_str())) return NO_ERROR;
            DWORD error = ::GetLastError();
            return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? NO_ERROR : error;
        },
        waitMs);
}
