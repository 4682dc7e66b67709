#include "tools/sim/sim_pty.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace vos::sim {
namespace {

constexpr const char* kPtsPrefix = "/dev/pts/";

[[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

// The settings stay on the pair after this descriptor is closed, so the
// panel finds a raw line even before it sets one itself.
void MakeRaw(const std::string& slave) {
    const int fd = ::open(slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) Fail("open " + slave);
    termios t{};
    if (::tcgetattr(fd, &t) == 0) {
        ::cfmakeraw(&t);
        t.c_cflag |= CLOCAL | CREAD;
        ::cfsetspeed(&t, B9600);
        ::tcsetattr(fd, TCSANOW, &t);
    }
    ::close(fd);
}

std::string ReadLink(const std::string& path) {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), buf, sizeof buf - 1);
    return n < 0 ? std::string() : std::string(buf, static_cast<size_t>(n));
}

void PlaceLink(const std::string& slave, const std::string& link) {
    struct stat st {};
    if (::lstat(link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode) || ReadLink(link).rfind(kPtsPrefix, 0) != 0)
            throw std::runtime_error(link +
                                     " exists and is not a pseudo-terminal link; "
                                     "not replaced");
        ::unlink(link.c_str());
    }
    if (::symlink(slave.c_str(), link.c_str()) != 0) Fail("symlink " + link);
}

}  // namespace

PtyLink::PtyLink(const std::string& folder, int port) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) Fail("posix_openpt");
    try {
        if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) Fail("grantpt/unlockpt");
        char name[128];
        if (::ptsname_r(master_, name, sizeof name) != 0) Fail("ptsname");
        slave_ = name;
        MakeRaw(slave_);
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
        const std::string ports = folder + "/Ports";
        if (::mkdir(ports.c_str(), 0755) != 0 && errno != EEXIST) Fail("mkdir " + ports);
        link_ = ports + "/COM" + std::to_string(port);
        PlaceLink(slave_, link_);
    } catch (...) {
        ::close(master_);
        throw;
    }
}

PtyLink::~PtyLink() {
    if (!link_.empty() && ReadLink(link_) == slave_) ::unlink(link_.c_str());
    if (master_ >= 0) ::close(master_);
}

}  // namespace vos::sim
