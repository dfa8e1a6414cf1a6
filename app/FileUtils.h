// File utilities shared by every part: the per-user data folder, MD5 and
// version text of a file, and deletion through the shell.
#pragma once

#include <string>

// APPDATA\velmo\vexa\ with its trailing backslash, cached after the first
// successful call; empty when the application-data folder cannot be found.
const std::wstring& GetDataFolder();

// Appends the MD5 of the file's whole content to result as 32 lowercase hex
// digits; leaves result as it was on any failure.
void GetFileMd5(const std::wstring& path, std::wstring& result);

// The FileVersion text of the file's version resource; empty when the file
// does not exist; kNoVersionText (app/FixedTexts.h) when it has no version
// resource.
std::wstring GetFileVersionString(const std::wstring& path);

// True when the folder holds nothing but "." and "..", or cannot be listed.
bool IsFolderEmpty(const std::wstring& path);

// Deletes a file or a whole folder tree into the Recycle Bin, silently.
bool ShellDeletePath(const std::wstring& path);

// Tells the shell that path is gone and that its parent folder changed.
void NotifyShellDeleted(std::wstring path);

// ShellDeletePath, and NotifyShellDeleted when it succeeded.
bool DeleteAndNotify(const std::wstring& path);

// How long a maintenance step waits for another process (normally the client
// that is just ending) to let go of a file it must replace or delete.
constexpr unsigned long kFileReleaseWaitMs = 5000;

// Replaces the file `to` with a copy of `from` so that `to` is never left
// half-written: the copy goes to a temporary file beside the target, which is
// then renamed over it in one step. While another process holds the target
// (the client that is just ending), waits for it at most waitMs. Returns 0, or
// the system error of the step that failed; the target is then untouched and
// no temporary file is left.
unsigned long ReplaceFileAtomically(const std::wstring& from, const std::wstring& to, unsigned long waitMs);

// DeleteFileW, retried the same way while the file exists and is held.
// Returns 0 (also when there was nothing to delete), or the last error.
unsigned long DeleteFileWhenReleased(const std::wstring& path, unsigned long waitMs);
