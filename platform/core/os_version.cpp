#include "platform/core/os_version.h"

#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <sstream>

namespace vos {

namespace {

constexpr std::size_t kServicePackMax = 128;

// Reads one decimal number at pos (stopping at the first non-digit); 0 when
// there is none. Saturates instead of overflowing.
std::uint32_t readNumber(const std::string& s, std::size_t& pos) {
    std::uint64_t v = 0;
    bool any = false;
    while (pos < s.size() && std::isdigit(static_cast<unsigned char>(s[pos]))) {
        v = std::min<std::uint64_t>(v * 10 + static_cast<unsigned>(s[pos] - '0'), UINT32_MAX);
        ++pos;
        any = true;
    }
    return any ? static_cast<std::uint32_t>(v) : 0;
}

std::string trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

// Value of an os-release assignment: quotes removed, backslash escapes
// resolved inside quotes.
std::string unquote(const std::string& v) {
    if (v.size() < 2 || (v.front() != '"' && v.front() != '\'') || v.back() != v.front()) return v;
    std::string out;
    for (std::size_t i = 1; i + 1 < v.size(); ++i) {
        if (v[i] == '\\' && v.front() == '"' && i + 2 < v.size()) ++i;
        out += v[i];
    }
    return out;
}

}  // namespace

OsVersion parseKernelRelease(const std::string& release) {
    OsVersion v;
    std::size_t pos = 0;
    v.major = readNumber(release, pos);
    if (pos < release.size() && release[pos] == '.') {
        ++pos;
        v.minor = readNumber(release, pos);
        if (pos < release.size() && release[pos] == '.') {
            ++pos;
            v.build = readNumber(release, pos);
        }
    }
    return v;
}

std::string prettyNameFromOsRelease(const std::string& text) {
    std::istringstream in(text);
    std::string line, found;
    while (std::getline(in, line)) {
        line = trim(line);
        if (line.rfind("PRETTY_NAME=", 0) == 0) found = unquote(trim(line.substr(12)));
    }
    return found;
}

OsVersion readOsVersion() {
    OsVersion v;
    utsname u{};
    if (uname(&u) == 0) v = parseKernelRelease(u.release);
    for (const char* file : {"/etc/os-release", "/usr/lib/os-release"}) {
        std::ifstream in(file);
        if (!in) continue;
        std::ostringstream text;
        text << in.rdbuf();
        v.servicePack = prettyNameFromOsRelease(text.str());
        break;
    }
    v.servicePack = limitServicePack(std::move(v.servicePack));
    return v;
}

// Cut at 128 bytes, backing off to the start of a UTF-8 sequence so that the
// text stays valid.
std::string limitServicePack(std::string text) {
    if (text.size() <= kServicePackMax) return text;
    std::size_t end = kServicePackMax;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    text.resize(end);
    return text;
}

std::string currentUserName() {
    passwd entry{};
    passwd* found = nullptr;
    char buf[1024];
    if (::getpwuid_r(::geteuid(), &entry, buf, sizeof buf, &found) != 0 || !found) return {};
    return found->pw_name ? found->pw_name : "";
}

}  // namespace vos
