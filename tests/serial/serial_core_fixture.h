#pragma once
// A dispatcher on a pseudo-terminal, with the test's thread as GUI thread.
//
// The peer (the pty master) stands for the machine's control. Events are
// recorded; `onEvent` lets a test act inside a delivery (take bytes, stop...).
#include <gtest/gtest.h>

#include <memory>
#include <numeric>
#include <thread>
#include <vector>

#include "platform/core/clock.h"
#include "platform/core/port_map.h"
#include "serial/core/dispatcher_platform.h"
#include "tests/support/gui_pump.h"
#include "tests/support/pty.h"
#include "tests/support/wait_until.h"

namespace vos::test {

struct Event {
    std::uint16_t kind;
    std::uint32_t first;
    std::uint32_t second;
};

class PtyDispatcherTest : public ::testing::Test {
protected:
    void SetUp() override { folder.linkPort(1, peer.slavePath()); }
    void TearDown() override {
        if (port) port->stop();
        port.reset();
    }

    serial::StartSettings settings(std::uint16_t outSize = 256) const {
        serial::StartSettings s;
        s.deviceName = devicePathForPort(folder.path(), 1);
        s.line = {9600, serial::pNone, 8, 1};
        s.outSize = outSize;
        s.dtr = false;
        s.rts = true;
        return s;
    }

    // Makes the dispatcher (receiver registered, events wanted) and starts it.
    int open(const serial::StartSettings& s, Clock* clock = nullptr, int deliveryTimeoutMs = serial::kDeliveryTimeoutMs) {
        serial::DispatcherOptions o;
        o.handover = &gui;
        o.clock = clock;
        o.owner = this;
        o.deliveryTimeoutMs = deliveryTimeoutMs;
        port = std::make_unique<serial::TSerialPlatformDispatcher>(o);
        receiverId = port->registerReceiver([this](std::uint16_t k, std::uint32_t a, std::uint32_t b) {
            events.push_back({k, a, b});
            if (onEvent) onEvent(events.back());
        });
        port->setPortHandlerSet(true);
        return port->start(s);
    }
    int open() { return open(settings()); }

    // Inside each data-available event, takes every announced byte into
    // `received`, as the panel does; only while *taking is true, if given.
    void takeAnnouncedInto(std::vector<std::uint8_t>& received, const bool* taking = nullptr) {
        onEvent = [this, &received, taking](const Event& e) {
            if (e.kind != serial::kEventDataAvail || (taking && !*taking)) return;
            for (std::uint32_t i = 0; i < e.first; ++i) {
                std::uint8_t b = 0;
                ASSERT_EQ(port->takeByte(b), 0);
                received.push_back(b);
            }
        };
    }

    // Takes every byte the dispatcher will give now.
    std::vector<std::uint8_t> takeAll() {
        std::vector<std::uint8_t> out;
        std::uint8_t b = 0;
        while (port->takeByte(b) == 0) out.push_back(b);
        return out;
    }

    std::size_t countOf(std::uint16_t kind) const {
        std::size_t n = 0;
        for (const auto& e : events) n += e.kind == kind;
        return n;
    }

    bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
        return gui.pumpUntil(done, timeoutMs);
    }

    // Runs dispatcher cycles (serving events meanwhile) until `n` more completed.
    void runCycles(int n) {
        const auto start = port->cycleCount();
        port->wakeDispatcher();
        ASSERT_TRUE(pumpUntil([&] { return port->cycleCount() >= start + static_cast<unsigned>(n); }));
    }

    // This process's threads before a test starts its own. A thread is made
    // and joined first, so that helper threads some runtimes add with the
    // first thread (a sanitizer's) are already counted.
    static int baselineThreads() {
        std::thread([] {}).join();
        return threadCount();
    }

    static std::vector<std::uint8_t> allByteValues() {
        std::vector<std::uint8_t> v(256);
        std::iota(v.begin(), v.end(), 0);
        return v;
    }

    ProgramFolder folder;
    PtyPair peer;
    PumpedHandover gui;
    std::unique_ptr<serial::TSerialPlatformDispatcher> port;
    int receiverId = 0;
    std::vector<Event> events;
    std::function<void(const Event&)> onEvent;
};

}  // namespace vos::test
