// The signature file of a downloaded client as openssl writes it
// (`openssl dgst -sha256 -sign key.pem`): DER, SEQUENCE { INTEGER r,
// INTEGER s }. CNG takes the two numbers as r || s instead. The bytes come
// from the network: no Windows here, so the reading is unit-tested and fuzzed
// natively.
#pragma once

#include <cstddef>
#include <cstdint>

// The size of r and of s for ECDSA P-256.
constexpr size_t kP256NumberBytes = 32;

// Reads der into rs: r then s, each big-endian and left-padded with zeros to
// kP256NumberBytes. Accepts strict DER only: the one sequence and nothing
// after it, short lengths that match the bytes exactly, two INTEGERs that are
// positive, minimally encoded and at most kP256NumberBytes long. False for
// anything else (cut, lengthened, garbage); rs is then unspecified.
bool ReadDerSignature(const uint8_t* der, size_t size, uint8_t rs[2 * kP256NumberBytes]);
