// What the version server's answer means: one table over the answer contract.
#include <gtest/gtest.h>

#include <string>

#include "update/VersionAnswer.h"

namespace {
struct AnswerCase {
    const char* what;
    std::wstring text;
    bool cut;
    bool update;
};

TEST(VersionAnswer, DecidesFromTheWholeText) {
    const std::wstring url = L"http://127.0.0.1:18480/client/vexa-1.0.0.1.exe";
    const std::wstring longUrl = L"http://h/" + std::wstring(1024 - 9 - 4, L'a') + L".exe";
    const AnswerCase cases[] = {
        {"empty: the fetch failed", L"", false, false},
        {"zero", L"0", false, false},
        {"minus one", L"-1", false, false},
        {"five digits", L"12345", false, false},
        {"five characters of a URL", L"http:", false, false},
        {"six digits", L"123456", false, true},
        {"a URL", url, false, true},
        {"a negative number before a URL", L"-1" + url, false, false},
        {"blanks and a negative number", L"  -7 " + url, false, false},
        {"a huge negative number", L"-99999999999999999999" + url, false, false},
        {"a minus sign without digits", L"-" + url, false, true},
        {"zero before a URL", L"0" + url, false, true},
        {"a trailing line break", url + L"\r\n", false, true},
        {"1024 characters, read whole", longUrl, false, true},
        {"longer than the cap, cut", std::wstring(kMaxVersionAnswerBytes, L'a'), true, false},
        {"a cut URL", url + std::wstring(5000, L'a'), true, false},
    };
    for (const auto& c : cases) EXPECT_EQ(NamesNewClient({c.text, c.cut}), c.update) << c.what;
    ASSERT_EQ(longUrl.size(), 1024u);
}
}  // namespace
