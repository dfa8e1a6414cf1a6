// The outbound half of the game-code bridge: the login URL carries the
// machine's network adapter address as a path segment ("mac/<address>/").
#pragma once

#include <string>

// Inserts "mac/" + address + "/" into url: appended after a trailing slash,
// otherwise right before the last "?", otherwise appended after a slash.
void BuildLoginUrl(std::wstring& url, const std::wstring& address);

// BuildLoginUrl with this machine's adapter address (ReadAdapterAddress), or
// an empty address when it cannot be read. Windows only (GameCode_win.cpp).
void BuildLoginUrl(std::wstring& url);
