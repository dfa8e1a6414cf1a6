// The outbound half of the game-code bridge: the login URL carries the
// machine's network adapter address as a path segment ("mac/<address>/").
#pragma once

#include <string>

// Inserts "mac/" + address + "/" into url: appended after a trailing slash,
// otherwise right before the last "?", otherwise appended after a slash.
void BuildLoginUrl(std::wstring& url, const std::wstring& address);

#ifdef _WIN32
// The first adapter's hardware address through NetBIOS, as
// "%02X-%02X-%02X-%02X-%02X-%02X" in buffer (at least 18 bytes). Returns 0,
// or the failing NetBIOS return code with the buffer left as it was.
unsigned char GetAdapterAddressText(char* buffer, size_t size);

// BuildLoginUrl with this machine's adapter address, or an empty address
// when it cannot be read.
void BuildLoginUrl(std::wstring& url);
#endif
