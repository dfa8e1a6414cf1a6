// The publisher's signature of a downloaded client: the file "<URL>.sig"
// beside the download (SignatureUrl) holds an ECDSA P-256 / SHA-256
// signature of the exact downloaded bytes, as `openssl dgst -sha256 -sign`
// writes it. Verified with CNG; nothing else (not Authenticode) is relied on.
#pragma once

#include <string>
#include <vector>

#include "update/UpdateKey.h"

// A signature file longer than this is not one (DER of P-256 takes 72 bytes
// at most); only this much is read.
constexpr size_t kMaxSignatureFileBytes = 1024;

// Fetches the signature file of downloadUrl with the download's request
// rules and time-out. True with its bytes in *der; otherwise *failure says
// why on one line ("No signature file." and the status or the error).
// Logs nothing.
bool FetchSignature(const std::wstring& downloadUrl, std::vector<unsigned char>* der, std::wstring* failure);

// True when der is a valid signature of bytes under key: BCryptVerifySignature
// of their SHA-256 answered exactly 0. Otherwise *failure says why:
// "Signature unreadable..." (not DER), "Signature not valid.Status 0x..."
// or "Signature not checked.Status 0x..." (CNG refused the key or the hash).
bool VerifySignature(const UpdateKey& key, const std::vector<unsigned char>& bytes,
                     const std::vector<unsigned char>& der, std::wstring* failure);

// The signature check of a download: true at once without a key (nothing is
// fetched); with one, fetches the signature of downloadUrl and verifies it
// over bytes.
bool CheckSignedDownload(const UpdateKey* key, const std::wstring& downloadUrl,
                         const std::vector<unsigned char>& bytes, std::wstring* failure);
