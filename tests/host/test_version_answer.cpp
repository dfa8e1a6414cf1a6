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

TEST(VersionAnswer, SignatureFileBesideTheDownload) {
    const struct {
        const char* what;
        std::wstring download, signature;
    } cases[] = {
        {"a path", L"http://h:1/client/vexa.exe", L"http://h:1/client/vexa.exe.sig"},
        {"a query", L"http://h/vexa.exe?build=7&v=1.0", L"http://h/vexa.exe.sig?build=7&v=1.0"},
        {"a fragment", L"http://h/vexa.exe#top", L"http://h/vexa.exe.sig#top"},
        {"a question mark in the fragment", L"http://h/a#b?c", L"http://h/a.sig#b?c"},
        {"a trailing line break", L"http://h/vexa.exe\r\n", L"http://h/vexa.exe.sig\r\n"},
        {"a query and a line break", L"http://h/vexa.exe?x=1\r\n", L"http://h/vexa.exe.sig?x=1\r\n"},
        {"no path", L"http://h:80", L"http://h:80/.sig"},
        {"no path, a query", L"http://h?x", L"http://h/.sig?x"},
        {"no path, a line break", L"http://h\n", L"http://h/.sig\n"},
        {"a path ending in a slash", L"http://h/dl/", L"http://h/dl/.sig"},
        {"a scheme mark in the query", L"http://h/a?r=http://x/b", L"http://h/a.sig?r=http://x/b"},
        {"a scheme mark in the fragment only", L"h#://x", L"h.sig#://x"},
    };
    for (const auto& c : cases) EXPECT_EQ(SignatureUrl(c.download), c.signature) << c.what;
}
}  // namespace
