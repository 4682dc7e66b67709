#include "platform/core/net_address.h"

#include <arpa/inet.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>

namespace vos {

namespace {

struct SchemeRow {
    std::string_view prefix;  // lower case, with "://"
    NetScheme scheme;
};

constexpr SchemeRow kSchemes[] = {
    {"rfc2217://", NetScheme::Rfc2217},
    {"tcp://", NetScheme::Tcp},
};

constexpr std::size_t kMaxHostLength = 253;

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

// Letters, digits, '-' and '_' in dot-separated labels, none of them empty
// and none starting with '-'. A dotted IPv4 address is one of these too.
bool isHostName(std::string_view host) {
    if (host.empty() || host.size() > kMaxHostLength) return false;
    std::size_t labelStart = 0;
    for (std::size_t i = 0; i <= host.size(); ++i) {
        if (i == host.size() || host[i] == '.') {
            if (i == labelStart || host[labelStart] == '-') return false;
            labelStart = i + 1;
            continue;
        }
        const unsigned char c = static_cast<unsigned char>(host[i]);
        if (!std::isalnum(c) && c != '-' && c != '_') return false;
    }
    return true;
}

bool isIpv6(std::string_view host) {
    if (host.empty() || host.size() >= INET6_ADDRSTRLEN) return false;
    std::array<char, INET6_ADDRSTRLEN> text{};
    std::copy(host.begin(), host.end(), text.begin());
    in6_addr address{};
    return ::inet_pton(AF_INET6, text.data(), &address) == 1;
}

std::optional<std::uint16_t> parsePort(std::string_view text) {
    if (text.empty() || text.size() > 5) return std::nullopt;
    unsigned value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value < 1 || value > 65535) return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

}  // namespace

std::string NetAddress::url() const {
    std::string text = scheme == NetScheme::Rfc2217 ? "rfc2217://" : "tcp://";
    const bool ipv6 = host.find(':') != std::string::npos;
    text += ipv6 ? "[" + host + "]" : host;
    return text + ":" + std::to_string(port);
}

std::optional<NetAddress> parseNetUrl(std::string_view text) {
    NetAddress address;
    std::string_view rest;
    for (const auto& row : kSchemes) {
        if (startsWithNoCase(text, row.prefix)) {
            address.scheme = row.scheme;
            rest = text.substr(row.prefix.size());
            break;
        }
    }
    if (rest.empty()) return std::nullopt;
    std::string_view host;
    if (rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos || close + 1 >= rest.size() || rest[close + 1] != ':')
            return std::nullopt;
        host = rest.substr(1, close - 1);
        if (!isIpv6(host)) return std::nullopt;
        rest = rest.substr(close + 2);
    } else {
        const std::size_t colon = rest.rfind(':');
        if (colon == std::string_view::npos) return std::nullopt;
        host = rest.substr(0, colon);
        if (!isHostName(host)) return std::nullopt;
        rest = rest.substr(colon + 1);
    }
    const auto port = parsePort(rest);
    if (!port) return std::nullopt;
    address.host = std::string(host);
    address.port = *port;
    return address;
}

std::optional<NetAddress> networkAddress(const std::string& path) {
    // A URL is short: a target longer than the longest one is a file path.
    std::array<char, 300> target{};
    const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) return std::nullopt;
    return parseNetUrl(std::string_view(target.data(), static_cast<std::size_t>(n)));
}

}  // namespace vos
