// Text helpers shared by every part: formatting into wide strings and the
// string table.
#pragma once

#include <string>

// printf-style formatting; use %ls for wide strings.
std::wstring FormatText(const wchar_t* format, ...);

// Wide text of a narrow (ANSI/UTF-8) message, for logging exception texts.
std::wstring WidenAscii(const char* text);

// The text of a string-table resource of this executable; empty if missing.
// Windows only (Text_win.cpp).
std::wstring LoadStr(unsigned id);
