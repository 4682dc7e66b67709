#pragma once
// Splitting 8-bit text into lines and joining it back, as the profile file
// and the tidy rewrite of the configuration file both need it.
//
// Contract: bytes are kept exactly (no encoding conversion). A line ends at
// LF; one CR just before that LF (or at the very end of the text) belongs to
// the line end, not to the line. A final line without a line end still counts;
// text that ends with a line end has no empty line after it.

#include <string>
#include <string_view>
#include <vector>

namespace vos {

std::vector<std::string> SplitProfileLines(std::string_view text);

// Every line followed by CR LF (an empty list gives an empty text).
std::string JoinProfileLinesCrLf(const std::vector<std::string>& lines);

}  // namespace vos
