#include "platform/core/profile_encoding.h"

#include <cstdint>

#include "platform/core/utf8.h"

namespace vos {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The code point at `pos` (moved past it): a well-formed sequence,
// surrogates allowed, or else the one byte as a Latin-1 character.
char32_t NextCodePoint(std::string_view s, size_t& pos) {
    if (const auto cp = nextUtf8(s, pos, true)) return *cp;
    return static_cast<unsigned char>(s[pos++]);
}

char16_t UnitAt(std::string_view bytes, size_t i, bool bigEndian) {
    const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
    return static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
}

void AppendUnit(std::string& out, char16_t u, bool bigEndian) {
    const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
}

// `bytes` holds whole units only.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char32_t cp = UnitAt(bytes, i, bigEndian);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < bytes.size()) {
            const char16_t low = UnitAt(bytes, i + 2, bigEndian);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        appendUtf8(out, cp);
    }
    return out;
}

std::string Utf8ToUtf16(std::string_view text, bool bigEndian) {
    std::string out;
    out.reserve(text.size() * 2);
    for (size_t pos = 0; pos < text.size();) {
        const char32_t cp = NextCodePoint(text, pos);
        if (cp < 0x10000) {
            AppendUnit(out, static_cast<char16_t>(cp), bigEndian);
        } else {
            AppendUnit(out, static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)), bigEndian);
            AppendUnit(out, static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)), bigEndian);
        }
    }
    return out;
}

}  // namespace

ProfileDocument DecodeProfile(std::string_view fileBytes) {
    ProfileDocument doc;
    std::string text;
    if (fileBytes.starts_with(kUtf8Mark)) {
        doc.form.encoding = ProfileEncoding::Utf8Bom;
        text = fileBytes.substr(kUtf8Mark.size());
    } else if (fileBytes.starts_with(kUtf16LeMark) || fileBytes.starts_with(kUtf16BeMark)) {
        const bool bigEndian = fileBytes.starts_with(kUtf16BeMark);
        doc.form.encoding = bigEndian ? ProfileEncoding::Utf16Be : ProfileEncoding::Utf16Le;
        std::string_view units = fileBytes.substr(2);
        if (units.size() % 2 != 0) {
            doc.form.trailing = units.substr(units.size() - 1);
            units.remove_suffix(1);
        }
        text = Utf16ToUtf8(units, bigEndian);
    } else {
        text = fileBytes;
    }
    doc.form.lineEnd = DominantLineEnd(text);
    doc.lines = SplitProfileLines(text);
    return doc;
}

std::string EncodeProfile(const ProfileForm& form, const std::vector<std::string>& lines) {
    const std::string text = JoinProfileLines(lines, form.lineEnd);
    switch (form.encoding) {
    case ProfileEncoding::Bytes8: return text;
    case ProfileEncoding::Utf8Bom: return std::string(kUtf8Mark) + text;
    case ProfileEncoding::Utf16Le: return std::string(kUtf16LeMark) + Utf8ToUtf16(text, false) + form.trailing;
    case ProfileEncoding::Utf16Be: return std::string(kUtf16BeMark) + Utf8ToUtf16(text, true) + form.trailing;
    }
    return text;
}

std::string CutProfileLine(std::string_view line, ProfileEncoding encoding, size_t maxChars) {
    if (encoding == ProfileEncoding::Bytes8) return std::string(line.substr(0, maxChars));
    size_t chars = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        if (IsContinuation(static_cast<unsigned char>(line[i]))) continue;
        if (chars == maxChars) return std::string(line.substr(0, i));
        ++chars;
    }
    return std::string(line);
}

}  // namespace vos
