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
