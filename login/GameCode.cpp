#include "login/GameCode.h"

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
