#include "tests/support/pty.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace vos::test {

namespace {

using Clock = std::chrono::steady_clock;

int msLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

int countEntries(const char* dir) {
    DIR* d = ::opendir(dir);
    if (!d) return -1;
    int n = 0;
    while (const dirent* e = ::readdir(d))
        if (e->d_name[0] != '.') ++n;
    ::closedir(d);
    return n - (std::string(dir) == "/proc/self/fd" ? 1 : 0);  // opendir's own descriptor
}

}  // namespace

PtyPair::PtyPair() {
    int slave = -1;
    char name[128] = {};
    termios raw{};
    ::cfmakeraw(&raw);
    ::cfsetspeed(&raw, B9600);
    if (::openpty(&master_, &slave, name, &raw, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    ::close(slave);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    slavePath_ = name;
}

PtyPair::~PtyPair() { closeMaster(); }

void PtyPair::closeMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

bool PtyPair::write(const std::vector<std::uint8_t>& bytes, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
        if (msLeft(deadline) == 0) return false;
        pollfd p{master_, POLLOUT, 0};
        ::poll(&p, 1, std::min(msLeft(deadline), 50));
    }
    return true;
}

bool PtyPair::write(std::string_view text, int timeoutMs) {
    return write(std::vector<std::uint8_t>(text.begin(), text.end()), timeoutMs);
}

std::vector<std::uint8_t> PtyPair::read(std::size_t count, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<std::uint8_t> out;
    std::uint8_t buf[4096];
    while (out.size() < count) {
        const ssize_t n = ::read(master_, buf, std::min(sizeof buf, count - out.size()));
        if (n > 0) {
            out.insert(out.end(), buf, buf + n);
            continue;
        }
        // EAGAIN: nothing yet; EIO: no slave open at the moment.
        if (msLeft(deadline) == 0) break;
        pollfd p{master_, POLLIN, 0};
        ::poll(&p, 1, std::min(msLeft(deadline), 10));
    }
    return out;
}

std::vector<std::uint8_t> PtyPair::readUntilQuiet(int quietMs) {
    std::vector<std::uint8_t> out;
    for (;;) {
        auto more = read(65536, quietMs);
        if (more.empty()) return out;
        out.insert(out.end(), more.begin(), more.end());
    }
}

ProgramFolder::ProgramFolder(bool withPorts) : path_(dir_.path().string() + "/") {
    if (withPorts) std::filesystem::create_directory(path_ + "Ports");
}

std::string ProgramFolder::linkPort(int n, const std::string& target) {
    const std::string link = path_ + "Ports/COM" + std::to_string(n);
    std::error_code ec;
    std::filesystem::remove(link, ec);
    std::filesystem::create_symlink(target, link);
    return link;
}

std::string ProgramFolder::writeFile(const std::string& name, std::string_view content) {
    const std::string file = path_ + name;
    Spit(file, std::string(content));
    return file;
}

int openDescriptorCount() { return countEntries("/proc/self/fd"); }

int threadCount() { return countEntries("/proc/self/task"); }

}  // namespace vos::test
