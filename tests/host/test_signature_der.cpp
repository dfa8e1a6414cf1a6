// The reading of a signature file: openssl's own signatures against
// openssl's own reading of them, and the forms a network could deliver.
#include <dirent.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "update/SignatureDer.h"

namespace {
using Bytes = std::vector<uint8_t>;

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Hex(const uint8_t* bytes, size_t size) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (size_t i = 0; i < size; ++i) hex += {digits[bytes[i] >> 4], digits[bytes[i] & 15]};
    return hex;
}

// "N.sig" files of the fixture folder.
std::vector<std::string> SignatureFixtures() {
    std::vector<std::string> names;
    DIR* dir = ::opendir(VEXA_SIGNATURE_FIXTURES);
    while (dir) {
        const dirent* e = ::readdir(dir);
        if (!e) break;
        const std::string name = e->d_name;
        if (name.size() > 4 && name.substr(name.size() - 4) == ".sig") names.push_back(name.substr(0, name.size() - 4));
    }
    if (dir) ::closedir(dir);
    return names;
}

TEST(SignatureDer, ReadsWhatOpensslWrote) {
    const std::vector<std::string> fixtures = SignatureFixtures();
    ASSERT_GE(fixtures.size(), 8u) << VEXA_SIGNATURE_FIXTURES;
    for (const std::string& n : fixtures) {
        const std::string base = std::string(VEXA_SIGNATURE_FIXTURES) + "/" + n;
        const std::string der = ReadText(base + ".sig");
        uint8_t rs[2 * kP256NumberBytes];
        ASSERT_TRUE(ReadDerSignature(reinterpret_cast<const uint8_t*>(der.data()), der.size(), rs)) << n;
        EXPECT_EQ(Hex(rs, sizeof(rs)) + "\n", ReadText(base + ".rs")) << n;
    }
}

Bytes Integer(Bytes value) {
    value.insert(value.begin(), {0x02, static_cast<uint8_t>(value.size())});
    return value;
}

Bytes Sequence(const Bytes& r, const Bytes& s) {
    Bytes der = {0x30, static_cast<uint8_t>(r.size() + s.size())};
    der.insert(der.end(), r.begin(), r.end());
    der.insert(der.end(), s.begin(), s.end());
    return der;
}

TEST(SignatureDer, AcceptsOnlyStrictDer) {
    const Bytes high(32, 0x9C), low(32, 0x1C);
    Bytes signed33 = high;
    signed33.insert(signed33.begin(), 0x00);
    const Bytes r = Integer(signed33), s = Integer(low);
    const Bytes good = Sequence(r, s);
    Bytes longForm = good;
    longForm.insert(longForm.begin() + 1, 0x81);
    Bytes trailing = good;
    trailing.push_back(0x00);
    Bytes shortLength = good;
    shortLength[1] -= 1;
    Bytes notSequence = good;
    notSequence[0] = 0x31;  // SET
    Bytes oneNumber = {0x30, static_cast<uint8_t>(r.size())};
    oneNumber.insert(oneNumber.end(), r.begin(), r.end());
    Bytes threeNumbers = Sequence(r, s);
    threeNumbers.insert(threeNumbers.end(), s.begin(), s.end());
    threeNumbers[1] += static_cast<uint8_t>(s.size());
    Bytes paddedLow = low;
    paddedLow.insert(paddedLow.begin(), 0x00);
    Bytes big = high;
    big.insert(big.begin(), {0x00, 0x01});  // 33 digits: wider than P-256

    const std::string expected = Hex(high.data(), 32) + Hex(low.data(), 32);
    const struct {
        const char* what;
        Bytes der;
        std::string rs;  // empty: refused
    } cases[] = {
        {"r with its sign byte, s without", good, expected},
        {"short numbers are left-padded", Sequence(Integer({0x01}), Integer({0x7F, 0xFF})),
         std::string(62, '0') + "01" + std::string(60, '0') + "7FFF"},
        {"zero", Sequence(Integer({0x00}), Integer(low)), std::string(64, '0') + Hex(low.data(), 32)},
        {"empty", {}, ""},
        {"the sequence header only", {0x30, 0x00}, ""},
        {"cut", Bytes(good.begin(), good.end() - 1), ""},
        {"a byte after the sequence", trailing, ""},
        {"the sequence shorter than its content", shortLength, ""},
        {"a long-form length", longForm, ""},
        {"not a sequence", notSequence, ""},
        {"one number", oneNumber, ""},
        {"three numbers", threeNumbers, ""},
        {"a sequence for s", Sequence(r, Sequence(s, Bytes())), ""},
        {"a negative number", Sequence(Integer(high), s), ""},
        {"a needless zero byte", Sequence(r, Integer(paddedLow)), ""},
        {"an empty integer", Sequence(Integer({}), s), ""},
        {"wider than 32 bytes", Sequence(Integer(big), s), ""},
        {"an OCTET STRING for r", Sequence(Bytes{0x04, 0x01, 0x05}, s), ""},
        {"the raw r || s CNG takes", Bytes(64, 0x11), ""},
    };
    for (const auto& c : cases) {
        uint8_t rs[2 * kP256NumberBytes];
        const bool read = ReadDerSignature(c.der.data(), c.der.size(), rs);
        EXPECT_EQ(read, !c.rs.empty()) << c.what;
        if (read) {
            EXPECT_EQ(Hex(rs, sizeof(rs)), c.rs) << c.what;
        }
    }
}
}  // namespace
