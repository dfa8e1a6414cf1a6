// Path text helpers. Paths are composed as whole strings and checked against
// MAX_PATH before use: a step whose path does not fit is skipped, never run on
// a cut path that could name a different file.
#pragma once

#include <string>

constexpr size_t kMaxPathChars = 260;  // MAX_PATH, terminator included

// True when the path fits a MAX_PATH buffer with its terminator.
inline bool FitsMaxPath(const std::wstring& path) { return !path.empty() && path.size() < kMaxPathChars; }

// Text before the last backslash; empty when there is none.
std::wstring FolderOf(const std::wstring& path);

// Text after the last backslash (the whole text when there is none).
std::wstring FileNameOf(const std::wstring& path);

// A full path: a drive letter with colon and backslash, or a UNC name.
bool IsFullPath(const std::wstring& path);

// "%s\%s" and friends: parts joined by single backslashes.
std::wstring JoinPath(const std::wstring& a, const std::wstring& b);
