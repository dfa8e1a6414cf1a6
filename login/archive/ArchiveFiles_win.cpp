#include "login/archive/ArchiveFiles.h"

#include <windows.h>

#include "login/archive/ArchiveFilesPlatform.h"

using archive_platform::IsSeparator;
using archive_platform::kMaxPathChars;

namespace {
std::wstring FullPath(const std::wstring& path) {
    wchar_t full[kMaxPathChars];
    const DWORD n = ::GetFullPathNameW(path.c_str(), kMaxPathChars, full, nullptr);
    return n > 0 && n < kMaxPathChars ? std::wstring(full, n) : std::wstring();
}

HANDLE AsHandle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

FILETIME ToFileTime(uint64_t ticks) {
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(ticks);
    time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return time;
}

HANDLE CreateAlways(const std::wstring& path) {
    return ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// CREATE_ALWAYS refuses an existing read-only file, and a hidden or system
// one unless the same bits are asked for: such a file loses those bits
// first, and gets them back when it still cannot be opened. Cleared before
// the attempt, not after a refusal: Wine run as root opens such a file and
// would leave the old bits on the new content.
HANDLE CreateReplacing(const std::wstring& path) {
    const DWORD existing = ::GetFileAttributesW(path.c_str());
    const DWORD refused = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    const bool clear = existing != INVALID_FILE_ATTRIBUTES && !(existing & FILE_ATTRIBUTE_DIRECTORY) &&
                       (existing & refused);
    if (clear) ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE file = CreateAlways(path);
    if (clear && file == INVALID_HANDLE_VALUE) ::SetFileAttributesW(path.c_str(), existing);
    return file;
}
}  // namespace

namespace archive_platform {
bool IsFolder(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeFolder(const std::wstring& path) { return ::CreateDirectoryW(path.c_str(), nullptr) != 0; }

uint64_t ValidLocalTimeToUtcTicks(int year, int month, int day, int hour, int minute, int second) {
    SYSTEMTIME local = {};
    local.wYear = static_cast<WORD>(year);
    local.wMonth = static_cast<WORD>(month);
    local.wDay = static_cast<WORD>(day);
    local.wHour = static_cast<WORD>(hour);
    local.wMinute = static_cast<WORD>(minute);
    local.wSecond = static_cast<WORD>(second);
    SYSTEMTIME utc;
    FILETIME time;
    if (!::TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) || !::SystemTimeToFileTime(&utc, &time)) return 0;
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}
}  // namespace archive_platform

std::wstring CurrentFolderWithSeparator() {
    wchar_t folder[kMaxPathChars];
    const DWORD n = ::GetCurrentDirectoryW(kMaxPathChars, folder);
    if (n == 0 || n >= kMaxPathChars - 1) return std::wstring();
    std::wstring result(folder, n);
    if (!IsSeparator(result.back())) result += L'\\';
    return result;
}

bool ResolvesInside(const std::wstring& folder, const std::wstring& path) {
    const std::wstring base = FullPath(folder), full = FullPath(path);
    if (base.empty() || full.size() <= base.size()) return false;
    return ::CompareStringOrdinal(base.c_str(), static_cast<int>(base.size()), full.c_str(),
                                  static_cast<int>(base.size()), TRUE) == CSTR_EQUAL;
}

bool ArchiveOutputFile::Create(const std::wstring& path, uint32_t attributes) {
    Close();
    path_ = path;
    attributes_ = attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                FILE_ATTRIBUTE_ARCHIVE);
    HANDLE file = CreateReplacing(path);
    handle_ = reinterpret_cast<intptr_t>(file);
    return file != INVALID_HANDLE_VALUE;
}

bool ArchiveOutputFile::Write(const void* data, size_t size) {
    DWORD written = 0;
    return ::WriteFile(AsHandle(handle_), data, static_cast<DWORD>(size), &written, nullptr) && written == size;
}

void ArchiveOutputFile::Finish(uint64_t creation, uint64_t access, uint64_t write) {
    const FILETIME c = ToFileTime(creation), a = ToFileTime(access), w = ToFileTime(write);
    ::SetFileTime(AsHandle(handle_), creation ? &c : nullptr, access ? &a : nullptr, write ? &w : nullptr);
    Close();
    // After the times: setting times may clear read-only, hidden and system
    // bits the file was created with (seen under Wine). Without bits the
    // file keeps what Windows gave it at creation.
    if (attributes_) ::SetFileAttributesW(path_.c_str(), attributes_);
}

void ArchiveOutputFile::Close() {
    if (AsHandle(handle_) != INVALID_HANDLE_VALUE) ::CloseHandle(AsHandle(handle_));
    handle_ = reinterpret_cast<intptr_t>(INVALID_HANDLE_VALUE);
}

void ArchiveOutputFile::Discard() {
    Close();
    // A read-only file cannot be deleted as it is.
    ::SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(path_.c_str());
}
