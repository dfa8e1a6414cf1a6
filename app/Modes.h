// The maintenance modes of the start-up: the hand-over that installs a
// downloaded client, and the two stages of uninstalling.
#pragma once

#include <string>

// Hand-over ("-d <installed path>"), run in the downloaded copy: copies itself
// over the installed executable, logs, starts it and ends the process with 0.
// Returns only when the client must go on in the normal mode instead (a line
// of exactly "-d", a failed copy, an exception).
void RunHandOver(const std::wstring& commandLine);

// Stage one (a line ending in "-u"), run in the installed client: asks, then
// starts a temporary copy for stage two and removes the uninstall entry from
// the machine's and the user's list.
void RunUninstallStageOne();

// Stage two ("-u <installed path>"), run in the temporary copy: removes the
// shortcuts, the installed executable, its res folder and the emptied
// start-menu folders.
void RunUninstallStageTwo(const std::wstring& commandLine);
