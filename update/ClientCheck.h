// The check a downloaded client must pass before it may start: a broken file
// or a downgrade from the version server must not be able to take the
// player's client away. The headers are read by the portable walk of
// update/PeImage; this side reads the file and knows the running executable.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A downloaded client larger than this is not one of ours; it is not read.
constexpr unsigned long long kMaxClientBytes = 256ULL << 20;

// Reads the whole file behind handle (opened for reading, at its start) into
// *bytes. The caller keeps the handle open without write sharing until the
// file has started, so the bytes checked are the bytes started. False with
// *failure ("Cannot read the file.Error Code:%lu") when it cannot be read.
bool ReadHeldFile(HANDLE handle, std::vector<unsigned char>* bytes, std::wstring* failure);

// True when image is a whole PE executable image for the running executable's
// machine type, carries a version resource, and its file version is higher
// than the running executable's (the four numbers compared in order).
// Otherwise *failure says which check failed, on one line.
bool CheckDownloadedClient(const std::vector<unsigned char>& image, std::wstring* failure);

// The four-part file version of an executable's version resource as one
// number (major in the top 16 bits); false when it has none.
bool ReadFileVersionNumber(const std::wstring& path, unsigned long long* version);
