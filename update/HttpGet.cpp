#include "update/HttpGet.h"

#include "base/Text.h"

namespace {
std::wstring Part(const wchar_t* text, DWORD length) { return text ? std::wstring(text, length) : std::wstring(); }

struct UrlParts {
    INTERNET_SCHEME scheme = INTERNET_SCHEME_UNKNOWN;
    std::wstring host, user, password, path;
    INTERNET_PORT port = 0;
};

// The parts of an http or https URL; false with *error otherwise.
bool CrackHttpUrl(const std::wstring& url, UrlParts* out, DWORD* error) {
    URL_COMPONENTSW parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = parts.dwUserNameLength = parts.dwPasswordLength = 1;
    parts.dwUrlPathLength = parts.dwExtraInfoLength = 1;
    if (!::InternetCrackUrlW(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) {
        *error = ::GetLastError();
        return false;
    }
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) {
        *error = ERROR_INTERNET_UNRECOGNIZED_SCHEME;
        return false;
    }
    out->scheme = parts.nScheme;
    out->host = Part(parts.lpszHostName, parts.dwHostNameLength);
    out->user = Part(parts.lpszUserName, parts.dwUserNameLength);
    out->password = Part(parts.lpszPassword, parts.dwPasswordLength);
    out->path = Part(parts.lpszUrlPath, parts.dwUrlPathLength) + Part(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (out->path.empty() || out->path[0] != L'/') out->path.insert(0, L"/");
    out->port = parts.nPort;
    return true;
}

bool IsHttps(const std::wstring& url) {
    UrlParts parts;
    DWORD error = NO_ERROR;
    return CrackHttpUrl(url, &parts, &error) && parts.scheme == INTERNET_SCHEME_HTTPS;
}
}  // namespace

bool HttpGet::Fail() {
    error_ = ::GetLastError();
    if (error_ == NO_ERROR) error_ = ERROR_INTERNET_INTERNAL_ERROR;
    return false;
}

// Redirects are ours to follow: WinInet would stop one from HTTP to HTTPS
// (on Windows) and follow one from HTTPS to HTTP (under Wine), the reverse
// of what an update over HTTPS needs.
bool HttpGet::Send(const std::wstring& url, const wchar_t* userAgent, DWORD connectTimeoutMs,
                   DWORD receiveTimeoutMs) {
    session_.Reset(::InternetOpenW(userAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session_) return Fail();
    ::InternetSetOptionW(session_.Get(), INTERNET_OPTION_CONNECT_TIMEOUT, &connectTimeoutMs, sizeof(DWORD));
    receiveTimeoutMs_ = receiveTimeoutMs;

    std::wstring target = url;
    for (int redirects = 0;; ++redirects) {
        if (!SendOne(target)) return false;
        const std::wstring next = RedirectTarget(target);
        if (next.empty()) return true;
        if (redirects == kMaxRedirects) {
            error_ = ERROR_HTTP_REDIRECT_FAILED;
            return false;
        }
        // What came over HTTPS may only lead to HTTPS: anyone on the network
        // path could answer a plain request instead of the server.
        if (IsHttps(target) && !IsHttps(next)) {
            error_ = ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR;
            return false;
        }
        target = next;
    }
}

// InternetOpenUrlW would be one call, but it offers only the session handle
// for options, and a receive time-out set there is not honoured everywhere
// (Wine ignores it). Connection and request handles of our own take it.
bool HttpGet::SendOne(const std::wstring& url) {
    request_.Reset();
    connection_.Reset();
    available_ = 0;
    UrlParts parts;
    if (!CrackHttpUrl(url, &parts, &error_)) return false;

    connection_.Reset(::InternetConnectW(session_.Get(), parts.host.c_str(), parts.port,
                                         parts.user.empty() ? nullptr : parts.user.c_str(),
                                         parts.password.empty() ? nullptr : parts.password.c_str(),
                                         INTERNET_SERVICE_HTTP, 0, 1));
    if (!connection_) return Fail();
    ::InternetSetOptionW(connection_.Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &receiveTimeoutMs_, sizeof(DWORD));

    // Always from the server: a cached version answer or client would be
    // stale. Certificate errors are never ignored.
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI |
                  INTERNET_FLAG_NO_AUTO_REDIRECT;
    if (parts.scheme == INTERNET_SCHEME_HTTPS) flags |= INTERNET_FLAG_SECURE;
    request_.Reset(
        ::HttpOpenRequestW(connection_.Get(), L"GET", parts.path.c_str(), nullptr, nullptr, nullptr, flags, 1));
    if (!request_) return Fail();
    ::InternetSetOptionW(request_.Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &receiveTimeoutMs_, sizeof(DWORD));

    if (!::HttpSendRequestW(request_.Get(), nullptr, 0, nullptr, 0)) return Fail();
    return true;
}

std::wstring HttpGet::RedirectTarget(const std::wstring& url) const {
    const long status = StatusCode();
    if (status != 301 && status != 302 && status != 303 && status != 307 && status != 308) return std::wstring();
    const std::wstring location = Header(HTTP_QUERY_LOCATION);
    if (location.empty()) return std::wstring();  // nowhere to go: this response is the answer
    // A relative location is resolved against the URL it came from; the
    // result is never longer than both together and a separator.
    std::wstring combined(url.size() + location.size() + 2, L'\0');
    DWORD chars = static_cast<DWORD>(combined.size());
    if (!::InternetCombineUrlW(url.c_str(), location.c_str(), &combined[0], &chars, ICU_NO_ENCODE)) return location;
    combined.resize(chars);
    return combined;
}

long HttpGet::StatusCode() const {
    DWORD status = 0, size = sizeof(status);
    if (!::HttpQueryInfoW(request_.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        return 0;
    return static_cast<long>(status);
}

std::wstring HttpGet::Header(DWORD query) const {
    std::wstring text(64, L'\0');
    for (;;) {
        DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        DWORD index = 0;
        if (::HttpQueryInfoW(request_.Get(), query, &text[0], &bytes, &index)) {
            text.resize(bytes / sizeof(wchar_t));
            return text;
        }
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || bytes <= text.size() * sizeof(wchar_t))
            return std::wstring();
        text.resize(bytes / sizeof(wchar_t) + 1);
    }
}

// Each read takes no more than WinInet said it holds, after asking it when
// that is used up: the question fills its buffer with one receive, so small
// reads are mostly copies instead of one socket receive each (several times
// faster for 1 KiB reads under Wine), and only the question waits for the
// server.
bool HttpGet::Read(void* buffer, DWORD size, DWORD* read) {
    *read = 0;
    if (available_ == 0) {
        const ULONGLONG asked = ::GetTickCount64();
        if (!::InternetQueryDataAvailable(request_.Get(), &available_, 0, 0)) return Fail();
        // Wine's WinInet answers a receive time-out here with "nothing
        // available" instead of failing; a read would then wait once more.
        if (available_ == 0 && ::GetTickCount64() - asked + 100 >= receiveTimeoutMs_) {
            error_ = ERROR_INTERNET_TIMEOUT;
            return false;
        }
    }
    // Nothing available and no time-out: the end of the body, which the read confirms.
    const DWORD piece = available_ == 0 || size < available_ ? size : available_;
    if (!::InternetReadFile(request_.Get(), buffer, piece, read)) return Fail();
    available_ -= *read < available_ ? *read : available_;
    return true;
}

std::wstring ErrorText(DWORD code) {
    LocalMem text;
    const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                        FORMAT_MESSAGE_FROM_HMODULE;
    const DWORD n = ::FormatMessageW(flags, ::GetModuleHandleW(L"wininet.dll"), code, 0,
                                     reinterpret_cast<wchar_t*>(text.Put()), 0, nullptr);
    std::wstring message(text ? static_cast<const wchar_t*>(text.Get()) : L"", n);
    // One log line: no line breaks inside, none at the end.
    for (wchar_t& c : message)
        if (c == L'\r' || c == L'\n') c = L' ';
    while (!message.empty() && message.back() == L' ') message.pop_back();
    const std::wstring number = FormatText(L"Error %lu", static_cast<unsigned long>(code));
    return (message.empty() ? number : message + L" (" + number + L")").substr(0, 254);
}
