// The login URL: where the adapter-address segment goes in the base URL.
#include <gtest/gtest.h>

#include <string>

#include "login/GameCode.h"

namespace {
const std::wstring kAddress = L"00-1A-2B-3C-4D-5E";

TEST(LoginUrl, InsertsTheAddressSegment) {
    const struct {
        const wchar_t* base;
        const wchar_t* address;
        const wchar_t* expected;
    } cases[] = {
        // the shipped base: trailing slash
        {L"http://portal.example/client/gamecode/vexa/", kAddress.c_str(),
         L"http://portal.example/client/gamecode/vexa/mac/00-1A-2B-3C-4D-5E/"},
        // no slash, no query: a slash goes in front
        {L"http://portal.example/client/gamecode/vexa", kAddress.c_str(),
         L"http://portal.example/client/gamecode/vexa/mac/00-1A-2B-3C-4D-5E/"},
        // a query: inserted before its last "?", the path runs on into "mac/"
        {L"http://portal.example/gc/vexa?x=1", kAddress.c_str(), L"http://portal.example/gc/vexamac/00-1A-2B-3C-4D-5E/?x=1"},
        {L"http://portal.example/gc/?a=?b", kAddress.c_str(), L"http://portal.example/gc/?a=mac/00-1A-2B-3C-4D-5E/?b"},
        // the trailing slash wins over a query before it
        {L"http://portal.example/?q=1/", kAddress.c_str(), L"http://portal.example/?q=1/mac/00-1A-2B-3C-4D-5E/"},
        // no address could be read
        {L"http://portal.example/client/gamecode/vexa/", L"", L"http://portal.example/client/gamecode/vexa/mac//"},
        {L"http://portal.example/gc?x=1", L"", L"http://portal.example/gcmac//?x=1"},
        {L"", L"", L"/mac//"},
    };
    for (const auto& c : cases) {
        std::wstring url = c.base;
        BuildLoginUrl(url, c.address);
        EXPECT_EQ(url, c.expected) << "base: " << std::string(c.base, c.base + wcslen(c.base));
    }
}
}  // namespace
