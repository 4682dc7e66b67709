#include "app/dechiffrer.h"

#include <algorithm>

namespace vos::app {

namespace {

std::uint32_t symbolValue(char c) { return kSymbolValue[static_cast<unsigned char>(c)]; }

}  // namespace

std::string decodeSixBits(std::string_view symbols) {
    std::string bytes;
    bytes.reserve(symbols.size() / 4 * 3 + 2);
    for (std::size_t start = 0; start < symbols.size(); start += 4) {
        const std::size_t n = std::min<std::size_t>(4, symbols.size() - start);
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < n; ++k) group |= symbolValue(symbols[start + k]) << (6 * k);
        // n symbols carry 6n bits: 4 -> 3 bytes, 3 -> 2, 2 -> 1, 1 -> none.
        const std::size_t byteCount = n * 6 / 8;
        for (std::size_t k = 0; k < byteCount; ++k)
            bytes.push_back(static_cast<char>((group >> (8 * k)) & 0xFF));
    }
    return bytes;
}

std::string xorRunningKey(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    std::uint16_t key = kKeyStart;
    for (char c : bytes) {
        const auto b = static_cast<std::uint8_t>(c);
        text.push_back(static_cast<char>(b ^ (key >> 8)));
        key = static_cast<std::uint16_t>((std::uint32_t{key} + b) * kKeyMultiplier + kKeyIncrement);
    }
    return text;
}

std::string DechiffrerTexte(const std::string& stored) { return xorRunningKey(decodeSixBits(stored)); }

}  // namespace vos::app
