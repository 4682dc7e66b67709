#pragma once
// UTF-8 encoding and decoding of one code point, shared by the screen's
// captions and the profile files' UTF-16 form. Pure functions: callable from
// any thread.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vos {

// Appends `cp` to `out` in 1 to 4 bytes. The caller passes a code point up to
// 0x10FFFF; a surrogate is encoded as its own 3-byte sequence (the profile
// files' lossless UTF-16 round trip relies on that).
void appendUtf8(std::string& out, char32_t cp);

// The code point of the well-formed sequence at s[pos] (pos < s.size()), pos
// moved past it: one ASCII byte, or 2 to 4 bytes without an overlong form,
// at most 0x10FFFF, and a surrogate only when `surrogates` allows it. Nothing
// (pos unchanged) when the bytes there are no such sequence: the caller
// reads the lead byte in its own legacy encoding.
std::optional<char32_t> nextUtf8(std::string_view s, std::size_t& pos, bool surrogates);

}  // namespace vos
