// The port component on pseudo-terminals: bytes both ways, events and
// notifications, the errors of a closed, held or missing port, setter rules.
#include <numeric>
#include <string>
#include <vector>

#include "serial/core/serial_codes.h"
#include "tests/gui/serial_port_fixture.h"

namespace vos::test {
namespace {

using PortComponent = PortFixture;

TEST_F(PortComponent, BytesGoBothWaysAndTheEventCountsThem) {
    PtyPair& pty = addPort(3);
    auto port = makePort(3);
    std::vector<std::uint8_t> got;
    std::vector<std::string> trace;
    port->OnTrigger = [&](serial::TSerialComPort&, std::uint16_t msg, std::uint16_t, std::uint16_t) {
        if (msg == serial::kEventDataAvail) trace.push_back("OnTrigger");
    };
    port->OnTriggerAvail = [&](serial::TSerialComPort& cp, std::uint16_t count) {
        trace.push_back("OnTriggerAvail");
        for (int i = 0; i < count; ++i) got.push_back(cp.TakeByte());
    };
    port->setOpen(true);
    ASSERT_TRUE(port->Open());
    EXPECT_EQ(port->PortState(), serial::psOpen);
    EXPECT_TRUE(port->canSendIdle());

    std::vector<std::uint8_t> all(256);
    std::iota(all.begin(), all.end(), 0);
    ASSERT_TRUE(pty.write(all));
    EXPECT_TRUE(waitUntil([&] { return got.size() >= all.size(); }));
    EXPECT_EQ(got, all);
    EXPECT_EQ(port->InputCount(), 0u);
    ASSERT_GE(trace.size(), 2u);
    EXPECT_EQ(trace[0], "OnTrigger");
    EXPECT_EQ(trace[1], "OnTriggerAvail");

    port->SendBlock(all.data(), static_cast<std::uint16_t>(all.size()));
    EXPECT_EQ(pty.read(all.size()), all);

    port->setOpen(false);
    EXPECT_FALSE(port->Open());
    EXPECT_EQ(port->PortState(), serial::psClosed);
    EXPECT_FALSE(port->canSendIdle());
    EXPECT_TRUE(recordedErrors().empty());
}

// The control stops reading: idle bytes fill the line's buffers and then the
// output ring, but for its last eighth, where the operator's keys still go;
// once the control reads again, everything arrives in order, the key last.
TEST_F(PortComponent, AStalledLineKeepsRoomForKeys) {
    PtyPair& pty = addPort(3);
    auto port = makePort(3);
    port->setOutSize(256);  // the main window's ring
    port->setOpen(true);
    ASSERT_TRUE(port->Open());
    std::size_t idle = 0;
    const std::uint8_t zero = 0;
    ASSERT_TRUE(waitUntil([&] {
        for (int i = 0; i < 512 && port->canSendIdle(); ++i, ++idle) port->SendBlock(&zero, 1);
        return !port->canSendIdle() && port->OutputCount() > 0;
    }));
    EXPECT_EQ(port->OutputCount(), 256u - 32u);
    const std::uint8_t keys[] = {0x81, 0x82, 0x83};
    for (std::uint8_t k : keys) EXPECT_NO_THROW(port->SendBlock(&k, 1));

    std::vector<std::uint8_t> expected(idle, 0);
    expected.insert(expected.end(), std::begin(keys), std::end(keys));
    EXPECT_EQ(pty.read(expected.size(), 20000), expected);
}

TEST_F(PortComponent, NotificationsRunLastRegisteredFirstAndLeaveByIdentity) {
    addPort(3);
    auto port = makePort(3);
    std::vector<std::string> trace;
    int a = 0, b = 0;
    port->AddUserNotification(&a, [&](bool opened) { trace.push_back(opened ? "a1" : "a0"); });
    port->AddUserNotification(&b, [&](bool opened) { trace.push_back(opened ? "b1" : "b0"); });
    port->OnPortOpen = [&](serial::TSerialComPort& cp) { trace.push_back(cp.Open() ? "open" : "open?"); };
    port->OnPortClose = [&](serial::TSerialComPort& cp) { trace.push_back(cp.Open() ? "close?" : "close"); };
    port->setOpen(true);
    port->RemoveUserNotification(&b);
    port->setOpen(false);
    EXPECT_EQ(trace, (std::vector<std::string>{"b1", "a1", "open", "a0", "close"}));
}

TEST_F(PortComponent, AClosedPortRefusesOperationsWithoutAutoOpen) {
    addPort(3);
    auto port = makePort(3);
    const std::uint8_t byte = 0x41;
    const std::string notOpen = "ie_NOpen - device not open";
    expectRaises<serial::ECommNotOpen>([&] { port->SendBlock(&byte, 1); }, notOpen);
    expectRaises<serial::ECommNotOpen>([&] { port->TakeByte(); }, notOpen);
    expectRaises<serial::ECommNotOpen>([&] { port->ClearOutput(); }, notOpen);
    expectRaises<serial::ECommNotOpen>([&] { port->ClearInput(); }, notOpen);
    expectRaises<serial::ECommNotOpen>([&] { port->NewTimerTrigger(); }, notOpen);
    expectRaises<serial::ECommNotOpen>([&] { port->ArmTimerTrigger(8, 1, true); }, notOpen);
    // Exempt: they act only on an open port.
    EXPECT_NO_THROW(port->DropTrigger(8));
    EXPECT_EQ(port->InputCount(), 0u);
    EXPECT_EQ(port->OutputCount(), 0u);
    EXPECT_NO_THROW(port->setOpen(false));
    EXPECT_FALSE(port->Open());
}

TEST_F(PortComponent, AutoOpenOpensTheClosedPortForAnOperation) {
    PtyPair& pty = addPort(3);
    auto port = makePort(3);
    port->setAutoOpen(true);
    const std::uint8_t byte = 0x5A;
    port->SendBlock(&byte, 1);
    EXPECT_TRUE(port->Open());
    EXPECT_EQ(pty.read(1), std::vector<std::uint8_t>{0x5A});
}

TEST_F(PortComponent, AHeldPortIsPresentButCannotBeOpenedTwice) {
    addPort(3);
    auto first = makePort(3);
    first->setOpen(true);
    auto second = makePort(3);
    EXPECT_TRUE(second->PortAvailable(3));
    expectRaises<serial::EAlreadyOpen>([&] { second->setOpen(true); }, "ie_Open - device already open");
    EXPECT_FALSE(second->Open());
    EXPECT_EQ(second->PortState(), serial::psClosed);

    first->setOpen(false);
    second->setOpen(true);  // the close released the device
    EXPECT_TRUE(second->Open());
}

TEST_F(PortComponent, AMissingDeviceIsAbsentAndCannotBeOpened) {
    folder_.linkPort(8, folder_.path() + "no-such-device");
    for (const std::uint16_t n : {7, 8, 300}) {
        auto port = makePort(n);
        EXPECT_FALSE(port->PortAvailable(n)) << n;
        expectRaises<serial::EBadId>([&] { port->setOpen(true); }, "ie_BadId - Specified comport doesn't exist");
        EXPECT_FALSE(port->Open()) << n;
    }
}

TEST_F(PortComponent, BufferLevelsAreCorrectedWhetherClosedOrOpen) {
    addPort(3);
    auto port = makePort(3);
    port->setInSize(4096);
    port->setBufferFull(5000);
    EXPECT_EQ(port->BufferFull(), 3686);
    port->setBufferFull(248);
    port->setBufferResume(300);
    EXPECT_EQ(port->BufferResume(), 24);

    port->setOpen(true);
    port->setBufferFull(5000);  // re-applied to the open device, no error
    EXPECT_EQ(port->BufferFull(), 3686);
    port->setBufferResume(4000);
    EXPECT_EQ(port->BufferResume(), 368);
    EXPECT_TRUE(port->Open());
}

TEST_F(PortComponent, InSizeBelowBufferFullMakesTheNextOpenFail) {
    addPort(3);
    auto port = makePort(3);
    port->setBufferFull(3000);
    port->setBufferResume(10);
    port->setInSize(1024);  // closed: stored, nothing checked yet
    expectRaises<serial::EBadArgument>([&] { port->setOpen(true); }, "Bad argument passed to function");
    EXPECT_FALSE(port->Open());
    EXPECT_EQ(port->PortState(), serial::psClosed);

    auto other = makePort(3);
    EXPECT_NO_THROW(other->setOpen(true));  // the failed open left the device free
}

TEST_F(PortComponent, ASpeedChangeOnAnOpenPortKeepsTheOutputIntact) {
    PtyPair& pty = addPort(3);
    auto port = makePort(3);
    port->setOpen(true);
    const auto text = bytesOf("before the change of speed;");
    port->SendBlock(text.data(), static_cast<std::uint16_t>(text.size()));
    port->setBaud(19200);
    EXPECT_EQ(port->Baud(), 19200);
    const auto after = bytesOf("after");
    port->SendBlock(after.data(), static_cast<std::uint16_t>(after.size()));
    auto expected = text;
    expected.insert(expected.end(), after.begin(), after.end());
    EXPECT_EQ(pty.read(expected.size()), expected);
}

TEST_F(PortComponent, AnExceptionInAHandlerIsShownAndEventsGoOn) {
    PtyPair& pty = addPort(3);
    auto port = makePort(3);
    std::vector<std::uint8_t> got;
    port->OnTriggerAvail = [&](serial::TSerialComPort& cp, std::uint16_t count) {
        for (int i = 0; i <= count; ++i) got.push_back(cp.TakeByte());  // one too many
    };
    port->setOpen(true);
    ASSERT_TRUE(pty.write(bytesOf("A")));
    EXPECT_TRUE(waitUntil([&] { return !recordedErrors().empty(); }));
    ASSERT_TRUE(pty.write(bytesOf("B")));
    EXPECT_TRUE(waitUntil([&] { return got.size() >= 2; }));
    EXPECT_EQ(got, bytesOf("AB"));
    ASSERT_FALSE(recordedErrors().empty());
    EXPECT_EQ(recordedErrors()[0], "Buffer is empty");
}

}  // namespace
}  // namespace vos::test
