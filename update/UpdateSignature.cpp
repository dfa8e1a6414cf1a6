#include "update/UpdateSignature.h"

#include <windows.h>
#include <bcrypt.h>

#include <cstring>

#include "app/FixedTexts.h"
#include "app/Profile.h"
#include "base/Owners.h"
#include "base/Text.h"
#include "update/Download.h"
#include "update/HttpGet.h"
#include "update/SignatureDer.h"
#include "update/VersionAnswer.h"

namespace {
VEXA_OWNER_TRAITS(AlgorithmTraits, BCRYPT_ALG_HANDLE, nullptr, ::BCryptCloseAlgorithmProvider(h, 0));
VEXA_OWNER_TRAITS(CngKeyTraits, BCRYPT_KEY_HANDLE, nullptr, ::BCryptDestroyKey(h));
VEXA_OWNER_TRAITS(CngHashTraits, BCRYPT_HASH_HANDLE, nullptr, ::BCryptDestroyHash(h));
using Algorithm = UniqueOwner<AlgorithmTraits>;
using CngKey = UniqueOwner<CngKeyTraits>;
using CngHash = UniqueOwner<CngHashTraits>;

constexpr ULONG kSha256Bytes = 32;
constexpr size_t kHashPiece = 1 << 20;  // BCryptHashData takes a ULONG length

NTSTATUS Sha256(const std::vector<unsigned char>& bytes, unsigned char digest[kSha256Bytes]) {
    Algorithm algorithm;
    NTSTATUS status = ::BCryptOpenAlgorithmProvider(algorithm.Put(), BCRYPT_SHA256_ALGORITHM, nullptr, 0);
    if (status != 0) return status;
    CngHash hash;
    status = ::BCryptCreateHash(algorithm.Get(), hash.Put(), nullptr, 0, nullptr, 0, 0);
    for (size_t at = 0; status == 0 && at < bytes.size(); at += kHashPiece) {
        const size_t piece = bytes.size() - at < kHashPiece ? bytes.size() - at : kHashPiece;
        status = ::BCryptHashData(hash.Get(), const_cast<PUCHAR>(bytes.data() + at), static_cast<ULONG>(piece), 0);
    }
    return status != 0 ? status : ::BCryptFinishHash(hash.Get(), digest, kSha256Bytes, 0);
}

// The key as a BCRYPT_ECCPUBLIC_BLOB: the blob header, then X and Y.
NTSTATUS ImportKey(BCRYPT_ALG_HANDLE algorithm, const UpdateKey& key, CngKey* imported) {
    unsigned char blob[sizeof(BCRYPT_ECCKEY_BLOB) + sizeof(key.point)];
    const BCRYPT_ECCKEY_BLOB header = {BCRYPT_ECDSA_PUBLIC_P256_MAGIC, sizeof(key.point) / 2};
    std::memcpy(blob, &header, sizeof(header));
    std::memcpy(blob + sizeof(header), key.point, sizeof(key.point));
    return ::BCryptImportKeyPair(algorithm, nullptr, BCRYPT_ECCPUBLIC_BLOB, imported->Put(), blob, sizeof(blob), 0);
}

std::wstring StatusText(const wchar_t* what, NTSTATUS status) {
    return FormatText(L"%ls.Status 0x%08lX", what, static_cast<unsigned long>(status));
}
}  // namespace

bool FetchSignature(const std::wstring& downloadUrl, std::vector<unsigned char>* der, std::wstring* failure) {
    der->clear();
    HttpGet response;
    if (!response.Send(SignatureUrl(downloadUrl), kAppName, kDownloadStallMs, kDownloadStallMs)) {
        *failure = L"No signature file." + ErrorText(response.Error());
        return false;
    }
    const long status = response.StatusCode();
    if (status >= 400) {
        *failure = L"No signature file." + FormatText(kLogStatusCode, status);
        return false;
    }
    unsigned char piece[256];
    for (;;) {
        DWORD read = 0;
        if (!response.Read(piece, sizeof(piece), &read)) {
            *failure = L"No signature file." + ErrorText(response.Error());
            return false;
        }
        if (read == 0) return true;
        der->insert(der->end(), piece, piece + read);
        if (der->size() > kMaxSignatureFileBytes) return true;  // too long to be one: the reading refuses it
    }
}

bool VerifySignature(const UpdateKey& key, const std::vector<unsigned char>& bytes,
                     const std::vector<unsigned char>& der, std::wstring* failure) {
    unsigned char rs[2 * kP256NumberBytes];
    if (der.size() > kMaxSignatureFileBytes || !ReadDerSignature(der.data(), der.size(), rs)) {
        *failure = FormatText(L"Signature unreadable.Size:%lu", static_cast<unsigned long>(der.size()));
        return false;
    }
    unsigned char digest[kSha256Bytes];
    Algorithm algorithm;
    CngKey imported;
    NTSTATUS status = Sha256(bytes, digest);
    if (status == 0) status = ::BCryptOpenAlgorithmProvider(algorithm.Put(), BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0);
    if (status == 0) status = ImportKey(algorithm.Get(), key, &imported);
    if (status != 0) {
        *failure = StatusText(L"Signature not checked", status);
        return false;
    }
    // Exactly 0: any other answer, a success code included, is no proof.
    status = ::BCryptVerifySignature(imported.Get(), nullptr, digest, kSha256Bytes, rs, sizeof(rs), 0);
    if (status != 0) {
        *failure = StatusText(L"Signature not valid", status);
        return false;
    }
    return true;
}

bool CheckSignedDownload(const UpdateKey* key, const std::wstring& downloadUrl,
                         const std::vector<unsigned char>& bytes, std::wstring* failure) {
    if (!key) return true;
    std::vector<unsigned char> der;
    return FetchSignature(downloadUrl, &der, failure) && VerifySignature(*key, bytes, der, failure);
}
