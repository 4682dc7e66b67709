#include "panel/screen_text.h"

#include <algorithm>
#include <array>

namespace vos::panel {
namespace {

// Windows-1252 at 0x80-0x9F. The five unassigned bytes keep the C1 control
// of the same value, so every byte has a code point and back.
constexpr std::array<char32_t, 32> kAnsiHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Appends the column `cp` to a caption: "&" is doubled.
void appendColumn(std::string& out, char32_t cp) {
    if (cp == U'&') {
        out += "&&";
    } else if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else {
        appendUtf8(out, cp);
    }
}

// Reads one column of a caption: one code point, or "&&" as one "&".
char32_t nextColumn(std::string_view s, std::size_t& pos) {
    const char32_t cp = decodeUtf8(s, pos);
    if (cp == U'&' && pos < s.size() && s[pos] == '&') ++pos;
    return cp;
}

}  // namespace

char32_t ansiToCodePoint(std::uint8_t b) {
    if (b >= 0x80 && b < 0xA0) return kAnsiHigh[b - 0x80];
    return b;
}

std::uint8_t codePointToAnsi(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<std::uint8_t>(cp);
    for (std::size_t i = 0; i < kAnsiHigh.size(); ++i) {
        if (kAnsiHigh[i] == cp) return static_cast<std::uint8_t>(0x80 + i);
    }
    return '?';
}

// Not a valid sequence: the lead byte alone is one ANSI character.
char32_t decodeUtf8(std::string_view s, std::size_t& pos) {
    if (const auto cp = nextUtf8(s, pos, false)) return *cp;
    return ansiToCodePoint(static_cast<std::uint8_t>(s[pos++]));
}

std::string latin1ToUtf8(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size() + 8);
    for (char c : ansi) appendUtf8(out, ansiToCodePoint(static_cast<std::uint8_t>(c)));
    return out;
}

std::string utf8ToLatin1(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        out += static_cast<char>(codePointToAnsi(decodeUtf8(utf8, pos)));
    }
    return out;
}

std::string doubleAmpersands(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 4);
    for (char c : text) {
        out += c;
        if (c == '&') out += '&';
    }
    return out;
}

std::string collapseAmpersands(std::string_view caption) {
    std::string out;
    out.reserve(caption.size());
    for (std::size_t i = 0; i < caption.size(); ++i) {
        out += caption[i];
        if (caption[i] == '&' && i + 1 < caption.size() && caption[i + 1] == '&') ++i;
    }
    return out;
}

std::string captionFromText(std::string_view ansiText) {
    std::string out;
    out.reserve(ansiText.size() + 8);
    for (char c : ansiText) appendColumn(out, ansiToCodePoint(static_cast<std::uint8_t>(c)));
    return out;
}

std::string textFromCaption(std::string_view caption) {
    std::string out;
    out.reserve(caption.size());
    for (std::size_t pos = 0; pos < caption.size();) {
        out += static_cast<char>(codePointToAnsi(nextColumn(caption, pos)));
    }
    return out;
}

int columnCount(std::string_view caption) {
    int n = 0;
    for (std::size_t pos = 0; pos < caption.size(); ++n) nextColumn(caption, pos);
    return n;
}

namespace {

// Length of the run of plain columns at `pos`: ASCII bytes other than "&",
// one column each, copied as they are.
std::size_t plainRun(std::string_view s, std::size_t pos) {
    std::size_t end = pos;
    while (end < s.size()) {
        const auto c = static_cast<unsigned char>(s[end]);
        if (c >= 0x80 || c == '&') break;
        ++end;
    }
    return end - pos;
}

}  // namespace

bool replaceColumn(std::string_view caption, int column, char32_t cp, std::string& out) {
    out.clear();
    out.reserve(caption.size() + 4);
    bool replaced = false;
    int col = 1;  // column of caption[pos]
    for (std::size_t pos = 0; pos < caption.size();) {
        const std::size_t run = plainRun(caption, pos);
        if (run > 0) {
            const auto offset = static_cast<std::size_t>(column - col);
            if (column >= col && offset < run) {
                out.append(caption.substr(pos, offset));
                appendColumn(out, cp);
                out.append(caption.substr(pos + offset + 1, run - offset - 1));
                replaced = true;
            } else {
                out.append(caption.substr(pos, run));
            }
            pos += run;
            col += static_cast<int>(run);
            continue;
        }
        const char32_t old = nextColumn(caption, pos);
        replaced |= col == column;
        appendColumn(out, col == column ? cp : old);
        ++col;
    }
    return replaced;
}

void keepColumns(std::string_view caption, int keep, int width, std::string& out) {
    out.clear();
    out.reserve(static_cast<std::size_t>(width) + 4);
    const int limit = std::min(keep, width);
    int col = 0;  // columns copied so far
    for (std::size_t pos = 0; pos < caption.size() && col < limit;) {
        const std::size_t run = std::min<std::size_t>(plainRun(caption, pos), static_cast<std::size_t>(limit - col));
        if (run > 0) {
            out.append(caption.substr(pos, run));
            pos += run;
            col += static_cast<int>(run);
            continue;
        }
        appendColumn(out, nextColumn(caption, pos));
        ++col;
    }
    out.append(static_cast<std::size_t>(width - col), ' ');
}

std::string stripCaption(int column, char mark) {
    std::string s(design::kColumns, ' ');
    if (column >= 1 && column <= design::kColumns) s[column - 1] = mark;
    return s;
}

bool isStripCaption(std::string_view caption, int column, char mark) {
    if (caption.size() != static_cast<std::size_t>(design::kColumns)) return false;
    for (int i = 0; i < design::kColumns; ++i) {
        const char want = (i + 1 == column) ? mark : ' ';
        if (caption[i] != want) return false;
    }
    return true;
}

}  // namespace vos::panel
