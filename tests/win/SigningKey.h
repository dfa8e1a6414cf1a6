// A publisher's key pair for one test, made by CNG, and signatures in the
// form `openssl dgst -sha256 -sign` writes them (DER), so the tests can sign
// the files they make at run time. (openssl itself signs in the end-to-end
// scenarios and the native tests of the DER reading.)
#pragma once

#include <windows.h>
#include <bcrypt.h>

#include <cstring>
#include <string>

#include "update/UpdateKey.h"

class SigningKey {
public:
    SigningKey() {
        BCryptOpenAlgorithmProvider(&algorithm_, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0);
        BCryptGenerateKeyPair(algorithm_, &key_, 256, 0);
        BCryptFinalizeKeyPair(key_, 0);
        unsigned char blob[sizeof(BCRYPT_ECCKEY_BLOB) + sizeof(public_.point)] = {};
        ULONG size = 0;
        BCryptExportKey(key_, nullptr, BCRYPT_ECCPUBLIC_BLOB, blob, sizeof(blob), &size, 0);
        std::memcpy(public_.point, blob + sizeof(BCRYPT_ECCKEY_BLOB), sizeof(public_.point));
    }
    ~SigningKey() {
        if (key_) BCryptDestroyKey(key_);
        if (algorithm_) BCryptCloseAlgorithmProvider(algorithm_, 0);
    }
    SigningKey(const SigningKey&) = delete;
    SigningKey& operator=(const SigningKey&) = delete;

    const UpdateKey& Public() const { return public_; }

    // The DER signature of bytes; empty when CNG failed.
    std::string Sign(const std::string& bytes) const {
        unsigned char digest[32];
        BCRYPT_HASH_HANDLE hash = nullptr;
        NTSTATUS status = BCryptCreateHash(Sha256(), &hash, nullptr, 0, nullptr, 0, 0);
        if (status == 0)
            status = BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data())),
                                    static_cast<ULONG>(bytes.size()), 0);
        if (status == 0) status = BCryptFinishHash(hash, digest, sizeof(digest), 0);
        if (hash) BCryptDestroyHash(hash);
        if (status != 0) return std::string();
        unsigned char rs[64];
        ULONG size = 0;
        if (BCryptSignHash(key_, nullptr, digest, sizeof(digest), rs, sizeof(rs), &size, 0) != 0 || size != 64)
            return std::string();
        const std::string r = DerInteger(rs, 32), s = DerInteger(rs + 32, 32);
        return std::string{0x30, static_cast<char>(r.size() + s.size())} + r + s;
    }

    // A positive big-endian number as a minimal DER INTEGER.
    static std::string DerInteger(const unsigned char* number, size_t size) {
        size_t first = 0;
        while (first + 1 < size && number[first] == 0) ++first;
        std::string value(reinterpret_cast<const char*>(number + first), size - first);
        if (number[first] & 0x80) value.insert(0, 1, '\0');
        return std::string{0x02, static_cast<char>(value.size())} + value;
    }

private:
    static BCRYPT_ALG_HANDLE Sha256() {
        static BCRYPT_ALG_HANDLE sha256 = [] {
            BCRYPT_ALG_HANDLE h = nullptr;
            BCryptOpenAlgorithmProvider(&h, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
            return h;
        }();
        return sha256;
    }

    BCRYPT_ALG_HANDLE algorithm_ = nullptr;
    BCRYPT_KEY_HANDLE key_ = nullptr;
    UpdateKey public_ = {};
};
