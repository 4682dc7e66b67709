#include "tests/support/e2e/virtual_display.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace vos::e2e {

namespace {

using Clock = std::chrono::steady_clock;

// Reads the display number the server writes once it accepts connections.
std::string readDisplayNumber(int fd, ChildProcess& server, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string text;
    while (text.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) throw std::runtime_error("Xvfb did not report its display in time");
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(std::min<long>(left.count(), 200))) <= 0) {
            if (!server.running()) throw std::runtime_error("Xvfb ended before reporting its display");
            continue;
        }
        char buf[32];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) throw std::runtime_error("Xvfb closed its display pipe");
        text.append(buf, static_cast<std::size_t>(n));
    }
    return ":" + text.substr(0, text.find('\n'));
}

}  // namespace

VirtualDisplay::VirtualDisplay(int width, int height, const std::string& logFile, int timeoutMs)
    : width_(width), height_(height) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    bool writeEndOpen = true;
    try {
        server_ = std::make_unique<ChildProcess>(SpawnOptions{
            {"Xvfb", "-displayfd", std::to_string(pipeFds[1]), "-screen", "0", screen, "-dpi", "96",
             "-nolisten", "tcp", "-noreset"},
            environmentWith({}),
            logFile,
            logFile,
            pipeFds[1],
            ""});
        ::close(pipeFds[1]);
        writeEndOpen = false;
        name_ = readDisplayNumber(pipeFds[0], *server_, timeoutMs);
    } catch (...) {
        if (writeEndOpen) ::close(pipeFds[1]);
        ::close(pipeFds[0]);
        throw;
    }
    ::close(pipeFds[0]);
}

VirtualDisplay::~VirtualDisplay() = default;

}  // namespace vos::e2e
