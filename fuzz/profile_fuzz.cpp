// Fuzz target: the configuration file's reader and its tidy rewrite, on any
// file content.
//
// Checks, aborting on the first violation:
// - reading: every section/key of the text is found as an independent
//   reading of the profile rules says (first section of a name, first key of
//   a name inside it, names without regard to case, values trimmed, one
//   pair of quotes removed, cut at 2047); integers as the integer syntax says;
// - writing: Set either refuses a name that could not be read back, or the
//   key then reads back as written, every other key reads as before, and
//   every other line of the file is kept in place;
// - the bytes: FromBytes(ToBytes()) gives the same lines; lines never hold
//   a CR or an LF;
// - the file's form (byte-order mark, UTF-16, line ends): decoding the file
//   as written back gives the same form and lines, and writing that back
//   gives the same bytes; an 8-bit file keeps every byte of its lines; a
//   UTF-16 file's text goes to UTF-8 and back unchanged;
// - the tidy rewrite, in the file's own form: no empty line but exactly one
//   before every later section header, lines cut at 255 characters (whole
//   ones in a Unicode file), every non-empty line kept in order, files of
//   more than 2000 lines left alone, and tidy(tidy(x)) == tidy(x).
//
// Input layout (libFuzzer's FuzzedDataProvider): three backslash-terminated
// strings (section, key, value for Set), then the file's bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/config_file.h"
#include "platform/core/profile_encoding.h"
#include "platform/core/profile_lines.h"
#include "platform/core/profile_text.h"

