// Port numbers to device paths, errno translation, termios mapping.
#include <gtest/gtest.h>

#include "platform/core/errno_codes.h"
#include "platform/core/net_address.h"
#include "platform/core/port_map.h"
#include "platform/core/serial_device.h"
#include "platform/core/serial_line.h"
#include "tests/support/pty.h"

namespace vos {
namespace {

// The device names themselves live in the map's table; these tests check how
// the numbers fall into it (and never name a real device).
TEST(PortMap, DefaultMapCoversThreeFamiliesOf32) {
    ASSERT_EQ(std::size(kDefaultPortMap), 3u);
    const struct {
        int port;
        int family;  // index in kDefaultPortMap, -1 = no device
        int node;
    } rows[] = {
        {0, -1, 0},  {1, 0, 0},   {2, 0, 1},  {32, 0, 31},  {33, 1, 0},   {64, 1, 31},
        {65, 2, 0},  {96, 2, 31}, {97, -1, 0}, {255, -1, 0}, {256, -1, 0}, {-1, -1, 0},
    };
    test::ProgramFolder folder(/*withPorts=*/false);
    for (const auto& row : rows) {
        const std::string want =
            row.family < 0 ? "" : kDefaultPortMap[row.family].prefix + std::to_string(row.node);
        EXPECT_EQ(devicePathForPort(folder.path(), row.port), want) << "port " << row.port;
        EXPECT_EQ(defaultDevicePath(row.port), want) << "port " << row.port;
    }
    for (const auto& range : kDefaultPortMap) EXPECT_EQ(range.lastPort - range.firstPort, 31);
}

TEST(PortMap, PortsFolderIsTheWholeMap) {
    test::ProgramFolder folder;
    folder.linkPort(3, "/nonexistent/target");
    const std::string ports = folder.path() + "Ports/COM";
    EXPECT_EQ(devicePathForPort(folder.path(), 3), ports + "3");
    // Numbers without an entry still name Ports/COM<n> (they fail to open as
    // "no device"), never a default device.
    EXPECT_EQ(devicePathForPort(folder.path(), 1), ports + "1");
    EXPECT_EQ(devicePathForPort(folder.path(), 255), ports + "255");
    EXPECT_EQ(devicePathForPort(folder.path(), 0), "");
    EXPECT_EQ(devicePathForPort(folder.path(), 256), "");
    // The trailing slash of the folder is optional.
    std::string bare = folder.path();
    bare.pop_back();
    EXPECT_EQ(devicePathForPort(bare, 3), ports + "3");
}

TEST(PortMap, AFileNamedPortsIsNotAPortsFolder) {
    test::ProgramFolder folder(/*withPorts=*/false);
    folder.writeFile("Ports", "not a folder");
    EXPECT_EQ(devicePathForPort(folder.path(), 2), defaultDevicePath(2));
    EXPECT_NE(defaultDevicePath(2), "");
}

// A Ports entry linking to a URL names a network port: present for the
// search when the URL is well-formed (nothing listens on these addresses,
// and the search must not try), absent otherwise; its address reads back.
TEST(PortMap, ANetworkEntryIsPresentWhenItsUrlIsWellFormed) {
    const struct {
        const char* target;
        const char* url;  // nullptr: not a network port, and absent
    } rows[] = {
        {"rfc2217://tour-3.atelier:2001", "rfc2217://tour-3.atelier:2001"},
        {"RFC2217://192.0.2.7:65535", "rfc2217://192.0.2.7:65535"},
        {"tcp://[fd00::7]:4001", "tcp://[fd00::7]:4001"},
        {"tcp://machine_1:1", "tcp://machine_1:1"},
        {"rfc2217://tour-3.atelier", nullptr},     // no port
        {"rfc2217://tour-3.atelier:0", nullptr},   // port out of range
        {"rfc2217://tour-3.atelier:65536", nullptr},
        {"rfc2217://tour-3.atelier:20x1", nullptr},
        {"rfc2217://:2001", nullptr},              // no host
        {"rfc2217://user@host:2001", nullptr},
        {"rfc2217://host:2001/path", nullptr},
        {"rfc2217://-host:2001", nullptr},
        {"rfc2217://a..b:2001", nullptr},
        {"tcp://fd00::7:4001", nullptr},           // IPv6 without brackets
        {"tcp://[fd00::zz]:4001", nullptr},
        {"telnet://host:23", nullptr},             // unknown scheme
        {"rfc2217:/host:2001", nullptr},
        {"/nonexistent/rfc2217://host:2001", nullptr},
    };
    test::ProgramFolder folder;
    for (const auto& row : rows) {
        folder.linkPort(1, row.target);
        const std::string path = devicePathForPort(folder.path(), 1);
        const auto address = networkAddress(path);
        EXPECT_EQ(address.has_value(), row.url != nullptr) << row.target;
        if (address && row.url) {
            EXPECT_EQ(address->url(), row.url) << row.target;
        }
        EXPECT_EQ(probeDevice(path), row.url ? 0 : kCodeNoDevice) << row.target;
    }
    EXPECT_FALSE(networkAddress(folder.path() + "Ports/COM9").has_value());  // no entry
}

TEST(ErrnoCodes, EveryErrnoIsTranslated) {
    const struct {
        int err;
        DeviceStep step;
        int code;
    } rows[] = {
        {ENOENT, DeviceStep::Open, -2},     {ENODEV, DeviceStep::Open, -2},
        {ENXIO, DeviceStep::Open, -2},      {EIO, DeviceStep::Open, -2},
        {ENOTDIR, DeviceStep::Open, -3},    {EMFILE, DeviceStep::Open, -4},
        {ENFILE, DeviceStep::Control, -4},  {EBUSY, DeviceStep::Open, -5},
        {EWOULDBLOCK, DeviceStep::Open, -5}, {ENOMEM, DeviceStep::Control, -8},
        {EACCES, DeviceStep::Open, -13},    {EPERM, DeviceStep::Open, -13},
        // Read and write failures are fixed codes whatever the errno.
        {EIO, DeviceStep::Read, -161},      {ENOMEM, DeviceStep::Read, -161},
        {EIO, DeviceStep::Write, -160},     {EAGAIN, DeviceStep::Write, -160},
        // "No device" and "lock refused" only mean that at open.
        {EIO, DeviceStep::Control, -162},   {ENOENT, DeviceStep::Control, -162},
        {EWOULDBLOCK, DeviceStep::Control, -162},
        // Anything else is a general failure, never the raw errno.
        {EINVAL, DeviceStep::Open, -162},   {ENOTTY, DeviceStep::Open, -162},
        {ELOOP, DeviceStep::Control, -162},
    };
    for (const auto& row : rows)
        EXPECT_EQ(codeForErrno(row.err, row.step), row.code) << "errno " << row.err;
}

TEST(SerialLine, ParamsSurviveTheTermiosForm) {
    const LineParams rows[] = {
        {9600, LineParity::None, 8, 1, false},   {19200, LineParity::Even, 7, 1, false},
        {115200, LineParity::Odd, 8, 2, false},  {300, LineParity::Mark, 5, 2, false},
        {4800, LineParity::Space, 6, 1, true},   {4000000, LineParity::None, 8, 1, false},
    };
    for (const auto& p : rows) {
        termios t{};
        ASSERT_EQ(applyLineParams(p, t), 0) << p.baud;
        EXPECT_EQ(lineParamsOf(t), p) << p.baud;
    }
}

TEST(SerialLine, AppliedParamsMakeTheLineRaw) {
    termios t{};
    t.c_iflag = ICRNL | IXON | IXOFF | ISTRIP | INPCK;
    t.c_oflag = OPOST | ONLCR;
    t.c_lflag = ICANON | ECHO | ISIG | IEXTEN;
    ASSERT_EQ(applyLineParams({9600, LineParity::None, 8, 1, false}, t), 0);
    EXPECT_EQ(t.c_iflag & (ICRNL | IXON | IXOFF | ISTRIP | INPCK), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(t.c_cc[VMIN], 1);
    EXPECT_EQ(t.c_cc[VTIME], 0);
}

TEST(SerialLine, ParamsWithoutTermiosFormAreRefused) {
    termios t{};
    EXPECT_EQ(applyLineParams({12345, LineParity::None, 8, 1, false}, t), EINVAL);
    EXPECT_EQ(applyLineParams({9600, LineParity::None, 9, 1, false}, t), EINVAL);
    EXPECT_EQ(applyLineParams({9600, LineParity::None, 4, 1, false}, t), EINVAL);
    EXPECT_EQ(applyLineParams({0, LineParity::None, 8, 1, false}, t), EINVAL);
}

}  // namespace
}  // namespace vos
