#include "login/GameCode.h"

#ifdef _WIN32
#include <windows.h>
#include <nb30.h>

#include <cstdio>
#include <cstring>
#endif

void BuildLoginUrl(std::wstring& url, const std::wstring& address) {
    const std::wstring segment = L"mac/" + address + L"/";
    if (!url.empty() && url.back() == L'/') {
        url += segment;
        return;
    }
    const size_t query = url.rfind(L'?');
    if (query != std::wstring::npos) url.insert(query, segment);  // no slash in front, as the portal expects
    else url += L"/" + segment;
}

#ifdef _WIN32
unsigned char GetAdapterAddressText(char* buffer, size_t size) {
    LANA_ENUM adapters = {};
    NCB ncb = {};
    ncb.ncb_command = NCBENUM;
    ncb.ncb_buffer = reinterpret_cast<PUCHAR>(&adapters);
    ncb.ncb_length = sizeof(adapters);
    if (UCHAR code = ::Netbios(&ncb)) return code;
    if (adapters.length == 0) return NRC_BRIDGE;  // no adapter to ask

    UCHAR code = NRC_GOODRET;
    for (UCHAR i = 0; i < adapters.length; ++i) {
        ncb = NCB{};
        ncb.ncb_command = NCBRESET;
        ncb.ncb_lana_num = adapters.lana[i];
        code = ::Netbios(&ncb);
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
    if (UCHAR code = ::Netbios(&ncb)) return code;

    const UCHAR* a = answer.status.adapter_address;
    snprintf(buffer, size, "%02X-%02X-%02X-%02X-%02X-%02X", a[0], a[1], a[2], a[3], a[4], a[5]);
    return NRC_GOODRET;
}

void BuildLoginUrl(std::wstring& url) {
    char text[200] = {};
    std::wstring address;
    if (GetAdapterAddressText(text, sizeof(text)) == NRC_GOODRET) {
        wchar_t wide[200] = {};
        ::MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, wide, 200);
        address = wide;
    }
    BuildLoginUrl(url, address);
}
#endif
