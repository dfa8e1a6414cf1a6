#include "update/SignatureDer.h"

#include <cstring>

namespace {
constexpr uint8_t kSequence = 0x30;
constexpr uint8_t kInteger = 0x02;
// Lengths of 128 and more take the long form; an ECDSA P-256 signature never
// needs it (at most 2 * (2 + 33) content bytes).
constexpr uint8_t kLongLength = 0x80;

// Reads one INTEGER at *at into out (kP256NumberBytes, big-endian) and moves
// *at past it.
bool ReadNumber(const uint8_t* der, size_t end, size_t* at, uint8_t* out) {
    if (end - *at < 2 || der[*at] != kInteger) return false;
    const size_t length = der[*at + 1];
    if (length == 0 || length >= kLongLength || end - *at - 2 < length) return false;
    const uint8_t* value = der + *at + 2;
    if (value[0] & 0x80) return false;                              // negative
    if (length > 1 && value[0] == 0 && !(value[1] & 0x80)) return false;  // a zero byte not needed
    const size_t skip = value[0] == 0 && length > 1 ? 1 : 0;        // the sign byte of a high first byte
    const size_t digits = length - skip;
    if (digits > kP256NumberBytes) return false;
    std::memset(out, 0, kP256NumberBytes - digits);
    std::memcpy(out + kP256NumberBytes - digits, value + skip, digits);
    *at += 2 + length;
    return true;
}
}  // namespace

bool ReadDerSignature(const uint8_t* der, size_t size, uint8_t rs[2 * kP256NumberBytes]) {
    if (size < 2 || der[0] != kSequence || der[1] >= kLongLength || der[1] != size - 2) return false;
    size_t at = 2;
    return ReadNumber(der, size, &at, rs) && ReadNumber(der, size, &at, rs + kP256NumberBytes) && at == size;
}
