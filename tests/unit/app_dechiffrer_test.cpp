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
std::string xorChiffrer(const std::string& clair) {
    std::string sortie;
    std::uint16_t cle = kKeyStart;
    for (char p : clair) {
        const auto c = static_cast<std::uint8_t>(static_cast<std::uint8_t>(p) ^ (cle >> 8));
        sortie.push_back(static_cast<char>(c));
        cle = static_cast<std::uint16_t>((std::uint32_t{cle} + c) * kKeyMultiplier + kKeyIncrement);
    }
    return sortie;
}

// Bytes to symbols: 3 bytes -> 4 symbols; a final 2 bytes -> 3, 1 byte -> 2.
std::string encoderSixBits(const std::string& octets) {
    std::string symboles;
    for (std::size_t i = 0; i < octets.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, octets.size() - i);
        std::uint32_t v = 0;
        for (std::size_t k = 0; k < n; ++k) v |= std::uint32_t{static_cast<std::uint8_t>(octets[i + k])} << (8 * k);
        for (std::size_t k = 0; k < n + 1; ++k) symboles.push_back(kCipherAlphabet[(v >> (6 * k)) & 63]);
    }
    return symboles;
}

std::string chiffrer(const std::string& clair) { return encoderSixBits(xorChiffrer(clair)); }

TEST(Dechiffrer, ShippedStringGivesTheCustomerText) {
    ASSERT_EQ(kPlainCustomerText.size(), 24u);
    EXPECT_EQ(DechiffrerTexte(std::string(kCipheredCustomerText)), kPlainCustomerText);
    EXPECT_EQ(chiffrer(kPlainCustomerText), kCipheredCustomerText);
}

TEST(Dechiffrer, AlphabetIsSixtyFourDistinctPrintableSymbols) {
    std::set<char> vus;
    for (std::size_t v = 0; v < kCipherAlphabet.size(); ++v) {
        const char c = kCipherAlphabet[v];
        EXPECT_TRUE(c > ' ' && c < 127 && c != '&' && c != '"') << "symbol " << v;
        EXPECT_EQ(kSymbolValue[static_cast<unsigned char>(c)], v);
        vus.insert(c);
    }
    EXPECT_EQ(vus.size(), 64u);
    for (char c : kCipheredCustomerText) EXPECT_TRUE(vus.count(c)) << c;
    // Every other code has the value 0.
    for (int code = 0; code < 256; ++code) {
        if (!vus.count(static_cast<char>(code))) {
            EXPECT_EQ(kSymbolValue[code], 0) << code;
        }
    }
}

std::string symboles(std::initializer_list<int> valeurs) {
    std::string s;
    for (int v : valeurs) s.push_back(kCipherAlphabet[v]);
    return s;
}

// c1 + 64 c2 + 4096 c3 + 262144 c4 with c = 1, 2, 3, 4 is 0x103081.
TEST(Dechiffrer, SixBitGroupsOfEveryLength) {
    struct Cas {
        std::string entree;
        std::string attendu;
    } cas[] = {
        {"", ""},
        {symboles({1}), ""},
        {symboles({1, 2}), "\x81"},
        {symboles({1, 2, 3}), "\x81\x30"},
        {symboles({1, 2, 3, 4}), "\x81\x30\x10"},
        {symboles({1, 2, 3, 4, 63}), "\x81\x30\x10"},
        {symboles({1, 2, 3, 4, 63, 63}), "\x81\x30\x10\xFF"},
        {symboles({63, 63, 63, 63, 1, 2, 3}), "\xFF\xFF\xFF\x81\x30"},
    };
    for (const auto& c : cas) EXPECT_EQ(decodeSixBits(c.entree), c.attendu) << c.entree;
}

TEST(Dechiffrer, CharactersOutsideTheAlphabetCountAsZero) {
    const std::string zero(1, kCipherAlphabet[0]);
    const std::string dehors[] = {" ", "&", "\xE9", std::string(1, '\0'), "\xFF", "~"};
    for (const std::string& d : dehors) {
        const std::string avec = symboles({5, 9}) + d + symboles({33});
        const std::string sans = symboles({5, 9}) + zero + symboles({33});
        EXPECT_EQ(decodeSixBits(avec), decodeSixBits(sans)) << int(static_cast<unsigned char>(d[0]));
        EXPECT_EQ(DechiffrerTexte(avec), DechiffrerTexte(sans));
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
    std::uniform_int_distribution<int> octet(0, 255);
    for (std::size_t n : {0u, 1u, 2u, 3u, 4u, 5u, 23u, 24u, 25u, 26u, 3000u, 3001u, 3002u}) {
        std::string clair;
        for (std::size_t i = 0; i < n; ++i) clair.push_back(static_cast<char>(octet(rng)));
        const std::string stocke = chiffrer(clair);
        EXPECT_EQ(stocke.size(), (n * 8 + 5) / 6) << n;
        EXPECT_EQ(DechiffrerTexte(stocke), clair) << n;
    }
}

TEST(Dechiffrer, LongArbitraryInputGivesThreeBytesPerGroup) {
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> octet(0, 255);
    for (std::size_t n : {4000u, 4001u, 4002u, 4003u}) {
        std::string entree;
        for (std::size_t i = 0; i < n; ++i) entree.push_back(static_cast<char>(octet(rng)));
        const std::size_t attendu = n / 4 * 3 + (n % 4 == 0 ? 0 : n % 4 - 1);
        EXPECT_EQ(DechiffrerTexte(entree).size(), attendu) << n;
    }
}

// The key is fed the enciphered byte: changing one stored byte garbles the
// bytes after it, not only itself.
TEST(Dechiffrer, KeyRunsOnTheEncipheredBytes) {
    std::string octets = xorChiffrer(kPlainCustomerText);
    ASSERT_EQ(xorRunningKey(octets), kPlainCustomerText);
    octets[3] = static_cast<char>(octets[3] ^ 0x01);
    const std::string garbled = xorRunningKey(octets);
    EXPECT_EQ(garbled.substr(0, 3), kPlainCustomerText.substr(0, 3));
    EXPECT_EQ(garbled[3], static_cast<char>(kPlainCustomerText[3] ^ 0x01));
    EXPECT_NE(garbled.substr(4), kPlainCustomerText.substr(4));
}

}  // namespace
}  // namespace vos::app
