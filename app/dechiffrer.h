#pragma once
// The customer text: kept enciphered in the program as a 32-character
// printable string, and deciphered when the customer label is shown.
//
// Deciphering runs in two stages:
//  1. six-bit decoding: groups of 4 symbols, each mapped to its 6-bit value by
//     kSymbolValue, give 3 bytes (lowest first); a final group of 3 symbols
//     gives 2 bytes, of 2 symbols 1 byte, of 1 symbol nothing;
//  2. running-key XOR: each byte b is XORed with the high byte of a 16-bit key
//     that starts at kKeyStart and then becomes (key + b) * kKeyMultiplier + kKeyIncrement
//     (mod 65536), b being the enciphered byte.
// So the 32 stored symbols give 24 bytes of Latin-1 text.
//
// Any input is accepted: a character outside the alphabet counts as 0, a
// short final group gives fewer bytes, nothing is read past the end.
// Pure functions, no state: callable from any thread.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vos::app {

// The 64 symbols of the stored alphabet, in the order of their values.
inline constexpr std::string_view kCipherAlphabet =
    "frvYGFgUhabApMWC1dI78o2NHnERusSXKw5mT+kP9DQjlO3Z6czLxy4iqtJB0Ve-";
static_assert(kCipherAlphabet.size() == 64);

// Value of each character code; 0 for a character outside the alphabet.
inline constexpr std::array<std::uint8_t, 256> kSymbolValue = [] {
    std::array<std::uint8_t, 256> t{};
    for (std::size_t v = 0; v < kCipherAlphabet.size(); ++v)
        t[static_cast<unsigned char>(kCipherAlphabet[v])] = static_cast<std::uint8_t>(v);
    return t;
}();

inline constexpr std::uint16_t kKeyStart = 0x7C1D;
inline constexpr std::uint16_t kKeyMultiplier = 0x4E35;
inline constexpr std::uint16_t kKeyIncrement = 0x2B67;

// The stored customer text (24 bytes of Latin-1 text once deciphered).
inline constexpr std::string_view kCipheredCustomerText = "VhIS3vWXZZbBDwaUwAcDM1+OS4cjcuhT";
static_assert(kCipheredCustomerText.size() == 32);

// Stage 1: bytes from the six-bit symbols.
std::string decodeSixBits(std::string_view symbols);
// Stage 2: the running-key XOR, from kKeyStart.
std::string xorRunningKey(std::string_view bytes);

// Both stages: the plain text, as Latin-1 bytes.
std::string DechiffrerTexte(const std::string& stored);

}  // namespace vos::app
