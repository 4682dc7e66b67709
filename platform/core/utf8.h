#pragma once
// UTF-8 encoding of one code point, shared by the screen's captions and the
// profile files' UTF-16 form. Pure function: callable from any thread.
#include <string>

namespace vos {

// Appends `cp` to `out` in 1 to 4 bytes. The caller passes a code point up to
// 0x10FFFF; a surrogate is encoded as its own 3-byte sequence (the profile
// files' lossless UTF-16 round trip relies on that).
void appendUtf8(std::string& out, char32_t cp);

}  // namespace vos
