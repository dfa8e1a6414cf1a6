// The archive reader's only contact with the platform: folders, one output
// file, the local time zone. ArchiveFiles_win.cpp does it with the Win32 file
// API; ArchiveFiles_posix.cpp (the native tests, the fuzz target) with POSIX
// calls, "\" read as "/".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The process's current folder with a trailing separator; empty when it does
// not fit a MAX_PATH buffer.
std::wstring CurrentFolderWithSeparator();

// Creates every missing folder of path (a trailing separator is allowed).
// True when path is a folder afterwards.
bool CreateFolderTree(const std::wstring& path);

// True when path, as the platform resolves it, still lies inside folder (a
// folder path with its trailing separator). On Windows this catches what
// the name rule cannot see, such as device names ("con", "nul.txt").
bool ResolvesInside(const std::wstring& folder, const std::wstring& path);

// FILETIME ticks (UTC) of a local date and time; 0 when the fields are not a
// valid date and time.
uint64_t LocalTimeToUtcTicks(int year, int month, int day, int hour, int minute, int second);

// One file being written. Destroying it closes it; Discard removes it.
class ArchiveOutputFile {
public:
    ArchiveOutputFile() = default;
    ~ArchiveOutputFile();
    ArchiveOutputFile(const ArchiveOutputFile&) = delete;
    ArchiveOutputFile& operator=(const ArchiveOutputFile&) = delete;

    // Replaces any existing file, also a read-only, hidden or system one
    // (which keeps its attributes when it cannot be replaced); write access,
    // no sharing. The attribute bits (read-only 0x1, hidden 0x2, system 0x4,
    // archive 0x20) are the file's once Finish has run.
    bool Create(const std::wstring& path, uint32_t attributes);
    bool Write(const void* data, size_t size);
    // Sets the times (zero ticks leave that time as it is), closes the file
    // and then gives it its attributes.
    void Finish(uint64_t creation, uint64_t access, uint64_t write);
    void Close();
    // Closes and deletes the file, read-only or not.
    void Discard();

private:
    std::wstring path_;
    uint32_t attributes_ = 0;
    intptr_t handle_ = -1;  // a HANDLE on Windows (INVALID_HANDLE_VALUE is -1), a descriptor elsewhere
};
