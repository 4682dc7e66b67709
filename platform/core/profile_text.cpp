#include "platform/core/profile_text.h"

#include <stdexcept>

#include "platform/core/profile_lines.h"

namespace vos {
namespace {

constexpr std::string_view kBlanks = " \t\v\f\r";

std::string_view Trim(std::string_view s) {
    const size_t first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    const size_t last = s.find_last_not_of(kBlanks);
    return s.substr(first, last - first + 1);
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
        if (lower(static_cast<unsigned char>(a[i])) != lower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

enum class LineKind { Other, Comment, Section, Key };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    std::string_view name;
    std::string_view value;
};

ParsedLine ParseLine(std::string_view raw) {
    const std::string_view line = Trim(raw);
    if (line.empty()) return {};
    if (line.front() == ';') return {LineKind::Comment, {}, {}};
    if (line.front() == '[') {
        const std::string_view inner = line.substr(1);
        return {LineKind::Section, Trim(inner.substr(0, inner.find(']'))), {}};
    }
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) return {};
    return {LineKind::Key, Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))};
}

bool IsBlank(std::string_view line) {
    return Trim(line).empty();
}

std::string_view Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

void CheckName(std::string_view name, std::string_view forbidden, const char* what) {
    if (Trim(name).empty() || Trim(name) != name || name.find_first_of(forbidden) != name.npos ||
        name.front() == ';')
        throw std::invalid_argument(std::string("profile: invalid ") + what + " name");
}

std::string OneLine(std::string_view value) {
    std::string out(value);
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

}  // namespace

ProfileText ProfileText::FromBytes(std::string_view bytes) {
    return ProfileText(SplitProfileLines(bytes));
}

std::string ProfileText::ToBytes() const {
    return JoinProfileLinesCrLf(lines_);
}

size_t ProfileText::FindSection(std::string_view section) const {
    for (size_t i = 0; i < lines_.size(); ++i) {
        const ParsedLine p = ParseLine(lines_[i]);
        if (p.kind == LineKind::Section && SameName(p.name, section)) return i;
    }
    return std::string::npos;
}

size_t ProfileText::FindKey(size_t header, std::string_view key) const {
    for (size_t i = header + 1; i < lines_.size(); ++i) {
        const ParsedLine p = ParseLine(lines_[i]);
        if (p.kind == LineKind::Section) break;
        if (p.kind == LineKind::Key && SameName(p.name, key)) return i;
    }
    return std::string::npos;
}

std::optional<std::string> ProfileText::Find(std::string_view section, std::string_view key) const {
    const size_t header = FindSection(section);
    if (header == std::string::npos) return std::nullopt;
    const size_t at = FindKey(header, key);
    if (at == std::string::npos) return std::nullopt;
    const std::string_view value = Unquote(ParseLine(lines_[at]).value);
    return std::string(value.substr(0, kProfileMaxValueLength));
}

void ProfileText::Set(std::string_view section, std::string_view key, std::string_view value) {
    CheckName(section, "]\r\n", "section");
    CheckName(key, "=\r\n", "key");
    if (key.front() == '[') throw std::invalid_argument("profile: invalid key name");  // would read as a header
    const size_t header = FindSection(section);
    if (header == std::string::npos) {
        if (!lines_.empty() && !IsBlank(lines_.back())) lines_.emplace_back();
        lines_.push_back("[" + std::string(section) + "]");
        lines_.push_back(std::string(key) + "=" + OneLine(value));
        return;
    }
    const size_t at = FindKey(header, key);
    if (at != std::string::npos) {
        lines_[at] = std::string(ParseLine(lines_[at]).name) + "=" + OneLine(value);
        return;
    }
    size_t last = header;
    for (size_t i = header + 1; i < lines_.size(); ++i) {
        if (ParseLine(lines_[i]).kind == LineKind::Section) break;
        if (!IsBlank(lines_[i])) last = i;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(last + 1),
                  std::string(key) + "=" + OneLine(value));
}

}  // namespace vos
