#include "platform/core/port_map.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

namespace vos {

namespace {

bool isDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string defaultDevicePath(int n) {
    for (const auto& range : kDefaultPortMap) {
        if (n >= range.firstPort && n <= range.lastPort)
            return range.prefix + std::to_string(n - range.firstPort);
    }
    return {};
}

std::string devicePathForPort(const std::string& programFolder, int n) {
    if (n < 1 || n > kMaxPortNumber) return {};
    std::string ports = programFolder;
    if (!ports.empty() && ports.back() != '/') ports += '/';
    ports += "Ports";
    if (isDirectory(ports)) return ports + "/COM" + std::to_string(n);
    return defaultDevicePath(n);
}

DeviceTrail deviceTrail(const std::string& path) {
    namespace fs = std::filesystem;
    DeviceTrail trail{path, {}, {}};
    std::error_code ec;
    if (fs::is_symlink(path, ec)) trail.linkTarget = fs::read_symlink(path, ec).string();
    const fs::path resolved = fs::canonical(path, ec);
    if (!ec) trail.resolved = resolved.string();
    return trail;
}

}  // namespace vos
