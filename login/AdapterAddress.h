// The machine's network adapter address that the login URL carries: the
// NetBIOS adapter status as the portal has always received it, and the
// system's adapter list for machines where NetBIOS over TCP/IP is off.
#pragma once

#include <windows.h>
#include <nb30.h>

#include <cstddef>
#include <string>

struct _IP_ADAPTER_ADDRESSES_LH;  // iptypes.h, which needs winsock2.h before windows.h

// The system calls the address is read with (tests put stand-ins in).
using NetbiosCall = UCHAR(APIENTRY*)(PNCB);
using AdapterListCall = ULONG(WINAPI*)(ULONG family, ULONG flags, PVOID reserved, _IP_ADAPTER_ADDRESSES_LH* list,
                                       PULONG size);

// The first adapter's hardware address through NetBIOS, as
// "%02X-%02X-%02X-%02X-%02X-%02X" in buffer (at least 18 bytes). Returns 0,
// or the failing NetBIOS return code with the buffer left as it was.
unsigned char GetAdapterAddressText(char* buffer, size_t size, NetbiosCall netbios = ::Netbios);

// The six-byte physical address of the first adapter in list that is up and
// is Ethernet or Wi-Fi (so neither loopback nor a tunnel), in the same text
// form; empty when there is none.
std::string FirstPhysicalAddressText(const _IP_ADAPTER_ADDRESSES_LH* list);

// FirstPhysicalAddressText of the system's adapter list; empty when the
// list cannot be read.
std::string GetPhysicalAddressText(AdapterListCall adapters);

// The address for the login URL: NetBIOS's text, else the adapter list's;
// empty only when both fail.
std::wstring ReadAdapterAddress(NetbiosCall netbios, AdapterListCall adapters);
std::wstring ReadAdapterAddress();
