#include "update/VersionAnswer.h"

#include <cwchar>

bool NamesNewClient(const VersionAnswer& answer) {
    if (answer.cut || answer.text.size() <= 5) return false;
    return std::wcstol(answer.text.c_str(), nullptr, 10) >= 0;
}

std::wstring SignatureUrl(const std::wstring& downloadUrl) {
    size_t end = downloadUrl.find_first_of(L"?#");
    if (end == std::wstring::npos) {
        end = downloadUrl.size();
        while (end > 0 && static_cast<unsigned>(downloadUrl[end - 1]) <= L' ') --end;
    }
    std::wstring url = downloadUrl;
    return url.insert(end, L".sig");
}
