// One HTTP or HTTPS GET through WinInet with the system's proxy settings and
// a bound on how long the server may keep us waiting for any data.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <string>

#include "base/Owners.h"

VEXA_OWNER_TRAITS(InternetHandleTraits, HINTERNET, nullptr, ::InternetCloseHandle(h));
using InternetHandle = UniqueOwner<InternetHandleTraits>;

class HttpGet {
public:
    HttpGet() = default;

    // Sends the GET and receives the response head. The wait for the head and
    // for each piece of the body is bounded by receiveTimeoutMs, the connect
    // by connectTimeoutMs. Redirects are followed up to kMaxRedirects times,
    // from HTTP to HTTPS too, never from HTTPS to HTTP. A certificate the
    // system does not trust for the host fails the request. False on
    // failure; Error() says why (ERROR_INTERNET_INVALID_CA,
    // ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR, ERROR_HTTP_REDIRECT_FAILED, ...).
    bool Send(const std::wstring& url, const wchar_t* userAgent, DWORD connectTimeoutMs, DWORD receiveTimeoutMs);

    // The status code as a decimal number; 0 when it cannot be read.
    long StatusCode() const;
    // A response header's text (HTTP_QUERY_CONTENT_LENGTH, ...); empty when absent.
    std::wstring Header(DWORD query) const;

    // Reads up to size bytes of the body; *read is 0 at its end. False on
    // failure (a broken connection, no data within the receive time-out);
    // Error() says why.
    bool Read(void* buffer, DWORD size, DWORD* read);

    DWORD Error() const { return error_; }

    static constexpr int kMaxRedirects = 5;

private:
    bool Fail();
    // One request of the GET: the response head of url.
    bool SendOne(const std::wstring& url);
    // The absolute URL a redirect response points to; empty when the
    // response is final.
    std::wstring RedirectTarget(const std::wstring& url) const;

    InternetHandle session_, connection_, request_;
    DWORD error_ = NO_ERROR;
    DWORD receiveTimeoutMs_ = 0;
    DWORD available_ = 0;  // bytes WinInet said it holds and we have not read yet
};

// The system's text for a WinInet or system error code with the code, on one
// line, at most 254 characters: "<text> (Error <code>)", or "Error <code>".
std::wstring ErrorText(DWORD code);
