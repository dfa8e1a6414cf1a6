#include "login/archive/ArchiveFiles.h"

#include "login/archive/ArchiveFilesPlatform.h"

using archive_platform::IsSeparator;

namespace {
bool IsValidTime(int year, int month, int day, int hour, int minute, int second) {
    return year >= 1601 && month >= 1 && month <= 12 && day >= 1 && day <= 31 && hour >= 0 && hour < 24 &&
           minute >= 0 && minute < 60 && second >= 0 && second < 60;
}
}  // namespace

bool CreateFolderTree(const std::wstring& path) {
    for (size_t i = 1; i < path.size(); ++i) {
        if (IsSeparator(path[i]) && !IsSeparator(path[i - 1])) archive_platform::MakeFolder(path.substr(0, i));
    }
    if (!path.empty() && !IsSeparator(path.back())) archive_platform::MakeFolder(path);
    return !path.empty() && archive_platform::IsFolder(path);
}

uint64_t LocalTimeToUtcTicks(int year, int month, int day, int hour, int minute, int second) {
    if (!IsValidTime(year, month, day, hour, minute, second)) return 0;
    return archive_platform::ValidLocalTimeToUtcTicks(year, month, day, hour, minute, second);
}

ArchiveOutputFile::~ArchiveOutputFile() { Close(); }
