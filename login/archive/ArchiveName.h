// Entry names: the stored bytes to wide text, the clean-up of leading drive
// letters, separators and parent-folder sequences, and the rule that decides
// whether a name may be written below the base folder at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The stored name read as UTF-8, whatever the entry's flags say. Invalid
// sequences become U+FFFD. On Windows the result is UTF-16.
std::wstring DecodeEntryName(const uint8_t* bytes, size_t length);

// Repeats until none applies: drop a leading "X:"; drop a leading separator;
// drop everything up to and including the first "\..\", "\../", "/../" or
// "/..\" (tried in that order).
std::wstring CleanEntryName(std::wstring name);

// True when base folder + name cannot leave the base folder: not empty, no
// leading separator, no ":" (drives, streams), no control characters, and no
// component of only dots and blanks with two or more dots ("..", "...", ".. "),
// which Windows would read as the parent folder.
bool IsSafeRelativeName(const std::wstring& name);
