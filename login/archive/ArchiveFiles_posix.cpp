// The POSIX half, for the native tests and the fuzz target: "\" is read as
// "/", and names are passed on as UTF-8.
#include "login/archive/ArchiveFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <ctime>

#include "login/archive/ArchiveFilesPlatform.h"

using archive_platform::IsSeparator;
using archive_platform::kMaxPathChars;

namespace {
constexpr uint64_t kTicksPerSecond = 10000000;
constexpr uint64_t kSecondsFrom1601To1970 = 11644473600ull;

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

namespace archive_platform {
bool IsFolder(const std::wstring& path) {
    struct stat info;
    return ::stat(NativePath(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool MakeFolder(const std::wstring& path) { return ::mkdir(NativePath(path).c_str(), 0755) == 0; }

uint64_t ValidLocalTimeToUtcTicks(int year, int month, int day, int hour, int minute, int second) {
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
}  // namespace archive_platform

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
