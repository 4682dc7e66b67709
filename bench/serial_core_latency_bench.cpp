// Latencies across the serial core's threads on a pseudo-terminal:
//  receive: a byte written on the peer -> the start of its data-available
//           delivery on the GUI thread;
//  send:    a block written to the output ring -> its bytes read on the peer.
// Usage: serial_core_latency_bench [samples=10000] [block bytes=1]
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "bench/serial_core_bench_util.h"

namespace vos::bench {
namespace {

std::vector<long long> receiveLatency(PtyPort& p, int samples) {
    std::mutex m;
    std::condition_variable cv;
    long long deliveredAt = 0;
    int delivered = 0;
    p.port->registerReceiver([&](std::uint16_t kind, std::uint32_t count, std::uint32_t) {
        const long long t = nowNs();
        if (kind != serial::kEventDataAvail) return;
        std::uint8_t b;
        for (std::uint32_t i = 0; i < count; ++i) p.port->takeByte(b);
        std::lock_guard lk(m);
        deliveredAt = t;
        ++delivered;
        cv.notify_all();
    });
    p.gui.invoke([&] { p.port->setPortHandlerSet(true); });
    std::vector<long long> out;
    out.reserve(static_cast<std::size_t>(samples));
    const std::uint8_t byte = 0x5A;
    for (int i = 0; i < samples; ++i) {
        const long long t0 = nowNs();
        if (::write(p.peer.master(), &byte, 1) != 1) break;
        std::unique_lock lk(m);
        if (!cv.wait_for(lk, std::chrono::seconds(5), [&] { return delivered > i; })) {
            std::fprintf(stderr, "receive: sample %d never delivered\n", i);
            break;
        }
        out.push_back(deliveredAt - t0);
    }
    return out;
}

std::vector<long long> sendLatency(PtyPort& p, int samples, std::size_t blockSize) {
    std::vector<std::uint8_t> block(blockSize, 0xA5);
    std::vector<std::uint8_t> buf(blockSize);
    std::vector<long long> out;
    out.reserve(static_cast<std::size_t>(samples));
    for (int i = 0; i < samples; ++i) {
        const long long t0 = nowNs();
        // The ring is locked inside; calling from this thread stands for the
        // GUI thread's SendBlock without the cost of a hand-over.
        if (p.port->writeBlock(block.data(), block.size()) != 0) break;
        std::size_t got = 0;
        while (got < blockSize) {
            pollfd pf{p.peer.master(), POLLIN, 0};
            if (::poll(&pf, 1, 5000) <= 0) {
                std::fprintf(stderr, "send: sample %d never arrived\n", i);
                return out;
            }
            const ssize_t n = ::read(p.peer.master(), buf.data(), blockSize - got);
            if (n > 0) got += static_cast<std::size_t>(n);
        }
        out.push_back(nowNs() - t0);
    }
    return out;
}

}  // namespace
}  // namespace vos::bench

int main(int argc, char** argv) {
    using namespace vos::bench;
    const int samples = argOr(argc, argv, 1, 10000);
    const auto blockSize = static_cast<std::size_t>(argOr(argc, argv, 2, 1));
    PtyPort p;
    if (const int rc = p.start(); rc != 0) {
        std::fprintf(stderr, "start failed: %d\n", rc);
        return 1;
    }
    printLatency("receive: peer byte -> delivery", receiveLatency(p, samples));
    const std::string name = "send: " + std::to_string(blockSize) + "-byte block -> peer";
    printLatency(name.c_str(), sendLatency(p, samples, blockSize));
    return 0;
}
