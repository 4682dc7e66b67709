#pragma once
// The encodings a profile file comes in from real editors, and the way back:
// a file is read into lines of 8-bit text and written again in the same
// form (encoding, byte-order mark, line ends), so that an editor's choice
// survives every write and tidy rewrite.
//
// Forms, told by the first bytes:
// - no byte-order mark: 8-bit text, bytes kept as they are;
// - EF BB BF (UTF-8 mark): the mark is skipped, the text after it kept as
//   it is, and the mark written again in front;
// - FF FE / FE FF (UTF-16 little / big endian mark): the text is decoded to
//   UTF-8 and encoded back. The way is lossless: a lone surrogate travels as
//   its own 3-byte sequence, and an odd last byte is kept at the end of the
//   file. On the way back, bytes that are not UTF-8 (an 8-bit value given
//   to a write) are taken as Latin-1 characters.
// The line-end style kept is the one most of the file's lines use.
//
// Pure functions: no I/O, no state.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/profile_lines.h"

namespace vos {

enum class ProfileEncoding { Bytes8, Utf8Bom, Utf16Le, Utf16Be };

struct ProfileForm {
    ProfileEncoding encoding = ProfileEncoding::Bytes8;
    LineEnd lineEnd = LineEnd::CrLf;
    std::string trailing;  // an odd last byte of a UTF-16 file
};

struct ProfileDocument {
    ProfileForm form;                // an empty file: 8-bit, CR LF
    std::vector<std::string> lines;  // see SplitProfileLines
};

ProfileDocument DecodeProfile(std::string_view fileBytes);
std::string EncodeProfile(const ProfileForm& form, const std::vector<std::string>& lines);

// The line cut to at most `maxChars` characters: bytes in an 8-bit file,
// whole characters (UTF-8 sequences) in a Unicode one.
std::string CutProfileLine(std::string_view line, ProfileEncoding encoding, size_t maxChars);

}  // namespace vos
