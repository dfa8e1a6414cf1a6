// The check a downloaded client must pass before it may start: the download
// comes over plain HTTP, so a broken file or a downgrade from the version
// server must not be able to take the player's client away.
#pragma once

#include <string>

// True when the file at path is a whole PE executable image for the running
// executable's machine type, carries a version resource, and its file version
// is higher than the running executable's (the four numbers compared in
// order). Otherwise *failure says which check failed, on one line.
bool CheckDownloadedClient(const std::wstring& path, std::wstring* failure);

// The four-part file version of an executable's version resource as one
// number (major in the top 16 bits); false when it has none.
bool ReadFileVersionNumber(const std::wstring& path, unsigned long long* version);
