#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/core/profile_text.h"

namespace vos {
namespace {

int DigitValue(char c, int base) {
    int v = -1;
    if (c >= '0' && c <= '9')
        v = c - '0';
    else if (c >= 'a' && c <= 'f')
        v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        v = c - 'A' + 10;
    return v < base ? v : -1;
}

// Digits only, value at most `limit`; nothing on an empty text, a bad digit
// or an overflow.
std::optional<uint64_t> ParseDigits(std::string_view digits, int base, uint64_t limit) {
    if (digits.empty()) return std::nullopt;
    uint64_t value = 0;
    for (char c : digits) {
        const int d = DigitValue(c, base);
        if (d < 0) return std::nullopt;
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
        if (value > limit) return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<int32_t> ParseProfileInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.starts_with('$') || text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(text.front() == '$' ? 1 : 2);
        const auto v = ParseDigits(text, 16, 0xFFFFFFFFull);
        if (!v) return std::nullopt;
        const uint32_t bits = static_cast<uint32_t>(*v);
        return static_cast<int32_t>(negative ? 0u - bits : bits);
    }
    const auto v = ParseDigits(text, 10, negative ? 2147483648ull : 2147483647ull);
    if (!v) return std::nullopt;
    return negative ? static_cast<int32_t>(-static_cast<int64_t>(*v)) : static_cast<int32_t>(*v);
}

}  // namespace vos
