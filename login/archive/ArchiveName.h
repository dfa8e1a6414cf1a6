// Entry names: the stored bytes to wide text, the clean-up of leading drive
// letters, separators and parent-folder sequences, and the rule that decides
// whether a name may be written below the base folder at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The stored name read as UTF-8, whatever the entry's flags say; on Windows
// the text is UTF-16. False, with *name unchanged, when the bytes are not
// UTF-8 (a legacy code page such as CP437): replacing what cannot be read
// would give different names one text, and one entry would overwrite another.
bool DecodeEntryName(const uint8_t* bytes, size_t length, std::wstring* name);

// Repeats until none applies: drop a leading "X:"; drop a leading separator;
// drop everything up to and including the first "\..\", "\../", "/../" or
// "/..\" (tried in that order).
std::wstring CleanEntryName(std::wstring name);

// True when base folder + name cannot leave the base folder: not empty, no
// leading separator, no ":" (drives, streams), no control characters, and no
// component of only dots and blanks with two or more dots ("..", "...", ".. "),
// which Windows would read as the parent folder.
bool IsSafeRelativeName(const std::wstring& name);
