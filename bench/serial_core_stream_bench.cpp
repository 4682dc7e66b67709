// A sustained stream at the byte rate of 115200 bit/s (11520 bytes/s, 8N1)
// in both directions at once through a pseudo-terminal, every byte counted:
// the peer sends a numbered pattern that the GUI-side handler takes and
// checks; the GUI side sends a pattern in blocks that the peer reads and
// checks. Reports bytes, losses or corruptions, and CPU time.
// Usage: serial_core_stream_bench [seconds=60]
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "bench/serial_core_bench_util.h"

namespace vos::bench {
namespace {

constexpr long long kBytesPerSecond = 115200 / 10;
constexpr int kModulus = 251;  // pattern byte i = i mod 251

struct Checker {
    long long count = 0;
    long long mismatches = 0;
    void feed(std::uint8_t b) {
        if (b != static_cast<std::uint8_t>(count % kModulus)) ++mismatches;
        ++count;
    }
};

double cpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Calls `emit(n)` so that the running total follows the byte rate.
template <class Emit>
void paced(int seconds, Emit emit) {
    const auto start = Clock::now();
    long long sent = 0;
    const long long total = kBytesPerSecond * seconds;
    while (sent < total) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        const long long due = std::min(total, static_cast<long long>(elapsed * kBytesPerSecond));
        if (due > sent) sent += emit(due - sent, sent);
    }
}

}  // namespace
}  // namespace vos::bench

int main(int argc, char** argv) {
    using namespace vos::bench;
    const int seconds = argOr(argc, argv, 1, 60);
    PtyPort p;
    Checker fromPeer;   // GUI thread only
    Checker atPeer;     // peer reader thread only
    std::atomic<bool> done{false};
    p.port->registerReceiver([&](std::uint16_t kind, std::uint32_t count, std::uint32_t) {
        if (kind != vos::serial::kEventDataAvail) return;
        std::uint8_t b;
        for (std::uint32_t i = 0; i < count; ++i)
            if (p.port->takeByte(b) == 0) fromPeer.feed(b);
    });
    if (p.start() != 0) return 1;
    p.gui.invoke([&] { p.port->setPortHandlerSet(true); });
    const double cpu0 = cpuSeconds();

    std::thread peerWriter([&] {
        paced(seconds, [&](long long n, long long at) {
            std::vector<std::uint8_t> bytes(static_cast<std::size_t>(n));
            for (long long i = 0; i < n; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((at + i) % kModulus);
            return p.peer.write(bytes) ? n : 0LL;
        });
    });
    std::thread peerReader([&] {
        std::uint8_t buf[4096];
        while (!done.load()) {
            pollfd pf{p.peer.master(), POLLIN, 0};
            if (::poll(&pf, 1, 50) <= 0) continue;
            const ssize_t n = ::read(p.peer.master(), buf, sizeof buf);
            for (ssize_t i = 0; i < n; ++i) atPeer.feed(buf[i]);
        }
    });
    long long refused = 0;
    paced(seconds, [&](long long n, long long at) {
        n = std::min(n, 128LL);  // whatever the program's 256-byte ring takes
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(n));
        for (long long i = 0; i < n; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((at + i) % kModulus);
        int rc = 0;
        p.gui.invoke([&] { rc = p.port->writeBlock(bytes.data(), bytes.size()); });
        if (rc != 0) ++refused;
        return rc == 0 ? n : 0LL;
    });
    peerWriter.join();
    const long long expected = kBytesPerSecond * seconds;
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < deadline) {
        long long in = 0;
        p.gui.invoke([&] { in = fromPeer.count; });
        if (in >= expected && atPeer.count >= expected) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    done = true;
    peerReader.join();
    const double cpu = cpuSeconds() - cpu0;
    long long inCount = 0, inBad = 0;
    p.gui.invoke([&] { inCount = fromPeer.count; inBad = fromPeer.mismatches; });
    std::printf("stream %d s at %lld bytes/s each way\n", seconds, kBytesPerSecond);
    std::printf("  peer -> port: expected %lld  received %lld  out of sequence %lld\n", expected, inCount, inBad);
    std::printf("  port -> peer: expected %lld  received %lld  out of sequence %lld  refused blocks %lld\n",
                expected, atPeer.count, atPeer.mismatches, refused);
    std::printf("  process CPU %.2f s (%.1f %% of one core)\n", cpu, 100.0 * cpu / seconds);
    const bool ok = inCount == expected && atPeer.count == expected && inBad == 0 && atPeer.mismatches == 0;
    std::printf("  %s\n", ok ? "no byte lost, none duplicated" : "LOSS OR CORRUPTION");
    return ok ? 0 : 1;
}
