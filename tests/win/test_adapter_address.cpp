// The login URL's adapter address: NetBIOS first, then the adapter list,
// through stand-ins for both calls, and the list's answer on this machine
// against the links the harness read with `ip link` (VEXA_TEST_LINK_ADDRESS).
#include <winsock2.h>  // before windows.h, for iphlpapi.h

#include <gtest/gtest.h>
#include <windows.h>
#include <iphlpapi.h>

#include <string>
#include <vector>

#include "login/AdapterAddress.h"

namespace {
// ---------------------------------------------------------------- NetBIOS stand-ins

enum class Netbios { Answers, EnumFails, NoAdapter, ResetFails, StatusFails };
Netbios g_netbios = Netbios::Answers;
const UCHAR kNetbiosAddress[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};

UCHAR APIENTRY FakeNetbios(PNCB ncb) {
    switch (ncb->ncb_command) {
    case NCBENUM: {
        if (g_netbios == Netbios::EnumFails) return NRC_OPENERR;
        auto* lanas = reinterpret_cast<LANA_ENUM*>(ncb->ncb_buffer);
        lanas->length = g_netbios == Netbios::NoAdapter ? 0 : 1;
        lanas->lana[0] = 3;
        return NRC_GOODRET;
    }
    case NCBRESET:
        return g_netbios == Netbios::ResetFails ? NRC_SYSTEM : NRC_GOODRET;
    case NCBASTAT:
        if (g_netbios == Netbios::StatusFails) return NRC_BRIDGE;
        memcpy(reinterpret_cast<ADAPTER_STATUS*>(ncb->ncb_buffer)->adapter_address, kNetbiosAddress, 6);
        return NRC_GOODRET;
    default:
        return NRC_ILLCMD;
    }
}

ULONG WINAPI NoAdapterList(ULONG, ULONG, PVOID, PIP_ADAPTER_ADDRESSES, PULONG) { return ERROR_NO_DATA; }
// A list that grows at every look: the reader gives up after a few tries.
ULONG WINAPI GrowingAdapterList(ULONG, ULONG, PVOID, PIP_ADAPTER_ADDRESSES, PULONG size) {
    *size += 4096;
    return ERROR_BUFFER_OVERFLOW;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// What the harness found: the first link that is up with an Ethernet
// address, as `ip link` lists them ("none": no such link).
std::string LinkAddressOfThisMachine() {
    char text[64] = {};
    EXPECT_GT(GetEnvironmentVariableA("VEXA_TEST_LINK_ADDRESS", text, sizeof(text)), 0u)
        << "VEXA_TEST_LINK_ADDRESS is set by the harness from `ip link`";
    return std::string(text) == "none" ? "" : text;
}

TEST(AdapterAddress, NetbiosFirstThenTheAdapterList) {
    const std::string link = LinkAddressOfThisMachine();
    const struct {
        const char* what;
        Netbios netbios;
        AdapterListCall list;
        std::string expected;
    } cases[] = {
        {"NetBIOS answers", Netbios::Answers, ::GetAdaptersAddresses, "00-1A-2B-3C-4D-5E"},
        {"no NetBIOS at all", Netbios::EnumFails, ::GetAdaptersAddresses, link},
        {"NetBIOS off on every adapter", Netbios::NoAdapter, ::GetAdaptersAddresses, link},
        {"no adapter resets", Netbios::ResetFails, ::GetAdaptersAddresses, link},
        {"no adapter status", Netbios::StatusFails, ::GetAdaptersAddresses, link},
        {"neither answers", Netbios::EnumFails, NoAdapterList, ""},
        {"a list that never fits", Netbios::StatusFails, GrowingAdapterList, ""},
    };
    for (const auto& c : cases) {
        g_netbios = c.netbios;
        EXPECT_EQ(Narrow(ReadAdapterAddress(FakeNetbios, c.list)), c.expected) << c.what;
    }
}

// ---------------------------------------------------------------- the adapter list

struct Adapter {
    IFTYPE type;
    IF_OPER_STATUS status;
    std::vector<BYTE> address;
};

std::string FirstOf(const std::vector<Adapter>& adapters) {
    std::vector<IP_ADAPTER_ADDRESSES> list(adapters.size());
    for (size_t i = 0; i < adapters.size(); ++i) {
        list[i] = IP_ADAPTER_ADDRESSES{};
        list[i].IfType = adapters[i].type;
        list[i].OperStatus = adapters[i].status;
        list[i].PhysicalAddressLength = static_cast<DWORD>(adapters[i].address.size());
        memcpy(list[i].PhysicalAddress, adapters[i].address.data(), adapters[i].address.size());
        list[i].Next = i + 1 < list.size() ? &list[i + 1] : nullptr;
    }
    return FirstPhysicalAddressText(list.empty() ? nullptr : list.data());
}

TEST(AdapterAddress, FirstAdapterThatIsUpAndEthernetOrWifi) {
    const std::vector<BYTE> a = {0x02, 0xFC, 0x00, 0x00, 0x00, 0x01}, b = {0xA4, 0x5E, 0x60, 0xE1, 0x02, 0x03};
    const std::vector<BYTE> none(6, 0), eight = {1, 2, 3, 4, 5, 6, 7, 8};
    const Adapter loopback = {IF_TYPE_SOFTWARE_LOOPBACK, IfOperStatusUp, {}};
    const struct {
        const char* what;
        std::vector<Adapter> adapters;
        std::string expected;
    } cases[] = {
        {"Ethernet after loopback", {loopback, {IF_TYPE_ETHERNET_CSMACD, IfOperStatusUp, a}}, "02-FC-00-00-00-01"},
        {"Wi-Fi after an Ethernet adapter that is down",
         {{IF_TYPE_ETHERNET_CSMACD, IfOperStatusDown, a}, {IF_TYPE_IEEE80211, IfOperStatusUp, b}}, "A4-5E-60-E1-02-03"},
        {"the first of two", {{IF_TYPE_IEEE80211, IfOperStatusUp, b}, {IF_TYPE_ETHERNET_CSMACD, IfOperStatusUp, a}},
         "A4-5E-60-E1-02-03"},
        {"a tunnel is no adapter of the machine",
         {{IF_TYPE_TUNNEL, IfOperStatusUp, b}, {IF_TYPE_ETHERNET_CSMACD, IfOperStatusUp, a}}, "02-FC-00-00-00-01"},
        {"nor a modem link", {{IF_TYPE_PPP, IfOperStatusUp, b}}, ""},
        {"a loopback with an address", {{IF_TYPE_SOFTWARE_LOOPBACK, IfOperStatusUp, a}}, ""},
        {"an adapter still connecting", {{IF_TYPE_ETHERNET_CSMACD, IfOperStatusDormant, a}}, ""},
        {"no six-byte address", {{IF_TYPE_ETHERNET_CSMACD, IfOperStatusUp, eight}}, ""},
        {"an empty address", {{IF_TYPE_ETHERNET_CSMACD, IfOperStatusUp, none}}, ""},
        {"no adapters", {}, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(FirstOf(c.adapters), c.expected) << c.what;
}
}  // namespace
