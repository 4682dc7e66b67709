#pragma once
// Text of the character screen. A line's only copy is its label caption, kept
// in UTF-8 with every "&" doubled. Columns count the characters of the line
// text, that is the caption with each "&&" collapsed (left to right; a lone
// "&" stays). Line texts handed out as bytes use the ANSI code page
// (Windows-1252: Latin-1, plus the printable characters at 0x80-0x9F), one
// byte per column.
//
// The edit functions work in one pass from the old caption to the new one,
// without an intermediate line text, because they run once per received
// character. They treat any code point of the caption as one column, so a
// character that has no ANSI byte survives an edit of another column.
//
// Pure functions, no state: callable from any thread.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "design/screen.h"  // kColumns
#include "platform/core/utf8.h"

namespace vos::panel {

// --- code page ---
// The code point of an ANSI byte.
char32_t ansiToCodePoint(std::uint8_t b);
// The ANSI byte of a code point, or '?' when the code page has none.
std::uint8_t codePointToAnsi(char32_t cp);
// Decodes the code point at `pos` and moves `pos` past it. A byte that does
// not start a valid sequence is taken as the ANSI character of that byte, so
// every byte string decodes, one column a byte, and converts back unchanged.
char32_t decodeUtf8(std::string_view s, std::size_t& pos);

// ANSI bytes <-> UTF-8 (names follow the screen's usage: one byte a column).
std::string latin1ToUtf8(std::string_view ansi);
std::string utf8ToLatin1(std::string_view utf8);

// --- ampersands ---
std::string doubleAmpersands(std::string_view text);
std::string collapseAmpersands(std::string_view caption);

// Line text (ANSI bytes) -> caption (UTF-8, "&" doubled), and back.
std::string captionFromText(std::string_view ansiText);
std::string textFromCaption(std::string_view caption);

// Number of columns (collapsed characters) of a caption.
int columnCount(std::string_view caption);

// --- one-pass edits (the results are normalised captions) ---
// `out` := caption with the character at `column` (1-based) replaced by `cp`;
// when the line text has no such column it is unchanged. Returns whether the
// column existed.
bool replaceColumn(std::string_view caption, int column, char32_t cp, std::string& out);
// `out` := the caption's columns 1 .. keep (at most `width`), then blanks up
// to `width` columns.
void keepColumns(std::string_view caption, int keep, int width, std::string& out);

// --- cursor strips ---
// A strip caption: `kColumns` blanks with `mark` at `column`, or all blanks
// when the column is outside 1..kColumns.
std::string stripCaption(int column, char mark);
// Whether `caption` already is stripCaption(column, mark).
bool isStripCaption(std::string_view caption, int column, char mark);

}  // namespace vos::panel
