// vostrelle-sim: a stand-in for the machine's control, so the panel can be
// tried without a machine tool.
//
//   vostrelle-sim [--folder DIR] [--port N] [--log FILE] [--speed BAUD]
//
//   --folder DIR   the panel's program folder (default: the current folder);
//                  the line is reached there as Ports/COM<N>
//   --port N       port number, 1 to 255 (default 1)
//   --log FILE     append every byte received from the panel to FILE, one
//                  per line as two upper-case hex digits (idle bytes "00"
//                  included), flushed after each read
//   --speed BAUD   accepted for symmetry with the panel; a pseudo-terminal
//                  has no speed
//
// Prints "vostrelle-sim: <link> -> <slave>" once the link exists. Runs until
// SIGINT, SIGTERM or SIGHUP, then removes the link. Exit status: 0 after a
// stop request, 1 on an I/O error, 2 on bad arguments or set-up failure.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string>

#include "tools/sim/control_simulator.h"
#include "tools/sim/sim_loop.h"
#include "tools/sim/sim_pty.h"

namespace {

struct Options {
    std::string folder = ".";
    int port = 1;
    std::string log;
};

constexpr const char* kUsage =
    "usage: vostrelle-sim [--folder DIR] [--port N] [--log FILE] [--speed BAUD]\n";

// Written by the signal handler only; read through the pipe.
int gStopPipe[2] = {-1, -1};

void OnSignal(int) {
    const char c = 's';
    [[maybe_unused]] const ssize_t n = ::write(gStopPipe[1], &c, 1);
}

bool ParseArgs(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") return false;
        if (i + 1 >= argc) return false;
        const std::string v = argv[++i];
        if (a == "--folder")
            o.folder = v;
        else if (a == "--log")
            o.log = v;
        else if (a == "--speed")
            continue;
        else if (a == "--port") {
            char* end = nullptr;
            const long n = std::strtol(v.c_str(), &end, 10);
            if (*end != '\0' || n < 1 || n > 255) return false;
            o.port = static_cast<int>(n);
        } else {
            return false;
        }
    }
    return true;
}

void InstallSignals() {
    if (::pipe2(gStopPipe, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("pipe");
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(sig, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseArgs(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    try {
        InstallSignals();
        std::FILE* log = nullptr;
        if (!options.log.empty() && (log = std::fopen(options.log.c_str(), "ae")) == nullptr)
            throw std::runtime_error("cannot open " + options.log + ": " + std::strerror(errno));
        vos::sim::PtyLink link(options.folder, options.port);
        std::printf("vostrelle-sim: %s -> %s\n", link.linkPath().c_str(), link.slavePath().c_str());
        std::fflush(stdout);
        vos::sim::ControlSimulator sim;
        const int rc = vos::sim::RunLoop({link.master(), gStopPipe[0], log}, sim);
        if (log != nullptr) std::fclose(log);
        return rc;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vostrelle-sim: %s\n", e.what());
        return 2;
    }
}
