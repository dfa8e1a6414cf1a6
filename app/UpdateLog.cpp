#include "app/UpdateLog.h"

#include "app/FixedTexts.h"
#include "base/Text.h"

std::wstring FormatLogLine(int year, int month, int day, int hour, int minute, int second,
                           const std::wstring& message) {
    return FormatText(kLogLineFormat, year, month, day, hour, minute, second, kLogModuleName, message.c_str());
}
