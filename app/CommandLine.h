// The four start modes and how the raw command line selects one.
#pragma once

#include <string>

enum class StartMode {
    Normal,             // the game client
    HandOver,           // "-d <installed path>": a downloaded client installs itself
    UninstallStageOne,  // "... -u": confirm, start the temporary copy, drop the uninstall key
    UninstallStageTwo,  // "-u <installed path>": remove shortcuts, executable and res folder
};

// Classifies the process's whole raw command line (not a parsed argument
// list). Exact, case-sensitive tests on the first and last two characters;
// the test on the end comes first, so "-u" alone is stage one.
StartMode ClassifyCommandLine(const std::wstring& line);

// The path carried by a "-d"/"-u" command line: everything from its fourth
// character on (the third, normally a blank, is skipped unexamined).
std::wstring PathAfterSwitch(const std::wstring& line);
