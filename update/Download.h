// The download of a new client: the transfer into the download file and the
// checks the file must pass before it may start. One run is a CUpdateTask
// (update/UpdateTask.h), whose DownloadUpdate puts these steps in order.
#pragma once

#include <windows.h>

#include <string>

#include "update/UpdateKey.h"
#include "update/UpdateProgress.h"

// A download that receives no data for this long ends like a broken connection.
constexpr unsigned long kDownloadStallMs = 30000;

// Fetches url and appends its body to the file at path (created when
// missing), logging the status and the announced length. True when exactly
// the announced length is on disk; *total is then that length. A failure is
// logged where the update log's readers expect it; what arrived stays in the
// file. The transfer's progress goes to progress when given.
bool FetchDownload(const std::wstring& url, const std::wstring& path, long long* total, IUpdateProgress* progress);

// Anyone on the network path can answer the version check and the
// download: only a file the publisher signed (when key is given), and then
// only a whole executable for this machine with a higher version, may
// replace the client. held is the download file, opened for reading without
// write sharing. False with *failure on one line otherwise.
bool CheckDownload(HANDLE held, const std::wstring& url, const UpdateKey* key, std::wstring* failure);
