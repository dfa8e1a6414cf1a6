#include "login/archive/ArchiveFiles.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <ctime>
#endif

namespace {
constexpr size_t kMaxPathChars = 260;
constexpr uint64_t kTicksPerSecond = 10000000;
constexpr uint64_t kSecondsFrom1601To1970 = 11644473600ull;

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsValidTime(int year, int month, int day, int hour, int minute, int second) {
    return year >= 1601 && month >= 1 && month <= 12 && day >= 1 && day <= 31 && hour >= 0 && hour < 24 &&
           minute >= 0 && minute < 60 && second >= 0 && second < 60;
}
}  // namespace

#ifdef _WIN32

namespace {
bool IsFolder(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeFolder(const std::wstring& path) { return ::CreateDirectoryW(path.c_str(), nullptr) != 0; }

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

uint64_t LocalTimeToUtcTicks(int year, int month, int day, int hour, int minute, int second) {
    if (!IsValidTime(year, month, day, hour, minute, second)) return 0;
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

ArchiveOutputFile::~ArchiveOutputFile() { Close(); }

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

#else  // POSIX, for the native tests and the fuzz target

namespace {
std::string NativePath(const std::wstring& path) {
    std::string out;
    for (wchar_t wc : path) {
        const uint32_t c = static_cast<uint32_t>(wc == L'\\' ? L'/' : wc);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

bool IsFolder(const std::wstring& path) {
    struct stat info;
    return ::stat(NativePath(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool MakeFolder(const std::wstring& path) { return ::mkdir(NativePath(path).c_str(), 0755) == 0; }

timespec ToTimespec(uint64_t ticks) {
    timespec t = {};
    if (ticks == 0) {
        t.tv_nsec = UTIME_OMIT;
        return t;
    }
    t.tv_sec = static_cast<time_t>(static_cast<int64_t>(ticks / kTicksPerSecond) -
                                   static_cast<int64_t>(kSecondsFrom1601To1970));
    t.tv_nsec = static_cast<long>((ticks % kTicksPerSecond) * 100);
    return t;
}
}  // namespace

std::wstring CurrentFolderWithSeparator() {
    char folder[PATH_MAX];
    if (!::getcwd(folder, sizeof(folder))) return std::wstring();
    std::wstring result;
    for (const char* p = folder; *p; ++p) result += static_cast<wchar_t>(static_cast<unsigned char>(*p));
    if (result.empty() || result.size() >= kMaxPathChars - 1) return std::wstring();
    if (!IsSeparator(result.back())) result += L'/';
    return result;
}

// POSIX has no device names or trailing-dot trimming: a name that passed the
// name rule stays inside lexically.
bool ResolvesInside(const std::wstring& folder, const std::wstring& path) {
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0;
}

uint64_t LocalTimeToUtcTicks(int year, int month, int day, int hour, int minute, int second) {
    if (!IsValidTime(year, month, day, hour, minute, second)) return 0;
    tm local = {};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    const time_t utc = ::mktime(&local);
    if (utc == static_cast<time_t>(-1)) return 0;
    return (static_cast<uint64_t>(utc) + kSecondsFrom1601To1970) * kTicksPerSecond;
}

ArchiveOutputFile::~ArchiveOutputFile() { Close(); }

bool ArchiveOutputFile::Create(const std::wstring& path, uint32_t attributes) {
    Close();
    path_ = path;
    attributes_ = attributes;
    const std::string native = NativePath(path);
    ::unlink(native.c_str());  // replaced, also when read-only
    handle_ = ::open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    return handle_ >= 0;
}

bool ArchiveOutputFile::Write(const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(static_cast<int>(handle_), p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

void ArchiveOutputFile::Finish(uint64_t, uint64_t access, uint64_t write) {
    const timespec times[2] = {ToTimespec(access), ToTimespec(write)};
    ::futimens(static_cast<int>(handle_), times);
    if (attributes_ & 0x1) ::fchmod(static_cast<int>(handle_), 0444);
    Close();
}

void ArchiveOutputFile::Close() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
    handle_ = -1;
}

void ArchiveOutputFile::Discard() {
    Close();
    ::unlink(NativePath(path_).c_str());
}

#endif

bool CreateFolderTree(const std::wstring& path) {
    for (size_t i = 1; i < path.size(); ++i) {
        if (IsSeparator(path[i]) && !IsSeparator(path[i - 1])) MakeFolder(path.substr(0, i));
    }
    if (!path.empty() && !IsSeparator(path.back())) MakeFolder(path);
    return !path.empty() && IsFolder(path);
}
