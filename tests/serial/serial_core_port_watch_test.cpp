// The watch that waits for a port's device to open again: a link made later
// is found at once through the folder's change notification (the fallback
// is set far away), the fallback alone finds it too, and a device nobody
// takes any more is closed so that the caller can open it itself.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include "platform/core/port_map.h"
#include "platform/core/serial_device.h"
#include "serial/core/port_watch.h"
#include "tests/support/pty.h"
#include "tests/support/wait_until.h"

namespace vos::test {
namespace {

struct WatchCase {
    const char* name;
    serial::PortWatch::Options options;
};

class PortWatchTest : public ::testing::TestWithParam<WatchCase> {
protected:
    ProgramFolder folder;
    PtyPair peer;
    std::atomic<std::uint64_t> found{0};
    std::string path = devicePathForPort(folder.path(), 1);
};

// Found while the fallback is a minute away: only the notification can have
// told it; found with notifications off: only the fallback can have.
TEST_P(PortWatchTest, ALinkMadeLaterIsFoundAndItsDeviceWorks) {
    serial::PortWatch watch([&](std::uint64_t t) { found = t; }, GetParam().options);
    const std::uint64_t ticket = watch.watch(path);
    ASSERT_TRUE(waitUntil([&] { return watch.attempts() >= 1; }));
    EXPECT_EQ(found.load(), 0u);
    EXPECT_EQ(watch.take(ticket), nullptr);

    folder.linkPort(1, peer.slavePath());
    ASSERT_TRUE(waitUntil([&] { return found.load() == ticket; }, 20000));
    EXPECT_FALSE(watch.watching());
    std::unique_ptr<SerialDevice> device = watch.take(ticket);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(watch.take(ticket), nullptr);  // taken once
    const std::uint8_t byte = 0x5A;
    ASSERT_EQ(device->write(&byte, 1), 1);
    EXPECT_EQ(peer.read(1, 5000), std::vector<std::uint8_t>{0x5A});
    EXPECT_NE(probeDevice(path), 0);  // it holds the port like any open
}

INSTANTIATE_TEST_SUITE_P(Ways, PortWatchTest,
                         ::testing::Values(WatchCase{"Notification", {60000, true}},
                                           WatchCase{"FallbackAlone", {50, false}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PortWatch, ADeviceNotTakenIsClosedByCancelOrANewWatch) {
    ProgramFolder folder;
    PtyPair peer;
    folder.linkPort(1, peer.slavePath());
    const std::string path = devicePathForPort(folder.path(), 1);
    std::atomic<std::uint64_t> found{0};
    serial::PortWatch watch([&](std::uint64_t t) { found = t; });

    std::uint64_t ticket = watch.watch(path);
    ASSERT_TRUE(waitUntil([&] { return found.load() == ticket; }));
    watch.cancel();
    EXPECT_EQ(watch.take(ticket), nullptr);
    EXPECT_EQ(probeDevice(path), 0);  // the caller may open it now

    ticket = watch.watch(path);
    ASSERT_TRUE(waitUntil([&] { return found.load() == ticket; }));
    const std::uint64_t next = watch.watch(path);  // an earlier find is dropped
    EXPECT_EQ(watch.take(ticket), nullptr);
    ASSERT_TRUE(waitUntil([&] { return found.load() == next; }));
    EXPECT_NE(watch.take(next), nullptr);
}

}  // namespace
}  // namespace vos::test
