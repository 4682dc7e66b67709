#pragma once
// Ports served over the network.
//
// An entry Ports/COM<n> may be a symbolic link whose target is not a file
// but a URL:
//   rfc2217://HOST:PORT  a serial device server speaking RFC 2217 (the
//                        speed, the frame and DTR/RTS are set on its port)
//   tcp://HOST:PORT      a raw TCP server (bytes only; the speed is the
//                        server's)
// HOST is a host name (letters, digits, '-', '_', '.'), a dotted IPv4
// address or an IPv6 address in brackets ("[fd00::7]"); PORT is 1 to 65535.
// Nothing else may follow (no user, path or query).
//
// Presence: such an entry is present when its target is a well-formed URL
// of one of these schemes. The port search tests 255 ports and never
// connects; a server that is down shows only when the port is opened. An
// unknown scheme or a malformed URL names no device, like a dangling link.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vos {

enum class NetScheme : std::uint8_t { Rfc2217, Tcp };

struct NetAddress {
    NetScheme scheme = NetScheme::Rfc2217;
    std::string host;  // as written, without the brackets of an IPv6 address
    std::uint16_t port = 0;
    bool operator==(const NetAddress&) const = default;

    // The URL again, in its usual form: "rfc2217://tour-3.atelier:2001",
    // "tcp://[fd00::7]:4001".
    std::string url() const;
};

// Parses a URL of the forms above (the scheme in any case); nothing when
// the text is not one.
std::optional<NetAddress> parseNetUrl(std::string_view text);

// The network address that the device path `path` names: the target of
// `path` when it is a symbolic link to a well-formed URL; nothing for a
// device node, a link to a file, a missing entry, a malformed URL. Reads
// one link and never connects: any thread, as often as wanted (tooltips,
// the selection dialog, the port search).
std::optional<NetAddress> networkAddress(const std::string& path);

}  // namespace vos
