// The steps the version check and the download share, each leaving in the
// update log the lines its readers expect: the logged request, the two lines
// of a failed transfer, and the start of the hand-over.
#pragma once

#include <string>

class HttpGet;

// Logs a failed transfer as two lines: kLogTransferFailure and the
// failure's message.
void LogTransferFailure(const std::wstring& message);

// Sends the GET of url with the time-out for every wait and logs what came
// back: the failure, or kLogStatusCode with the status. True when the body
// is worth reading (status below 400).
bool SendLogged(HttpGet& response, const std::wstring& url, unsigned long timeoutMs);

// Starts the downloaded client with "-d " and the installed path and ends
// this process with exit code 0. Returns only when the start failed: the
// running client then goes on (kLogStartFailure is logged with its error
// code).
void LaunchHandOver(std::wstring downloadPath, std::wstring installedPath);
