// First-run setup: every start of the login window makes sure the client is
// installed in the per-user data folder, with its unpacked resource archive,
// its shortcuts, its uninstall entry and a copy of the newest executable.
// Each step has its own test, so the same run installs, repairs and upgrades.
#pragma once

#include <string>

// The whole setup, in order: data folders, archive, desktop shortcut,
// start-menu folder and shortcuts, uninstall entry, profile mirror,
// self-copy, the uninstall entry's details. No step stops the next one.
// Needs COM initialised on the calling thread.
void InstallClient();

enum class UnpackResult {
    AlreadyUnpacked,  // the settings marker was 1001: nothing done
    Unpacked,         // every entry written (an existing systemset.ini kept)
    Incomplete,       // the archive or an entry failed; the marker is written all the same
};

// Unpacks the resource archive (type "ZIP", id 269) into folder\res unless
// the settings marker "start" is 1001, keeps an existing systemset.ini,
// removes a leftover res\data.zip, then writes the marker.
UnpackResult ExtractResourceArchive(const std::wstring& folder);

// Saves folder\linkName as a shell link to target with the given arguments,
// an empty description and SW_SHOWNORMAL; with the uninstall icon: target's
// folder + "\res\uninstall.ico", index 0. False when the link cannot be made
// or a composed path does not fit MAX_PATH.
bool CreateShortcut(const std::wstring& arguments, const std::wstring& target, const std::wstring& folder,
                    const std::wstring& linkName, bool withUninstallIcon);

// A file's version text with every "." removed, read as a decimal number:
// "1.0.0.0" is 1000; 0 when the file is missing or has no numeric version.
long ReadVersionNumber(const std::wstring& path);
