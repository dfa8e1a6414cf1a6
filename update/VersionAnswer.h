// What the version server's answer means. No Windows here: the decision is
// unit-tested natively.
#pragma once

#include <cstddef>
#include <string>

// The longest answer read whole. The answer is one URL; a longer body is not
// a sane answer, so it is read only this far and taken as no update.
constexpr size_t kMaxVersionAnswerBytes = 4096;

struct VersionAnswer {
    std::wstring text;  // the body as text, as received (cut when too long)
    bool cut = false;   // the body was longer than kMaxVersionAnswerBytes
};

// True when the answer names a new client to download: six characters or
// more, not cut, and not led by a negative integer (read as wcstol reads it:
// blanks, sign, digits). The whole text, untrimmed, is then the URL.
bool NamesNewClient(const VersionAnswer& answer);

// The URL of the signature file of a download: ".sig" added to the URL's
// path, before any query or fragment ("http://h/vexa.exe?b=7" gives
// "http://h/vexa.exe.sig?b=7"; "http://h" gives "http://h/.sig"), and before
// blanks and line breaks at the end of the answer, which are not part of the
// URL.
std::wstring SignatureUrl(const std::wstring& downloadUrl);
