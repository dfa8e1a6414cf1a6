// What each platform's half of the archive reader's file access
// (ArchiveFiles_win.cpp, ArchiveFiles_posix.cpp) gives the portable half
// (ArchiveFiles.cpp). The reader itself uses ArchiveFiles.h only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace archive_platform {
constexpr size_t kMaxPathChars = 260;  // MAX_PATH, terminator included

inline bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// True when path is a folder.
bool IsFolder(const std::wstring& path);
// Creates the one folder path (its parent must exist). False when it was not
// created, also when it already exists.
bool MakeFolder(const std::wstring& path);
// LocalTimeToUtcTicks of fields already checked to be a valid date and time.
uint64_t ValidLocalTimeToUtcTicks(int year, int month, int day, int hour, int minute, int second);
}  // namespace archive_platform
