#pragma once
// The operating system's version record, read once at start-up: kernel major,
// minor and patch numbers (from uname) as major, minor and build, and the
// distribution's PRETTY_NAME (from /etc/os-release) as the service-pack text,
// at most 128 characters. Qt-free.
#include <cstdint>
#include <string>

namespace vos {

struct OsVersion {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::string servicePack;
};

OsVersion readOsVersion();
// Parses a kernel release such as "6.1.0-18-amd64" (missing numbers are 0).
OsVersion parseKernelRelease(const std::string& release);
// PRETTY_NAME from the text of an os-release file (quotes removed), or "".
std::string prettyNameFromOsRelease(const std::string& text);
// The service-pack text cut to its 128-character limit (whole UTF-8 characters).
std::string limitServicePack(std::string text);

// The login name of the user the program runs as ("" when unknown).
std::string currentUserName();

}  // namespace vos
