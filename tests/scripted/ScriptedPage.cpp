#include "tests/scripted/ScriptedPage.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "base/Owners.h"

namespace {
VEXA_OWNER_TRAITS(InternetTraits, HINTERNET, nullptr, ::InternetCloseHandle(h));
using InternetHandle = UniqueOwner<InternetTraits>;
const DWORD kTimeoutMs = 10000;

std::wstring Widen(const std::string& utf8) {
    if (utf8.empty()) return std::wstring();
    int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(n, L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], n);
    return out;
}

// The few character references a portal writes into attribute values.
std::string DecodeEntities(const std::string& text) {
    static const struct {
        const char* entity;
        char c;
    } kEntities[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&#39;", '\''}};
    std::string out;
    for (size_t i = 0; i < text.size();) {
        bool replaced = false;
        for (const auto& e : kEntities) {
            if (text.compare(i, strlen(e.entity), e.entity) == 0) {
                out += e.c;
                i += strlen(e.entity);
                replaced = true;
                break;
            }
        }
        if (!replaced) out += text[i++];
    }
    return out;
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// The value of attribute name inside one tag's text (lower-cased copy given
// for the search, original for the value); empty when absent.
bool Attribute(const std::string& tag, const std::string& lowerTag, const std::string& name, std::string& value) {
    for (size_t at = lowerTag.find(name); at != std::string::npos; at = lowerTag.find(name, at + 1)) {
        if (at == 0 || !std::isspace(static_cast<unsigned char>(lowerTag[at - 1]))) continue;
        size_t p = at + name.size();
        while (p < tag.size() && std::isspace(static_cast<unsigned char>(tag[p]))) ++p;
        if (p >= tag.size() || tag[p] != '=') continue;
        ++p;
        while (p < tag.size() && std::isspace(static_cast<unsigned char>(tag[p]))) ++p;
        if (p < tag.size() && (tag[p] == '"' || tag[p] == '\'')) {
            size_t end = tag.find(tag[p], p + 1);
            value = tag.substr(p + 1, end == std::string::npos ? std::string::npos : end - p - 1);
        } else {
            size_t end = p;
            while (end < tag.size() && !std::isspace(static_cast<unsigned char>(tag[end])) && tag[end] != '>') ++end;
            value = tag.substr(p, end - p);
        }
        value = DecodeEntities(value);
        return true;
    }
    return false;
}

// Calls onTag(tag text, lower-cased, end of tag) for every start tag <name ...>.
template <typename F>
void ForEachTag(const std::string& html, const std::string& lower, const std::string& name, F onTag) {
    const std::string open = "<" + name;
    for (size_t at = lower.find(open); at != std::string::npos; at = lower.find(open, at + 1)) {
        size_t after = at + open.size();
        if (after < lower.size() && !std::isspace(static_cast<unsigned char>(lower[after])) && lower[after] != '>')
            continue;  // <abbr>, <iframeset> ...
        size_t end = lower.find('>', at);
        if (end == std::string::npos) return;
        onTag(html.substr(at, end - at), lower.substr(at, end - at), end + 1);
    }
}

void ParseRefresh(const std::string& content, Page& page) {
    const std::string lower = Lower(content);
    size_t url = lower.find("url=");
    if (url == std::string::npos) return;  // a reload of the same page: not followed
    page.refreshSeconds = atoi(content.c_str());
    std::string target = content.substr(url + 4);
    if (!target.empty() && (target[0] == '\'' || target[0] == '"')) target = target.substr(1, target.find(target[0], 1) - 1);
    page.refreshUrl = Widen(target);
}

std::wstring TextOf(const std::string& inner) {
    std::string text;
    bool inTag = false;
    for (char c : inner) {
        if (c == '<') inTag = true;
        else if (c == '>') inTag = false;
        else if (!inTag) text += c;
    }
    return Widen(text);
}
}  // namespace

Page ParsePage(const std::string& html) {
    Page page;
    const std::string lower = Lower(html);
    std::string value;
    ForEachTag(html, lower, "meta", [&](const std::string& tag, const std::string& ltag, size_t) {
        if (Attribute(tag, ltag, "http-equiv", value) && Lower(value) == "refresh" &&
            Attribute(tag, ltag, "content", value))
            ParseRefresh(value, page);
    });
    for (const char* name : {"frame", "iframe"}) {
        ForEachTag(html, lower, name, [&](const std::string& tag, const std::string& ltag, size_t) {
            if (Attribute(tag, ltag, "src", value)) page.frames.push_back(Widen(value));
        });
    }
    ForEachTag(html, lower, "a", [&](const std::string& tag, const std::string& ltag, size_t end) {
        PageLink link;
        link.hasHref = Attribute(tag, ltag, "href", value);
        if (link.hasHref) link.href = Widen(value);
        size_t close = lower.find("</a", end);
        const std::string inner = html.substr(end, close == std::string::npos ? std::string::npos : close - end);
        link.image = Lower(inner).find("<img") != std::string::npos;
        link.text = TextOf(inner);
        page.links.push_back(link);
    });
    return page;
}

std::wstring ResolveUrl(const std::wstring& base, const std::wstring& relative) {
    wchar_t out[2048];
    DWORD size = ARRAYSIZE(out);
    if (!::InternetCombineUrlW(base.c_str(), relative.c_str(), out, &size, ICU_NO_ENCODE)) return relative;
    return out;
}

bool HttpGet(const std::wstring& url, std::string& body) {
    wchar_t host[256] = {}, path[2048] = {}, extra[2048] = {};
    URL_COMPONENTSW parts = {sizeof(parts)};
    parts.lpszHostName = host;
    parts.dwHostNameLength = ARRAYSIZE(host);
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = ARRAYSIZE(path);
    parts.lpszExtraInfo = extra;
    parts.dwExtraInfoLength = ARRAYSIZE(extra);
    if (!::InternetCrackUrlW(url.c_str(), 0, 0, &parts)) return false;

    InternetHandle session(::InternetOpenW(L"Kestro_V5", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session) return false;
    InternetHandle connection(
        ::InternetConnectW(session.Get(), host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) return false;
    DWORD timeout = kTimeoutMs;
    ::InternetSetOptionW(connection.Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof(timeout));
    const std::wstring target = std::wstring(path) + extra;
    InternetHandle request(::HttpOpenRequestW(connection.Get(), L"GET", target.c_str(), nullptr, nullptr, nullptr,
                                              INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0));
    if (!request) return false;
    ::InternetSetOptionW(request.Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof(timeout));
    if (!::HttpSendRequestW(request.Get(), nullptr, 0, nullptr, 0)) return false;
    char buffer[8192];
    DWORD read = 0;
    while (::InternetReadFile(request.Get(), buffer, sizeof(buffer), &read) && read) body.append(buffer, read);
    return true;
}
