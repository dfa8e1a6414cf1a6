// The update log: APPDATA\velmo\vexa\res\update.log, UTF-16LE without a
// byte-order mark, one CR LF terminated line per entry. It is the only
// diagnostic record of the start-up modes and the self-update.
#pragma once

#include <string>

// One entry's text (without CR LF): kLogLineFormat (app/FixedTexts.h) with
// the date, the time, kLogModuleName and the message.
std::wstring FormatLogLine(int year, int month, int day, int hour, int minute, int second,
                           const std::wstring& message);

// Appends one line stamped with the local time. 0 when written, -1 when the
// line is lost (no res folder, the file held by another writer, no access).
// Windows only (UpdateLog_win.cpp).
int WriteUpdateLog(const std::wstring& message);
