// Opening and closing: codes, exclusivity, repeated cycles under traffic,
// the peer hanging up, the availability test.
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "serial/core/port_availability.h"
#include "tests/serial/serial_core_fixture.h"

namespace vos::test {
namespace {

using Lifecycle = PtyDispatcherTest;

// The names of this process's threads (what top -H shows).
std::vector<std::string> threadNames() {
    std::vector<std::string> names;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        names.push_back(name);
    }
    return names;
}

double processCpuMs() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

TEST_F(Lifecycle, OpenCodes) {
    serial::StartSettings missing = settings();
    missing.deviceName = devicePathForPort(folder.path(), 9);
    EXPECT_EQ(open(missing), -2);
    EXPECT_FALSE(port->isDeviceOpen());
    EXPECT_FALSE(port->started());
    missing.deviceName = "";
    EXPECT_EQ(port->start(missing), -2);

    ASSERT_EQ(port->start(settings()), 0);
    EXPECT_TRUE(port->started());
    // The four threads of an open port tell what they are.
    const std::vector<std::string> names = threadNames();
    for (const char* name : {"vos-reader", "vos-writer", "vos-status", "vos-dispatcher"})
        EXPECT_EQ(std::count(names.begin(), names.end(), name), 1) << name;
    EXPECT_THROW(
        {
            try {
                port->start(settings());
            } catch (const std::logic_error& e) {
                EXPECT_STREQ(e.what(), "Dispatcher already started.");
                throw;
            }
        },
        std::logic_error);

    // A second dispatcher on the held port.
    serial::TSerialPlatformDispatcher second(serial::DispatcherOptions{&gui, nullptr, nullptr, nullptr});
    EXPECT_EQ(second.start(settings()), -5);
    port->stop();
    EXPECT_EQ(second.start(settings()), 0);
    second.stop();
}

TEST_F(Lifecycle, BadLineSettingsFailTheStartAndLeaveNothingOpen) {
    serial::StartSettings s = settings();
    s.line.baud = 12345;  // no such speed
    EXPECT_EQ(open(s), -162);
    EXPECT_FALSE(port->isDeviceOpen());
    EXPECT_FALSE(port->started());
    EXPECT_EQ(probeDevice(s.deviceName), 0);  // released
}

TEST_F(Lifecycle, LineSettingsAndOutputsOnAnOpenPort) {
    ASSERT_EQ(open(), 0);
    EXPECT_EQ(port->setLineSettings({19200, serial::pNone, 8, 1}), 0);
    EXPECT_EQ(port->setLineSettings({19200, serial::pNone, 8, 1}), 0);  // unchanged
    EXPECT_EQ(port->setLineSettings({300, serial::pNone, 8, 2}), 0);
    EXPECT_EQ(port->setDtr(true), 0);  // a pseudo-terminal has no modem lines
    EXPECT_EQ(port->setRts(false), 0);
    EXPECT_EQ(port->modemStatus(), 0);
    EXPECT_EQ(port->setFlowSettings(248, 10, 0), 0);
    EXPECT_EQ(port->setFlowSettings(10, 248, 0), serial::kBadArgument);
    EXPECT_EQ(port->setFlowSettings(4097, 10, 0), serial::kBadArgument);  // above inSize
    EXPECT_EQ(port->setQueueSizes(1024, 1024), 0);
    EXPECT_EQ(port->lineErrors(), 0);
    // Bytes still flow after the changes.
    ASSERT_TRUE(peer.write(std::vector<std::uint8_t>{0x11, 0x13, 0x0D}));  // XON, XOFF, CR
    ASSERT_TRUE(pumpUntil([&] { return port->inputCount() == 3; }));
    EXPECT_EQ(takeAll(), (std::vector<std::uint8_t>{0x11, 0x13, 0x0D}));
}

TEST_F(Lifecycle, ManyOpenCloseCyclesWhileThePeerStreams) {
    std::atomic<bool> streaming{true};
    std::thread streamer([&] {
        const std::vector<std::uint8_t> chunk(64, 0xA5);
        while (streaming.load()) {
            if (!peer.write(chunk, 20)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    onEvent = [&](const Event&) { takeAll(); };
    std::atomic<int> lineFailures{0};  // a stop asked for is not one
    ASSERT_EQ(open(), 0);
    port->setLineFailureHandler([&](int) { ++lineFailures; });
    port->stop();
    const int fdsBefore = openDescriptorCount();
    const int threadsBefore = baselineThreads();
    constexpr int kCycles = 1000;
    auto slowestClose = std::chrono::nanoseconds(0);
    int slowCloses = 0;  // over 500 ms: only a loaded machine's scheduling may cause one
    int failures = 0;
    for (int i = 0; i < kCycles && failures == 0; ++i) {
        if (const int rc = port->start(settings()); rc != 0) {
            ADD_FAILURE() << "cycle " << i << ": start gave " << rc;
            ++failures;
        }
        if (i % 10 == 0) gui.pumpFor(1);  // let some deliveries through
        const auto t0 = std::chrono::steady_clock::now();
        port->stop();
        const auto took = std::chrono::steady_clock::now() - t0;
        slowestClose = std::max(slowestClose, took);
        if (took >= std::chrono::milliseconds(500)) ++slowCloses;
        // A joined thread can linger in /proc for a moment after its join.
        if (!waitUntil([&] { return threadCount() == threadsBefore; }, 2000)) {
            ADD_FAILURE() << "cycle " << i << ": " << threadCount() << " threads, " << threadsBefore << " before";
            ++failures;
        }
    }
    streaming = false;
    streamer.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(openDescriptorCount(), fdsBefore);
    // Every close joins its threads at once (waits are woken, not timed out):
    // at most a few scheduling hiccups over 500 ms, and never a chain of
    // time-outs.
    EXPECT_LE(slowCloses, kCycles / 100);
    EXPECT_LT(slowestClose, std::chrono::milliseconds(3000));
    EXPECT_GT(events.size(), 0u);
    EXPECT_EQ(lineFailures.load(), 0);
}

TEST_F(Lifecycle, PeerHangUpEndsTheThreadsWithoutSpinning) {
    const int threadsBefore = baselineThreads();
    std::vector<int> reported;
    std::mutex failuresMutex;
    std::vector<int> failures;
    ASSERT_EQ(open(), 0);
    port->setThreadErrorHandler([&](int code) { reported.push_back(code); });
    port->setLineFailureHandler([&](int code) {
        std::lock_guard lock(failuresMutex);
        failures.push_back(code);
    });
    const int lineError = port->NewStatusTrigger(serial::kStatusLineError);
    ASSERT_EQ(port->ArmStatusTrigger(lineError, serial::kLineOverrun, true), 0);
    ASSERT_TRUE(peer.write(std::vector<std::uint8_t>{1}));
    ASSERT_TRUE(pumpUntil([&] { return countOf(serial::kEventDataAvail) == 1; }));

    peer.closeMaster();
    // The reader ends with a read failure, which stops every thread; the
    // line-error trigger sees the -1.
    ASSERT_TRUE(pumpUntil([&] { return !port->started() && countOf(serial::kEventStatus) == 1; }));
    EXPECT_EQ(events.back().first, static_cast<std::uint32_t>(lineError));
    EXPECT_EQ(port->lineErrors(), -1);
    EXPECT_TRUE(port->isDeviceOpen());  // nominally open until closed
    EXPECT_TRUE(reported.empty());      // -161 is not an error report
    {
        std::lock_guard lock(failuresMutex);  // told once, whichever thread failed first
        ASSERT_EQ(failures.size(), 1u);
        EXPECT_TRUE(failures[0] == kCodeReadFault || failures[0] == kCodeWriteFault) << failures[0];
    }
    EXPECT_TRUE(waitUntil([&] { return threadCount() == threadsBefore; }));

    const double cpu0 = processCpuMs();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_LT(processCpuMs() - cpu0, 150.0);  // nothing spins on the hang-up

    std::uint8_t b = 0;
    EXPECT_EQ(port->writeBlock(&b, 1), 0);  // accepted, never sent: the port is silent
    port->stop();
    EXPECT_FALSE(port->isDeviceOpen());
}

TEST_F(Lifecycle, AvailabilityTest) {
    EXPECT_TRUE(serial::PortAvailable(folder.path(), 1));
    EXPECT_FALSE(serial::PortAvailable(folder.path(), 0));
    EXPECT_FALSE(serial::PortAvailable(folder.path(), 2));  // no entry
    folder.linkPort(3, folder.path() + "nothing-here");
    EXPECT_FALSE(serial::PortAvailable(folder.path(), 3));
    folder.linkPort(4, folder.writeFile("plain", "x"));
    EXPECT_FALSE(serial::PortAvailable(folder.path(), 4));  // not a terminal
    ASSERT_EQ(open(), 0);
    EXPECT_TRUE(serial::PortAvailable(folder.path(), 1));  // held (by us): present
    EXPECT_TRUE(port->started());                  // and undisturbed
    ASSERT_TRUE(peer.write(std::vector<std::uint8_t>{5}));
    ASSERT_TRUE(pumpUntil([&] { return countOf(serial::kEventDataAvail) == 1; }));
    EXPECT_TRUE(serial::openCodeMeansPresent(-13));
    EXPECT_FALSE(serial::openCodeMeansPresent(-2));
    EXPECT_FALSE(serial::openCodeMeansPresent(-162));
}

}  // namespace
}  // namespace vos::test
