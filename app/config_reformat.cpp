// The tidy rewrite of the configuration file (declared in config_file.h).
#include "app/config_file.h"
#include "platform/core/profile_io.h"

namespace vos::app {

std::optional<std::vector<std::string>> tidyLines(const std::vector<std::string>& lines,
                                                  ProfileEncoding encoding) {
    // A longer file would lose its tail; leaving it alone loses nothing.
    if (lines.size() > kMaxIniLines) return std::nullopt;
    std::vector<std::string> out;
    out.reserve(lines.size() * 2);
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string line = CutProfileLine(lines[i], encoding, kMaxTextLength);
        if (line.empty()) continue;
        if (line.front() == '[' && i != 0) out.emplace_back();
        out.push_back(line);
    }
    return out;
}

std::optional<std::string> tidiedIniText(std::string_view bytes) {
    const ProfileDocument doc = DecodeProfile(bytes);
    const auto lines = tidyLines(doc.lines, doc.form.encoding);
    if (!lines) return std::nullopt;
    std::string text = EncodeProfile(doc.form, *lines);
    // Dropping the empty lines at the top of an 8-bit file can bring bytes
    // that read as a byte-order mark to its very start: the next read would
    // take the file for another encoding. Leaving it alone loses nothing.
    if (DecodeProfile(text).form.encoding != doc.form.encoding) return std::nullopt;
    return text;
}

void ReformaterIni(const std::string& path) {
    const FileBytes file = ReadWholeFile(path);
    if (file.error != 0) throw ConfigIoError(path, file.error);
    const auto text = tidiedIniText(file.bytes);
    if (!text) return;
    if (int err = ReplaceFileAtomically(path, *text)) throw ConfigIoError(path, err);
}

}  // namespace vos::app
