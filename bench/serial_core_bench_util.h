#pragma once
// Small harness for the serial core's latency and stream benchmarks: a
// dispatcher on a pseudo-terminal (through a private Ports folder) with a
// thread acting as GUI thread, and percentile printing.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/port_map.h"
#include "serial/core/dispatcher_platform.h"
#include "tests/support/gui_pump.h"
#include "tests/support/pty.h"

namespace vos::bench {

using Clock = std::chrono::steady_clock;

inline long long nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

// Prints count, median, p99 and max of `ns` (nanoseconds) in microseconds.
inline void printLatency(const char* name, std::vector<long long> ns) {
    if (ns.empty()) return;
    std::sort(ns.begin(), ns.end());
    const auto at = [&](double q) { return ns[static_cast<std::size_t>(q * static_cast<double>(ns.size() - 1))]; };
    std::printf("%-34s samples %6zu  median %8.1f us  p99 %8.1f us  max %8.1f us\n", name, ns.size(),
                static_cast<double>(at(0.5)) / 1000.0, static_cast<double>(at(0.99)) / 1000.0,
                static_cast<double>(ns.back()) / 1000.0);
}

inline int argOr(int argc, char** argv, int index, int fallback) {
    return argc > index ? std::atoi(argv[index]) : fallback;
}

// A port on a fresh pseudo-terminal, its events served by a GUI stand-in thread.
struct PtyPort {
    test::ProgramFolder folder;
    test::PtyPair peer;
    test::GuiThread gui;
    std::unique_ptr<serial::TSerialPlatformDispatcher> port;

    PtyPort() {
        folder.linkPort(1, peer.slavePath());
        serial::DispatcherOptions o;
        o.handover = &gui;
        port = std::make_unique<serial::TSerialPlatformDispatcher>(o);
    }
    ~PtyPort() {
        gui.invoke([this] { port.reset(); });
    }
    // Starts with the program's settings (9600 8N1, output ring `outSize`).
    int start(std::uint16_t outSize = 256) {
        serial::StartSettings s;
        s.deviceName = devicePathForPort(folder.path(), 1);
        s.line = {9600, serial::pNone, 8, 1};
        s.outSize = outSize;
        int rc = 0;
        gui.invoke([&] { rc = port->start(s); });
        return rc;
    }
};

}  // namespace vos::bench
