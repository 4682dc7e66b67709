#pragma once
// Splitting text into lines and joining it back, as the profile file and the
// tidy rewrite of the configuration file both need it.
//
// Contract: bytes are kept exactly (no encoding conversion; see
// profile_encoding.h for that). A line ends at CR LF, at LF or at a CR alone,
// whichever the editor that wrote the file used, mixed ones included; the
// line end is not part of the line. A final line without a line end still
// counts; text that ends with a line end has no empty line after it.

#include <string>
#include <string_view>
#include <vector>

namespace vos {

enum class LineEnd { CrLf, Lf, Cr };

std::vector<std::string> SplitProfileLines(std::string_view text);

// The line end most lines of the text end with. CR LF, the format's own,
// when there is none; a tie goes to CR LF, then to LF.
LineEnd DominantLineEnd(std::string_view text);

// Every line followed by `end` (an empty list gives an empty text).
std::string JoinProfileLines(const std::vector<std::string>& lines, LineEnd end);
inline std::string JoinProfileLinesCrLf(const std::vector<std::string>& lines) {
    return JoinProfileLines(lines, LineEnd::CrLf);
}

}  // namespace vos
