#include "platform/core/dir_watch.h"

#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>

namespace vos {

namespace {

constexpr std::uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB |
                                     IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
constexpr int kMaxHops = 8;

bool isFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string parentOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string deepestExistingFolder(std::string folder) {
    while (!isFolder(folder) && folder != "/" && folder != ".") folder = parentOf(folder);
    return folder;
}

// The target of the link at `path`, made absolute against the link's own
// folder; "" when `path` is not a symbolic link.
std::string linkTarget(const std::string& path) {
    std::array<char, 4096> buf{};
    const ssize_t n = ::readlink(path.c_str(), buf.data(), buf.size() - 1);
    if (n <= 0) return {};
    std::string target(buf.data(), static_cast<std::size_t>(n));
    if (target.front() != '/') target = parentOf(path) + "/" + target;
    return target;
}

}  // namespace

DirWatch::DirWatch() {
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) error_ = errno;
}

DirWatch::~DirWatch() {
    if (fd_ >= 0) ::close(fd_);
}

void DirWatch::setFolders(const std::vector<std::string>& folders) {
    if (fd_ < 0) return;
    std::vector<std::pair<std::string, int>> kept;
    for (const auto& [folder, wd] : watches_) {
        if (std::find(folders.begin(), folders.end(), folder) != folders.end())
            kept.emplace_back(folder, wd);
        else
            ::inotify_rm_watch(fd_, wd);
    }
    watches_ = std::move(kept);
    for (const std::string& folder : folders) {
        const bool known = std::any_of(watches_.begin(), watches_.end(),
                                       [&](const auto& w) { return w.first == folder; });
        if (known) continue;
        const int wd = ::inotify_add_watch(fd_, folder.c_str(), kWatchMask);
        if (wd >= 0) watches_.emplace_back(folder, wd);
    }
}

// A watch whose folder went away is dropped by the system (IN_IGNORED); the
// next setFolders() adds it again once the folder is back, under a new
// descriptor, so forgetting every watch descriptor we hold is not needed.
bool DirWatch::drain() {
    if (fd_ < 0) return false;
    alignas(inotify_event) std::array<char, 4096> buf{};
    bool any = false;
    for (;;) {
        const ssize_t n = ::read(fd_, buf.data(), buf.size());
        if (n <= 0) break;
        any = true;
        for (ssize_t at = 0; at < n;) {
            const auto* ev = reinterpret_cast<const inotify_event*>(buf.data() + at);
            if (ev->mask & IN_IGNORED)
                std::erase_if(watches_, [&](const auto& w) { return w.second == ev->wd; });
            at += static_cast<ssize_t>(sizeof(inotify_event) + ev->len);
        }
    }
    return any;
}

void DirWatch::wait(WakeEvent& wake, int timeoutMs, bool notifications) {
    pollfd fds[2] = {{wake.fd(), POLLIN, 0}, {fd_, POLLIN, 0}};
    const nfds_t n = (notifications && fd_ >= 0) ? 2 : 1;
    int r;
    do {
        r = ::poll(fds, n, timeoutMs);
    } while (r < 0 && errno == EINTR);
    if (r > 0 && (fds[0].revents & POLLIN)) wake.acknowledge();
}

std::vector<std::string> foldersAffecting(const std::string& path) {
    std::vector<std::string> folders;
    std::string hop = path;
    for (int i = 0; i < kMaxHops && !hop.empty(); ++i) {
        const std::string folder = deepestExistingFolder(parentOf(hop));
        if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
        hop = linkTarget(hop);
    }
    return folders;
}

}  // namespace vos
