#include "app/UpdateLog.h"

#include "base/Text.h"

std::wstring FormatLogLine(int year, int month, int day, int hour, int minute, int second,
                           const std::wstring& message) {
    return FormatText(L"%2d-%2d-%2d %2d:%2d:%2d : \t%ls\t%ls", year, month, day, hour, minute, second,
                      L"UpdateModule", message.c_str());
}
