// The document mode of the WebBrowser control. Without a per-program value
// under Internet Explorer's FeatureControl key the control renders every page
// in its oldest mode, which breaks today's HTML5 game pages.
#pragma once

#include <string>

// HKCU\<kBrowserEmulationKey>, value name: an executable's file name.
extern const wchar_t kBrowserEmulationKey[];
// The current standards mode of the newest engine, whatever the page declares.
constexpr unsigned long kBrowserEmulationMode = 11001;

// Writes kBrowserEmulationMode for the running executable's file name unless
// it is already there. Call before the first control is created: the control
// reads the value once per process. True when the value is in place.
bool EnsureBrowserEmulation();

// Removes the value of the executable named exeName (a file name, no
// folder). True when it is gone (also when it was never there).
bool RemoveBrowserEmulation(const std::wstring& exeName);
