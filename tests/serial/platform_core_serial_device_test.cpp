// The tty layer on pseudo-terminals: open codes, exclusivity, raw line,
// refused ioctls, hang-up, restored settings.
#include <gtest/gtest.h>
#include <poll.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "platform/core/port_map.h"
#include "platform/core/serial_device.h"
#include "tests/support/pty.h"

namespace vos {
namespace {

class SerialDeviceTest : public ::testing::Test {
protected:
    void SetUp() override { path = folder.linkPort(1, peer.slavePath()); }

    test::ProgramFolder folder;
    test::PtyPair peer;
    std::string path;
};

TEST_F(SerialDeviceTest, OpenCodes) {
    SerialDevice device;
    EXPECT_EQ(device.open(devicePathForPort(folder.path(), 7)), -2);  // no entry
    folder.linkPort(8, folder.path() + "missing");
    EXPECT_EQ(device.open(devicePathForPort(folder.path(), 8)), -2);  // dangling link
    const std::string plain = folder.writeFile("plain", "x");
    EXPECT_EQ(device.open(plain), -162);  // not a terminal
    EXPECT_EQ(device.open(plain + "/below"), -3);
    EXPECT_FALSE(device.isOpen());
    ASSERT_EQ(device.open(path), 0);
    EXPECT_TRUE(device.isOpen());
    EXPECT_EQ(device.close(), 0);
    EXPECT_FALSE(device.isOpen());
}

TEST_F(SerialDeviceTest, SecondOpenerOfAHeldPortGetsAccessDenied) {
    SerialDevice first;
    ASSERT_EQ(first.open(path), 0);
    SerialDevice second;
    EXPECT_EQ(second.open(path), -5);  // the flock holds even for root
    EXPECT_EQ(probeDevice(path), -5);
    first.close();
    EXPECT_EQ(second.open(path), 0);  // released by the close
}

TEST_F(SerialDeviceTest, ForeignExclusiveOpenCountsAsHeld) {
    // Another program that took the line with TIOCEXCL only.
    const int other = ::open(peer.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::ioctl(other, TIOCEXCL), 0);
    EXPECT_EQ(probeDevice(path), -5);
    ::ioctl(other, TIOCNXCL);
    ::close(other);
    EXPECT_EQ(probeDevice(path), 0);
}

TEST_F(SerialDeviceTest, ProbeLeavesNoExclusiveMarkBehind) {
    ASSERT_EQ(probeDevice(path), 0);
    const int fd = ::open(peer.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    int exclusive = -1;
    ASSERT_EQ(::ioctl(fd, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
    ::close(fd);
}

TEST_F(SerialDeviceTest, LineIsRawWhileOpenAndRestoredAfter) {
    const int keeper = ::open(peer.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(keeper, 0);  // keeps the slave's settings alive across our close
    termios before{};
    ASSERT_EQ(::tcgetattr(keeper, &before), 0);
    before.c_lflag |= ICANON | ECHO;
    before.c_iflag |= ICRNL | IXON;
    ASSERT_EQ(::tcsetattr(keeper, TCSANOW, &before), 0);

    SerialDevice device;
    ASSERT_EQ(device.open(path), 0);
    termios during{};
    ASSERT_EQ(::tcgetattr(keeper, &during), 0);
    EXPECT_EQ(during.c_lflag & (ICANON | ECHO), 0u);
    EXPECT_EQ(during.c_iflag & (ICRNL | IXON), 0u);
    // A pseudo-terminal keeps the speed and the stop bits (it forces 8 bits
    // without parity, so those are checked on the termios form elsewhere).
    ASSERT_EQ(device.writeParams({19200, LineParity::None, 8, 2, false}), 0);
    LineParams read{};
    ASSERT_EQ(device.readParams(read), 0);
    EXPECT_EQ(read, (LineParams{19200, LineParity::None, 8, 2, false}));
    EXPECT_EQ(device.writeParams({12345, LineParity::None, 8, 1, false}), -162);
    device.close();

    termios after{};
    ASSERT_EQ(::tcgetattr(keeper, &after), 0);
    EXPECT_EQ(after.c_lflag & (ICANON | ECHO), static_cast<tcflag_t>(ICANON | ECHO));
    EXPECT_EQ(after.c_iflag & (ICRNL | IXON), static_cast<tcflag_t>(ICRNL | IXON));
    EXPECT_EQ(cfgetospeed(&after), cfgetospeed(&before));
    ::close(keeper);
}

TEST_F(SerialDeviceTest, RefusedModemAndCounterCallsReadAsOffAndSucceed) {
    SerialDevice device;
    ASSERT_EQ(device.open(path), 0);
    EXPECT_EQ(device.setDtr(true), 0);
    EXPECT_EQ(device.setDtr(false), 0);
    EXPECT_EQ(device.setRts(true), 0);
    std::uint8_t lines = 0xFF;
    EXPECT_FALSE(device.readModemInputs(lines));
    EXPECT_EQ(lines, 0);
    EXPECT_EQ(device.modemInputs(), 0);
    LineCounters counters;
    EXPECT_FALSE(device.readCounters(counters));
    EXPECT_EQ(device.purgeInput(), 0);
    EXPECT_EQ(device.purgeOutput(), 0);
}

TEST_F(SerialDeviceTest, HangUpShowsAsDataThatReadsZero) {
    SerialDevice device;
    ASSERT_EQ(device.open(path), 0);
    WakeEvent stop(WakeEvent::Mode::ManualReset);
    EXPECT_EQ(device.wait(POLLIN, {&stop}, 0), DeviceWait::TimedOut);
    stop.set();
    int woken = -1;
    EXPECT_EQ(device.wait(POLLIN, {&stop}, 1000, &woken), DeviceWait::Woken);
    EXPECT_EQ(woken, 0);
    stop.reset();
    peer.closeMaster();
    const DeviceWait w = device.wait(POLLIN, {&stop}, 5000);
    ASSERT_TRUE(w == DeviceWait::Ready || w == DeviceWait::HangUp);
    std::uint8_t buf[16];
    if (w == DeviceWait::Ready) {
        EXPECT_LE(device.read(buf, sizeof buf), 0);
    }
    EXPECT_EQ(device.write(buf, 1), -1);
}

}  // namespace
}  // namespace vos
