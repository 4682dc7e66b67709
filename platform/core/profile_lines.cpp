#include "platform/core/profile_lines.h"

namespace vos {

std::vector<std::string> SplitProfileLines(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        const size_t end = text.find_first_of("\r\n");
        lines.emplace_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        const bool crLf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
        text.remove_prefix(end + (crLf ? 2 : 1));
    }
    return lines;
}

LineEnd DominantLineEnd(std::string_view text) {
    size_t crLf = 0, lf = 0, cr = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++lf;
        } else if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                ++crLf;
                ++i;
            } else {
                ++cr;
            }
        }
    }
    if (lf > crLf && lf >= cr) return LineEnd::Lf;
    if (cr > crLf && cr > lf) return LineEnd::Cr;
    return LineEnd::CrLf;
}

std::string JoinProfileLines(const std::vector<std::string>& lines, LineEnd end) {
    const std::string_view sep = end == LineEnd::CrLf ? "\r\n" : end == LineEnd::Lf ? "\n" : "\r";
    size_t size = 0;
    for (const auto& l : lines) size += l.size() + sep.size();
    std::string out;
    out.reserve(size);
    for (const auto& l : lines) {
        out += l;
        out += sep;
    }
    return out;
}

}  // namespace vos