namespace {

[[noreturn]] void violation(const char* what) {
    std::fprintf(stderr, "profile check failed: %s\n", what);
    std::abort();
}

#define PROFILE_CHECK(cond) \
    do {                    \
        if (!(cond)) violation(#cond); \
    } while (0)

// ---- an independent reading of the profile rules ----

constexpr std::string_view kBlanks = " \t\v\f\r";

std::string_view trim(std::string_view s) {
    while (!s.empty() && kBlanks.find(s.front()) != std::string_view::npos) s.remove_prefix(1);
    while (!s.empty() && kBlanks.find(s.back()) != std::string_view::npos) s.remove_suffix(1);
    return s;
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

struct Line {
    enum Kind { Other, Section, Key } kind = Other;
    std::string name, value;
};

Line readLine(std::string_view raw) {
    const std::string_view t = trim(raw);
    if (t.empty() || t.front() == ';') return {};
    if (t.front() == '[') {
        const std::string_view inner = t.substr(1);
        return {Line::Section, std::string(trim(inner.substr(0, inner.find(']')))), {}};
    }
    const std::size_t eq = t.find('=');
    if (eq == std::string_view::npos) return {};
    std::string_view v = trim(t.substr(eq + 1));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return {Line::Key, std::string(trim(t.substr(0, eq))), std::string(v.substr(0, 2047))};
}

std::optional<std::string> referenceFind(const std::vector<std::string>& lines, std::string_view section,
                                         std::string_view key) {
    std::size_t i = 0;
    for (; i < lines.size(); ++i) {
        const Line l = readLine(lines[i]);
        if (l.kind == Line::Section && sameName(l.name, section)) break;
    }
    for (++i; i < lines.size(); ++i) {
        const Line l = readLine(lines[i]);
        if (l.kind == Line::Section) return std::nullopt;
        if (l.kind == Line::Key && sameName(l.name, key)) return l.value;
    }
    return std::nullopt;
}

std::optional<std::int32_t> referenceInteger(std::string_view t) {
    bool negative = false;
    if (!t.empty() && (t.front() == '+' || t.front() == '-')) {
        negative = t.front() == '-';
        t.remove_prefix(1);
    }
    int base = 10;
    if (!t.empty() && t.front() == '$') {
        base = 16;
        t.remove_prefix(1);
    } else if (t.size() >= 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        base = 16;
        t.remove_prefix(2);
    }
    if (t.empty()) return std::nullopt;
    constexpr std::uint64_t kTooBig = 1ull << 40;  // saturate: any long digit string stays too big
    std::uint64_t v = 0;
    for (char c : t) {
        int d = -1;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (base == 16 && lower(c) >= 'a' && lower(c) <= 'f') d = lower(c) - 'a' + 10;
        if (d < 0) return std::nullopt;
        v = std::min(kTooBig, v * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d));
    }
    if (base == 16) {
        if (v > 0xFFFFFFFFull) return std::nullopt;
        const std::uint32_t bits = negative ? 0u - static_cast<std::uint32_t>(v) : static_cast<std::uint32_t>(v);
        return static_cast<std::int32_t>(bits);
    }
    if (v > (negative ? 2147483648ull : 2147483647ull)) return std::nullopt;
    return static_cast<std::int32_t>(negative ? -static_cast<std::int64_t>(v) : static_cast<std::int64_t>(v));
}

// ---- the checks ----

using Pairs = std::vector<std::pair<std::string, std::string>>;

// Every (section, key) that appears in the text, as spelled there; of a long
// file only the first and the last ones (each lookup scans the file, and the
// run must stay fast enough to explore).
Pairs namesInText(const std::vector<std::string>& lines) {
    Pairs out;
    std::string section;
    bool inSection = false;
    for (const std::string& raw : lines) {
        const Line l = readLine(raw);
        if (l.kind == Line::Section) {
            section = l.name;
            inSection = true;
        } else if (l.kind == Line::Key && inSection) {
            out.emplace_back(section, l.name);
        }
    }
    constexpr std::size_t kEnds = 12;
    if (out.size() > 2 * kEnds) out.erase(out.begin() + kEnds, out.end() - kEnds);
    return out;
}

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return s;
}

void checkLookups(const vos::ProfileText& p, const Pairs& names) {
    for (const auto& [s, k] : names) {
        const auto found = p.Find(s, k);
        PROFILE_CHECK(found == referenceFind(p.lines(), s, k));
        PROFILE_CHECK(p.Find(upper(s), upper(k)) == found);
        if (found) PROFILE_CHECK(vos::ParseProfileInteger(*found) == referenceInteger(*found));
    }
}

bool readableName(std::string_view name, char forbidden) {
    return !name.empty() && trim(name) == name && name.find_first_of("\r\n") == std::string_view::npos &&
           name.find(forbidden) == std::string_view::npos && name.front() != ';';
}

// Old lines must all be there, in order, but for the one line a key's new
// value replaces.
void checkLinesKept(const std::vector<std::string>& before, const std::vector<std::string>& after) {
    if (before.size() == after.size()) {
        int changed = 0;
        for (std::size_t i = 0; i < before.size(); ++i) changed += before[i] != after[i];
        PROFILE_CHECK(changed <= 1);
        return;
    }
    PROFILE_CHECK(after.size() > before.size() && after.size() <= before.size() + 3);
    std::size_t j = 0;
    for (const std::string& l : after)
        if (j < before.size() && l == before[j]) ++j;
    PROFILE_CHECK(j == before.size());
}

void checkSet(const vos::ProfileText& original, const Pairs& names, const std::string& section,
              const std::string& key, const std::string& value) {
    vos::ProfileText p = original;
    const bool readable = readableName(section, ']') && readableName(key, '=') && key.front() != '[';
    try {
        p.Set(section, key, value);
    } catch (const std::invalid_argument&) {
        PROFILE_CHECK(!readable);
        PROFILE_CHECK(p.lines() == original.lines());
        return;
    }
    // Written as one line, then read back with the reading rules.
    std::string oneLine = value;
    for (char& c : oneLine)
        if (c == '\r' || c == '\n') c = ' ';
    PROFILE_CHECK(p.Find(section, key) == readLine("k=" + oneLine).value);
    for (const auto& [s, k] : names)
        if (!(sameName(s, section) && sameName(k, key))) PROFILE_CHECK(p.Find(s, k) == original.Find(s, k));
    checkLinesKept(original.lines(), p.lines());
    PROFILE_CHECK(vos::ProfileText::FromBytes(p.ToBytes()).lines() == p.lines());
}

// Characters of a line of a Unicode file: its bytes that do not continue a
// UTF-8 sequence.
std::size_t characters(const std::string& line, vos::ProfileEncoding e) {
    if (e == vos::ProfileEncoding::Bytes8) return line.size();
    return static_cast<std::size_t>(
        std::count_if(line.begin(), line.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

bool sameDocument(const vos::ProfileDocument& a, const vos::ProfileDocument& b) {
    return a.form.encoding == b.form.encoding && a.form.lineEnd == b.form.lineEnd &&
           a.form.trailing == b.form.trailing && a.lines == b.lines;
}

void checkForm(const std::string& bytes) {
    const vos::ProfileDocument doc = vos::DecodeProfile(bytes);
    for (const std::string& l : doc.lines) PROFILE_CHECK(l.find_first_of("\r\n") == std::string::npos);
    if (doc.form.encoding == vos::ProfileEncoding::Bytes8) PROFILE_CHECK(doc.lines == vos::SplitProfileLines(bytes));
    const std::string written = vos::EncodeProfile(doc.form, doc.lines);
    const vos::ProfileDocument again = vos::DecodeProfile(written);
    PROFILE_CHECK(sameDocument(again, doc));
    PROFILE_CHECK(vos::EncodeProfile(again.form, again.lines) == written);
}

// The fuzz bytes taken as the UTF-16 text of one line (units that are CR or
// LF left out), surrogates of every kind included: written back, the file is
// the same bytes with a line end added.
void checkUtf16Lossless(const std::string& bytes) {
    const bool bigEndian = !bytes.empty() && (bytes[0] & 1);
    std::string units;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const unsigned hi = static_cast<unsigned char>(bytes[i + (bigEndian ? 0 : 1)]);
        const unsigned lo = static_cast<unsigned char>(bytes[i + (bigEndian ? 1 : 0)]);
        if (hi == 0 && (lo == '\r' || lo == '\n')) continue;
        units += bytes.substr(i, 2);
    }
    if (units.empty()) return;
    const std::string file = (bigEndian ? "\xFE\xFF" : "\xFF\xFE") + units;
    const std::string crlf = bigEndian ? std::string("\0\r\0\n", 4) : std::string("\r\0\n\0", 4);
    const vos::ProfileDocument doc = vos::DecodeProfile(file);
    PROFILE_CHECK(doc.lines.size() == 1);
    PROFILE_CHECK(vos::EncodeProfile(doc.form, doc.lines) == file + crlf);
}

// The file as the close leaves it: tidied in its own form, or untouched.
std::string tidyFile(const std::string& bytes) { return vos::app::tidiedIniText(bytes).value_or(bytes); }

void checkTidy(const std::string& bytes) {
    const vos::ProfileDocument doc = vos::DecodeProfile(bytes);
    const std::vector<std::string>& in = doc.lines;
    const auto out = vos::app::tidyLines(in, doc.form.encoding);
    PROFILE_CHECK(out.has_value() == (in.size() <= vos::app::kMaxIniLines));
    if (!out) return;
    std::vector<std::string> keptIn, keptOut;
    for (const std::string& l : in) {
        if (l.empty()) continue;
        const std::string cut = vos::CutProfileLine(l, doc.form.encoding, 255);
        PROFILE_CHECK(l.starts_with(cut) && !cut.empty());
        PROFILE_CHECK(characters(cut, doc.form.encoding) == std::min<std::size_t>(255, characters(l, doc.form.encoding)));
        keptIn.push_back(cut);
    }
    for (std::size_t i = 0; i < out->size(); ++i) {
        const std::string& l = (*out)[i];
        PROFILE_CHECK(characters(l, doc.form.encoding) <= 255);
        if (l.empty()) {
            // Only right before a section header, never first, never doubled.
            PROFILE_CHECK(i + 1 < out->size() && !(*out)[i + 1].empty() && (*out)[i + 1].front() == '[');
        } else {
            keptOut.push_back(l);
            if (l.front() == '[' && i > 0) PROFILE_CHECK((*out)[i - 1].empty());
        }
    }
    PROFILE_CHECK(keptIn == keptOut);
    const auto rewritten = vos::app::tidiedIniText(bytes);
    if (rewritten) {
        // It reads back as the lines written, in the file's form.
        const vos::ProfileDocument tidied = vos::DecodeProfile(*rewritten);
        PROFILE_CHECK(tidied.form.encoding == doc.form.encoding);
        PROFILE_CHECK(tidied.lines == *out);
        if (!out->empty()) PROFILE_CHECK(tidied.form.lineEnd == doc.form.lineEnd);
    } else {
        // Only a result that would read as a byte-order mark is refused.
        PROFILE_CHECK(doc.form.encoding == vos::ProfileEncoding::Bytes8 && !out->empty());
    }
    const std::string once = tidyFile(bytes);
    PROFILE_CHECK(tidyFile(once) == once);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider fdp(data, size);
    const std::string section = fdp.ConsumeRandomLengthString(64);
    const std::string key = fdp.ConsumeRandomLengthString(64);
    const std::string value = fdp.ConsumeRandomLengthString(2100);
    const std::string bytes = fdp.ConsumeRemainingBytesAsString();

    const vos::ProfileText p = vos::ProfileText::FromBytes(bytes);
    PROFILE_CHECK(p.lines() == vos::SplitProfileLines(bytes));
    PROFILE_CHECK(vos::ProfileText::FromBytes(p.ToBytes()).lines() == p.lines());

    Pairs names = namesInText(p.lines());
    names.emplace_back(section, key);
    checkLookups(p, names);
    PROFILE_CHECK(vos::ParseProfileInteger(value) == referenceInteger(value));
    checkSet(p, names, section, key, value);
    checkForm(bytes);
    checkUtf16Lossless(bytes);
    checkTidy(bytes);
    return 0;
}
