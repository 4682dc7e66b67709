// Opens off the caller's thread: a link made later is found at once through
// the folder's change notification (the fallback is set far away) and by the
// fallback alone; a single attempt tells what became of it; and an outcome
// nobody takes any more is closed, so that the port is free again.
#include <gtest/gtest.h>

#include <sys/file.h>

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include "platform/core/errno_codes.h"
#include "platform/core/port_map.h"
#include "platform/core/serial_device.h"
#include "serial/core/device_opener.h"
#include "tests/support/pty.h"
#include "tests/support/wait_until.h"

namespace vos::test {
namespace {

struct WatchCase {
    const char* name;
    serial::DeviceOpener::Options options;
};

class WhenPresentTest : public ::testing::TestWithParam<WatchCase> {
protected:
    ProgramFolder folder;
    PtyPair peer;
    std::atomic<std::uint64_t> ready{0};
    std::string path = devicePathForPort(folder.path(), 1);
};

// Found while the fallback is a minute away: only the notification can have
// told it; found with notifications off: only the fallback can have.
TEST_P(WhenPresentTest, ALinkMadeLaterIsFoundAndItsDeviceWorks) {
    serial::DeviceOpener opener([&](std::uint64_t t) { ready = t; }, GetParam().options);
    const std::uint64_t ticket = opener.openWhenPresent(path);
    ASSERT_TRUE(waitUntil([&] { return opener.attempts() >= 1; }));
    EXPECT_EQ(ready.load(), 0u);
    EXPECT_FALSE(opener.take(ticket).has_value());
    EXPECT_TRUE(opener.busy());

    folder.linkPort(1, peer.slavePath());
    ASSERT_TRUE(waitUntil([&] { return ready.load() == ticket; }, 20000));
    EXPECT_FALSE(opener.busy());
    auto outcome = opener.take(ticket);
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(outcome->code, 0);
    ASSERT_NE(outcome->device, nullptr);
    EXPECT_FALSE(opener.take(ticket).has_value());  // taken once
    const std::uint8_t byte = 0x5A;
    ASSERT_EQ(outcome->device->write(&byte, 1), 1);
    EXPECT_EQ(peer.read(1, 5000), std::vector<std::uint8_t>{0x5A});
    EXPECT_NE(probeDevice(path), 0);  // it holds the port like any open
}

INSTANTIATE_TEST_SUITE_P(Ways, WhenPresentTest,
                         ::testing::Values(WatchCase{"Notification", {60000, true}},
                                           WatchCase{"FallbackAlone", {50, false}}),
                         [](const auto& info) { return std::string(info.param.name); });

// One attempt, whatever it meets: its code, and a device only when it opened.
TEST(DeviceOpener, OnceTellsTheOutcomeOfItsOneAttempt) {
    ProgramFolder folder;
    PtyPair free, held;
    folder.linkPort(1, free.slavePath());
    folder.linkPort(2, held.slavePath());
    SerialDevice holder;
    ASSERT_EQ(holder.open(held.slavePath()), 0);
    const std::pair<int, int> cases[] = {{1, 0}, {2, kCodeAccessDenied}, {3, kCodeNoDevice}};
    std::atomic<std::uint64_t> ready{0};
    serial::DeviceOpener opener([&](std::uint64_t t) { ready = t; });
    for (const auto& [com, code] : cases) {
        SCOPED_TRACE(com);
        const std::uint64_t ticket = opener.openOnce(devicePathForPort(folder.path(), com));
        ASSERT_TRUE(waitUntil([&] { return ready.load() == ticket; }));
        auto outcome = opener.take(ticket);
        ASSERT_TRUE(outcome.has_value());
        EXPECT_EQ(outcome->code, code);
        EXPECT_EQ(outcome->device != nullptr, code == 0);
    }
    EXPECT_EQ(opener.attempts(), 3u);
}

TEST(DeviceOpener, AnOutcomeNotTakenIsClosedByCancelOrANewRequest) {
    ProgramFolder folder;
    PtyPair peer;
    folder.linkPort(1, peer.slavePath());
    const std::string path = devicePathForPort(folder.path(), 1);
    std::atomic<std::uint64_t> ready{0};
    serial::DeviceOpener opener([&](std::uint64_t t) { ready = t; });

    std::uint64_t ticket = opener.openOnce(path);
    ASSERT_TRUE(waitUntil([&] { return ready.load() == ticket; }));
    opener.cancel();
    EXPECT_FALSE(opener.take(ticket).has_value());
    EXPECT_EQ(probeDevice(path), 0);  // free again

    ticket = opener.openWhenPresent(path);
    ASSERT_TRUE(waitUntil([&] { return ready.load() == ticket; }));
    const std::uint64_t next = opener.openOnce(path);  // an earlier outcome is dropped
    EXPECT_FALSE(opener.take(ticket).has_value());
    ASSERT_TRUE(waitUntil([&] { return ready.load() == next; }));
    auto outcome = opener.take(next);
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(outcome->code, 0);
}

}  // namespace
}  // namespace vos::test
