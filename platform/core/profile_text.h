#pragma once
// In-memory profile ("INI") text with the lookup and update rules of the
// platform profile functions that the configuration relies on. Pure: no I/O,
// so the parser can be tested and fuzzed on its own.
//
// Rules:
// - A line whose first non-blank character is ';' is a comment: kept, never
//   matched, never a section header even if it looks like one.
// - A line whose first non-blank character is '[' is a section header; the
//   name runs to the first ']' (or the line end) and is trimmed of blanks.
// - Any other line with '=' is a key line: the name before the first '=' and
//   the value after it are trimmed of blanks; a value enclosed in a matching
//   pair of quotes (" or ') loses that pair.
// - Lines before the first header, lines without '=' and blank lines are
//   never matched but kept.
// - Section and key names compare without regard to ASCII case. Only the
//   first section of a name, and the first key of a name inside it, count.
// Thread: none of its own; an object is used by one thread at a time.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vos {

// Longest value a read gives back; a longer one is cut there.
inline constexpr size_t kProfileMaxValueLength = 2047;

class ProfileText {
public:
    ProfileText() = default;
    explicit ProfileText(std::vector<std::string> lines) : lines_(std::move(lines)) {}
    // 8-bit text split into lines as it is (a file's byte-order mark and
    // encoding are profile_encoding.h's business).
    static ProfileText FromBytes(std::string_view bytes);

    // Every line with CR LF.
    std::string ToBytes() const;
    const std::vector<std::string>& lines() const { return lines_; }

    // The key's value (trimmed, unquoted, cut at kProfileMaxValueLength), or
    // nothing when the section or the key is missing. An empty value is a value.
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;

    // Replaces the value on the key's line (written as "name=value", the name
    // as spelled in the file), or adds "key=value" after the section's last
    // non-blank line, or adds the section at the end (after one empty line
    // when the text does not already end with a blank line). CR and LF in the
    // value become blanks, since they would split the line. Throws
    // std::invalid_argument for a section or key name that could not be read
    // back (empty, or holding CR, LF, ']' in a section or '=' in a key, or a
    // key beginning with '[', whose line would read as a section header).
    void Set(std::string_view section, std::string_view key, std::string_view value);

private:
    size_t FindSection(std::string_view section) const;         // header index or npos
    size_t FindKey(size_t header, std::string_view key) const;  // line index or npos

    std::vector<std::string> lines_;
};

// Integer syntax of the profile's integer reads: optional '+' or '-', then
// decimal digits, or hexadecimal digits after "$", "0x" or "0X". Decimal must
// fit a 32-bit signed number; hexadecimal may use all 32 bits (two's
// complement, so "$FFFFFFFF" is -1). No blanks inside. Anything else (empty
// text included) is not a number.
std::optional<int32_t> ParseProfileInteger(std::string_view text);

}  // namespace vos
