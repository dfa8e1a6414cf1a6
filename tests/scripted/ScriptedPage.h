// What the stand-in reads of a page, and how it fetches one.
#pragma once

#include <string>
#include <vector>

struct PageLink {
    std::wstring href;
    bool hasHref = false;
    bool image = false;  // an <img> inside the link: a click lands on it
    std::wstring text;
};

struct Page {
    int refreshSeconds = -1;  // <meta http-equiv="refresh" content="N;url=...">, -1: none
    std::wstring refreshUrl;
    std::vector<std::wstring> frames;  // src of every <frame> and <iframe>, in order
    std::vector<PageLink> links;
};

Page ParsePage(const std::string& html);

// relative against base, the way a browser resolves a link.
std::wstring ResolveUrl(const std::wstring& base, const std::wstring& relative);

// A GET through WinInet with the system's proxy settings. False when no HTTP
// answer came (refused, timed out); any status counts as a page.
bool HttpGet(const std::wstring& url, std::string& body);
