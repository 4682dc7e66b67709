// The customer text cipher: the shipped string, each stage at its edges, and
// any input handled safely. The encipher below is the test's own generator of
// stored strings: it inverts both stages from their definitions.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <set>
#include <string>

#include "app/dechiffrer.h"

namespace vos::app {
namespace {

// The customer text shown by the label, in Latin-1 (24 bytes).
const std::string kPlainCustomerText = "Atelier de d\xE9monstration";

// Running-key XOR from the enciphering side: the key is fed the enciphered byte.
std::string xorEncipher(const std::string& plain) {
    std::string out;
    std::uint16_t key = kKeyStart;
    for (char p : plain) {
        const auto c = static_cast<std::uint8_t>(static_cast<std::uint8_t>(p) ^ (key >> 8));
        out.push_back(static_cast<char>(c));
        key = static_cast<std::uint16_t>((std::uint32_t{key} + c) * kKeyMultiplier + kKeyIncrement);
    }
    return out;
}

// Bytes to symbols: 3 bytes -> 4 symbols; a final 2 bytes -> 3, 1 byte -> 2.
std::string encodeSixBits(const std::string& bytes) {
    std::string symbols;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t v = 0;
        for (std::size_t k = 0; k < n; ++k) v |= std::uint32_t{static_cast<std::uint8_t>(bytes[i + k])} << (8 * k);
        for (std::size_t k = 0; k < n + 1; ++k) symbols.push_back(kCipherAlphabet[(v >> (6 * k)) & 63]);
    }
    return symbols;
}

std::string encipher(const std::string& plain) { return encodeSixBits(xorEncipher(plain)); }

TEST(Dechiffrer, ShippedStringGivesTheCustomerText) {
    ASSERT_EQ(kPlainCustomerText.size(), 24u);
    EXPECT_EQ(DechiffrerTexte(std::string(kCipheredCustomerText)), kPlainCustomerText);
    EXPECT_EQ(encipher(kPlainCustomerText), kCipheredCustomerText);
}

TEST(Dechiffrer, AlphabetIsSixtyFourDistinctPrintableSymbols) {
    std::set<char> seen;
    for (std::size_t v = 0; v < kCipherAlphabet.size(); ++v) {
        const char c = kCipherAlphabet[v];
        EXPECT_TRUE(c > ' ' && c < 127 && c != '&' && c != '"') << "symbol " << v;
        EXPECT_EQ(kSymbolValue[static_cast<unsigned char>(c)], v);
        seen.insert(c);
    }
    EXPECT_EQ(seen.size(), 64u);
    for (char c : kCipheredCustomerText) EXPECT_TRUE(seen.count(c)) << c;
    // Every other code has the value 0.
    for (int code = 0; code < 256; ++code) {
        if (!seen.count(static_cast<char>(code))) {
            EXPECT_EQ(kSymbolValue[code], 0) << code;
        }
    }
}

std::string symbols(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s.push_back(kCipherAlphabet[v]);
    return s;
}

// c1 + 64 c2 + 4096 c3 + 262144 c4 with c = 1, 2, 3, 4 is 0x103081.
TEST(Dechiffrer, SixBitGroupsOfEveryLength) {
    struct Case {
        std::string input;
        std::string expected;
    } cases[] = {
        {"", ""},
        {symbols({1}), ""},
        {symbols({1, 2}), "\x81"},
        {symbols({1, 2, 3}), "\x81\x30"},
        {symbols({1, 2, 3, 4}), "\x81\x30\x10"},
        {symbols({1, 2, 3, 4, 63}), "\x81\x30\x10"},
        {symbols({1, 2, 3, 4, 63, 63}), "\x81\x30\x10\xFF"},
        {symbols({63, 63, 63, 63, 1, 2, 3}), "\xFF\xFF\xFF\x81\x30"},
    };
    for (const auto& c : cases) EXPECT_EQ(decodeSixBits(c.input), c.expected) << c.input;
}

TEST(Dechiffrer, CharactersOutsideTheAlphabetCountAsZero) {
    const std::string zero(1, kCipherAlphabet[0]);
    const std::string outside[] = {" ", "&", "\xE9", std::string(1, '\0'), "\xFF", "~"};
    for (const std::string& d : outside) {
        const std::string with = symbols({5, 9}) + d + symbols({33});
        const std::string without = symbols({5, 9}) + zero + symbols({33});
        EXPECT_EQ(decodeSixBits(with), decodeSixBits(without)) << int(static_cast<unsigned char>(d[0]));
        EXPECT_EQ(DechiffrerTexte(with), DechiffrerTexte(without));
    }
    EXPECT_EQ(decodeSixBits(std::string(4, ' ')), std::string(3, '\0'));
}

TEST(Dechiffrer, ShortAndOddInputs) {
    EXPECT_EQ(DechiffrerTexte(""), "");
    EXPECT_EQ(DechiffrerTexte("V"), "");
    EXPECT_EQ(DechiffrerTexte("Vh").size(), 1u);
    EXPECT_EQ(DechiffrerTexte("VhI").size(), 2u);
    // A prefix of the stored string deciphers to a prefix of the text.
    EXPECT_EQ(DechiffrerTexte("VhI"), kPlainCustomerText.substr(0, 2));
    EXPECT_EQ(DechiffrerTexte(std::string(kCipheredCustomerText.substr(0, 31))), kPlainCustomerText.substr(0, 23));
}

TEST(Dechiffrer, AnyBytesRoundTripAtEveryLength) {
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> byteValue(0, 255);
    for (std::size_t n : {0u, 1u, 2u, 3u, 4u, 5u, 23u, 24u, 25u, 26u, 3000u, 3001u, 3002u}) {
        std::string plain;
        for (std::size_t i = 0; i < n; ++i) plain.push_back(static_cast<char>(byteValue(rng)));
        const std::string stored = encipher(plain);
        EXPECT_EQ(stored.size(), (n * 8 + 5) / 6) << n;
        EXPECT_EQ(DechiffrerTexte(stored), plain) << n;
    }
}

TEST(Dechiffrer, LongArbitraryInputGivesThreeBytesPerGroup) {
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> byteValue(0, 255);
    for (std::size_t n : {4000u, 4001u, 4002u, 4003u}) {
        std::string input;
        for (std::size_t i = 0; i < n; ++i) input.push_back(static_cast<char>(byteValue(rng)));
        const std::size_t expected = n / 4 * 3 + (n % 4 == 0 ? 0 : n % 4 - 1);
        EXPECT_EQ(DechiffrerTexte(input).size(), expected) << n;
    }
}

// The key is fed the enciphered byte: changing one stored byte garbles the
// bytes after it, not only itself.
TEST(Dechiffrer, KeyRunsOnTheEncipheredBytes) {
    std::string bytes = xorEncipher(kPlainCustomerText);
    ASSERT_EQ(xorRunningKey(bytes), kPlainCustomerText);
    bytes[3] = static_cast<char>(bytes[3] ^ 0x01);
    const std::string garbled = xorRunningKey(bytes);
    EXPECT_EQ(garbled.substr(0, 3), kPlainCustomerText.substr(0, 3));
    EXPECT_EQ(garbled[3], static_cast<char>(kPlainCustomerText[3] ^ 0x01));
    EXPECT_NE(garbled.substr(4), kPlainCustomerText.substr(4));
}

}  // namespace
}  // namespace vos::app
