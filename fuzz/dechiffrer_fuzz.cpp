// Fuzz target: deciphering the customer text, on any input.
//
// Checks, aborting on the first violation:
// - any stored string deciphers without reading past its end, into
//   3 bytes per group of 4 symbols and 2, 1 or 0 bytes for a last group of
//   3, 2 or 1 symbols;
// - a character outside the alphabet counts as the symbol of value 0;
// - deciphering a prefix of whole groups gives a prefix of the text;
// - the input taken as plain text and enciphered the other way round (XOR
//   with the running key fed by the enciphered byte, then 3 bytes into 4
//   six-bit symbols, lowest first) deciphers back to itself.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/dechiffrer.h"

namespace {

using namespace vos::app;

[[noreturn]] void violation(const char* what) {
    std::fprintf(stderr, "deciphering check failed: %s\n", what);
    std::abort();
}

#define CIPHER_CHECK(cond) \
    do {                   \
        if (!(cond)) violation(#cond); \
    } while (0)

std::size_t expectedLength(std::size_t symbols) {
    constexpr std::size_t kLast[4] = {0, 0, 1, 2};
    return symbols / 4 * 3 + kLast[symbols % 4];
}

std::string encipher(const std::string& plain) {
    std::string bytes;
    std::uint16_t key = kKeyStart;
    for (char p : plain) {
        const auto c = static_cast<std::uint8_t>(static_cast<std::uint8_t>(p) ^ (key >> 8));
        bytes.push_back(static_cast<char>(c));
        key = static_cast<std::uint16_t>((std::uint32_t{key} + c) * kKeyMultiplier + kKeyIncrement);
    }
    std::string symbols;
    for (std::size_t at = 0; at < bytes.size(); at += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - at);
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < n; ++k) group |= std::uint32_t{static_cast<std::uint8_t>(bytes[at + k])} << (8 * k);
        for (std::size_t k = 0; k < n + 1; ++k) symbols.push_back(kCipherAlphabet[(group >> (6 * k)) & 63]);
    }
    return symbols;
}

bool inAlphabet(char c) { return kCipherAlphabet.find(c) != std::string_view::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);

    const std::string text = DechiffrerTexte(input);
    CIPHER_CHECK(text.size() == expectedLength(input.size()));

    std::string normalised = input;
    for (char& c : normalised)
        if (!inAlphabet(c)) c = kCipherAlphabet[0];
    CIPHER_CHECK(DechiffrerTexte(normalised) == text);

    const std::string wholeGroups = input.substr(0, input.size() / 4 * 4);
    const std::string head = DechiffrerTexte(wholeGroups);
    CIPHER_CHECK(text.compare(0, head.size(), head) == 0);

    const std::string symbols = encipher(input);
    for (char c : symbols) CIPHER_CHECK(inAlphabet(c));
    CIPHER_CHECK(DechiffrerTexte(symbols) == input);
    return 0;
}
