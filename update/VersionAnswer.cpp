#include "update/VersionAnswer.h"

#include <cwchar>

bool NamesNewClient(const VersionAnswer& answer) {
    if (answer.cut || answer.text.size() <= 5) return false;
    return std::wcstol(answer.text.c_str(), nullptr, 10) >= 0;
}

std::wstring SignatureUrl(const std::wstring& downloadUrl) {
    size_t end = downloadUrl.find_first_of(L"?#");
    const size_t scheme = downloadUrl.find(L"://");
    const bool hasHost = scheme < end;  // a "://" before any query or fragment
    const size_t host = hasHost ? scheme + 3 : 0;
    if (end == std::wstring::npos) {
        end = downloadUrl.size();
        while (end > host && static_cast<unsigned>(downloadUrl[end - 1]) <= L' ') --end;
    }
    const bool noPath = hasHost && !(downloadUrl.find(L'/', host) < end);
    std::wstring url = downloadUrl;
    return url.insert(end, noPath ? L"/.sig" : L".sig");  // no path: the server's root
}
