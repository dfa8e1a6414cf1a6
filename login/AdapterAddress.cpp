// winsock2.h must come before windows.h (through our header) for iphlpapi.h.
#include <winsock2.h>

#include "login/AdapterAddress.h"

#include <iphlpapi.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {
std::string AddressText(const UCHAR* a) {
    char text[18] = {};
    snprintf(text, sizeof(text), "%02X-%02X-%02X-%02X-%02X-%02X", a[0], a[1], a[2], a[3], a[4], a[5]);
    return text;
}

bool IsEthernetOrWifi(IFTYPE type) { return type == IF_TYPE_ETHERNET_CSMACD || type == IF_TYPE_IEEE80211; }
}  // namespace

unsigned char GetAdapterAddressText(char* buffer, size_t size, NetbiosCall netbios) {
    LANA_ENUM adapters = {};
    NCB ncb = {};
    ncb.ncb_command = NCBENUM;
    ncb.ncb_buffer = reinterpret_cast<PUCHAR>(&adapters);
    ncb.ncb_length = sizeof(adapters);
    if (UCHAR code = netbios(&ncb)) return code;
    if (adapters.length == 0) return NRC_BRIDGE;  // no adapter to ask

    UCHAR code = NRC_GOODRET;
    for (UCHAR i = 0; i < adapters.length; ++i) {
        ncb = NCB{};
        ncb.ncb_command = NCBRESET;
        ncb.ncb_lana_num = adapters.lana[i];
        code = netbios(&ncb);
        if (code == NRC_GOODRET) break;
    }
    if (code != NRC_GOODRET) return code;

    struct {
        ADAPTER_STATUS status;
        NAME_BUFFER names[30];
    } answer = {};
    ncb = NCB{};
    ncb.ncb_command = NCBASTAT;
    ncb.ncb_lana_num = adapters.lana[0];
    memcpy(ncb.ncb_callname, "*               ", NCBNAMSZ);
    ncb.ncb_buffer = reinterpret_cast<PUCHAR>(&answer);
    ncb.ncb_length = sizeof(answer);
    if (UCHAR code = netbios(&ncb)) return code;

    snprintf(buffer, size, "%s", AddressText(answer.status.adapter_address).c_str());
    return NRC_GOODRET;
}

std::string FirstPhysicalAddressText(const IP_ADAPTER_ADDRESSES* list) {
    static const UCHAR kNone[6] = {};
    for (const IP_ADAPTER_ADDRESSES* a = list; a; a = a->Next) {
        if (a->OperStatus != IfOperStatusUp || !IsEthernetOrWifi(a->IfType)) continue;
        if (a->PhysicalAddressLength != 6 || memcmp(a->PhysicalAddress, kNone, 6) == 0) continue;
        return AddressText(a->PhysicalAddress);
    }
    return std::string();
}

std::string GetPhysicalAddressText(AdapterListCall adapters) {
    const ULONG flags = GAA_FLAG_SKIP_UNICAST | GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST |
                        GAA_FLAG_SKIP_DNS_SERVER | GAA_FLAG_SKIP_FRIENDLY_NAME;
    // The list may grow between the size query and the read: ask again then.
    ULONG size = 16 * 1024;
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::vector<ULONGLONG> buffer(size / sizeof(ULONGLONG) + 1);  // aligned for the structures
        auto* list = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data());
        const ULONG result = adapters(AF_UNSPEC, flags, nullptr, list, &size);
        if (result == ERROR_SUCCESS) return FirstPhysicalAddressText(list);
        if (result != ERROR_BUFFER_OVERFLOW) break;
    }
    return std::string();
}

std::wstring ReadAdapterAddress(NetbiosCall netbios, AdapterListCall adapters) {
    char text[200] = {};
    std::string address;
    // NetBIOS first: the portal knows players by the address it gives.
    if (GetAdapterAddressText(text, sizeof(text), netbios) == NRC_GOODRET) address = text;
    else address = GetPhysicalAddressText(adapters);
    wchar_t wide[200] = {};
    if (!address.empty()) ::MultiByteToWideChar(CP_THREAD_ACP, 0, address.c_str(), -1, wide, 200);
    return wide;
}

std::wstring ReadAdapterAddress() { return ReadAdapterAddress(::Netbios, ::GetAdaptersAddresses); }
