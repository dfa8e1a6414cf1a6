// libFuzzer target of the version answer's decision: any bytes as the body
// of the version server's answer, taken as the client takes it (up to its
// first NUL, at most kMaxVersionAnswerBytes, each byte one character). An
// answer that names a new client gives the URL of its signature file: the
// answer with ".sig" inserted once, before any query.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "update/VersionAnswer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    VersionAnswer answer;
    answer.cut = size > kMaxVersionAnswerBytes;
    for (size_t i = 0; i < size && i < kMaxVersionAnswerBytes && data[i] != 0; ++i) answer.text += wchar_t{data[i]};
    if (!NamesNewClient(answer)) return 0;
    if (answer.cut || answer.text.size() <= 5) ::abort();

    // ".sig" (or "/.sig" where the URL has no path) was inserted once, at or
    // before any query; the answer may hold ".sig" itself.
    const std::wstring url = SignatureUrl(answer.text);
    const size_t npos = std::wstring::npos, query = answer.text.find_first_of(L"?#");
    const size_t added = url.size() - answer.text.size();
    if (added != 4 && added != 5) ::abort();
    const std::wstring mark = added == 4 ? L".sig" : L"/.sig";
    bool inserted = false;
    for (size_t i = url.find(mark); i != npos && (query == npos || i <= query); i = url.find(mark, i + 1))
        inserted = inserted || std::wstring(url).erase(i, added) == answer.text;
    if (!inserted) ::abort();
    return 0;
}
