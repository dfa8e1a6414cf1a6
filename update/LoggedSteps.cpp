#include "update/LoggedSteps.h"

#include <windows.h>

#include <cstdlib>

#include "app/FixedTexts.h"
#include "app/Profile.h"
#include "app/Shell.h"
#include "app/UpdateLog.h"
#include "base/Text.h"
#include "update/HttpGet.h"

void LogTransferFailure(const std::wstring& message) {
    WriteUpdateLog(kLogTransferFailure);
    WriteUpdateLog(message.substr(0, 254));
}

bool SendLogged(HttpGet& response, const std::wstring& url, unsigned long timeoutMs) {
    if (!response.Send(url, kAppName, timeoutMs, timeoutMs)) {
        LogTransferFailure(ErrorText(response.Error()));
        return false;
    }
    const long status = response.StatusCode();
    WriteUpdateLog(FormatText(kLogStatusCode, status));
    return status < 400;
}

void LaunchHandOver(std::wstring downloadPath, std::wstring installedPath) {
    DWORD error = NO_ERROR;
    if (StartDetachedProcess(downloadPath, (L"-d " + installedPath).c_str(), &error)) std::exit(0);
    // Ending now would leave the player with no client at all.
    WriteUpdateLog(FormatText(kLogStartFailure, static_cast<long>(error)));
}
