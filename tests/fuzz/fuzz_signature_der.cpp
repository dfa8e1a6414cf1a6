// libFuzzer target of the reading of a signature file: any bytes as the
// body of "<URL>.sig". Strict DER has one encoding per value, so whatever is
// read must encode back to exactly the bytes given.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "update/SignatureDer.h"

namespace {
// A positive big-endian number as a minimal DER INTEGER.
void AppendInteger(const uint8_t* number, std::vector<uint8_t>* der) {
    size_t first = 0;
    while (first + 1 < kP256NumberBytes && number[first] == 0) ++first;
    const bool sign = number[first] & 0x80;
    der->push_back(0x02);
    der->push_back(static_cast<uint8_t>(kP256NumberBytes - first + sign));
    if (sign) der->push_back(0x00);
    der->insert(der->end(), number + first, number + kP256NumberBytes);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint8_t rs[2 * kP256NumberBytes];
    if (!ReadDerSignature(data, size, rs)) return 0;
    std::vector<uint8_t> content;
    AppendInteger(rs, &content);
    AppendInteger(rs + kP256NumberBytes, &content);
    std::vector<uint8_t> der = {0x30, static_cast<uint8_t>(content.size())};
    der.insert(der.end(), content.begin(), content.end());
    if (der.size() != size || std::memcmp(der.data(), data, size) != 0) ::abort();
    return 0;
}
