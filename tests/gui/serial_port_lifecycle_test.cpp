// The port component's life across closes and reopens: triggers kept across
// a change of port number, closing while an event waits or from inside one,
// and opening without a port number.
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/qt/form.h"
#include "serial/core/serial_codes.h"
#include "tests/gui/serial_port_fixture.h"

namespace vos::test {
namespace {

using PortLifecycle = PortFixture;

bool contains(const std::vector<std::uint16_t>& v, std::uint16_t x) {
    return std::find(v.begin(), v.end(), x) != v.end();
}

TEST_F(PortLifecycle, APortNumberChangeKeepsEveryTriggerHandle) {
    addPort(3);
    PtyPair& pty4 = addPort(4);
    auto port = makePort(3);
    port->setOpen(true);
    const std::uint16_t timer = port->NewTimerTrigger();
    const std::uint16_t sent = port->NewStatusTrigger(serial::kStatusOutSent);
    EXPECT_EQ(timer, 8);
    EXPECT_EQ(sent, 16 + serial::kStatusOutSent);

    port->setComNumber(4);
    ASSERT_TRUE(port->Open());
    EXPECT_EQ(port->ComNumber(), 4);
    std::vector<std::uint16_t> timers, statuses;
    port->OnTriggerTimer = [&](serial::TSerialComPort&, std::uint16_t h) { timers.push_back(h); };
    port->OnTriggerStatus = [&](serial::TSerialComPort&, std::uint16_t h) { statuses.push_back(h); };
    port->ArmTimerTrigger(timer, 1, true);
    port->ArmStatusTrigger(sent, 0, true);
    const std::uint8_t byte = 0x41;
    port->SendBlock(&byte, 1);
    EXPECT_TRUE(waitUntil([&] { return contains(timers, timer) && contains(statuses, sent); }));
    EXPECT_EQ(pty4.read(1), std::vector<std::uint8_t>{0x41});

    auto other = makePort(3);
    EXPECT_NO_THROW(other->setOpen(true));  // the old device was released

    port->DropTrigger(timer);
    expectRaises<serial::EBadTriggerHandle>([&] { port->ArmTimerTrigger(timer, 1, true); }, "Bad trigger handle");
}

TEST_F(PortLifecycle, TriggersOutliveAFailedReopen) {
    addPort(3);
    auto port = makePort(3);
    port->setOpen(true);
    const std::uint16_t timer = port->NewTimerTrigger();
    expectRaises<serial::EBadId>([&] { port->setComNumber(9); }, "ie_BadId - Specified comport doesn't exist");
    EXPECT_FALSE(port->Open());
    port->setComNumber(3);  // closed: only stored
    EXPECT_FALSE(port->Open());
    port->setOpen(true);
    EXPECT_NO_THROW(port->ArmTimerTrigger(timer, 1, true));
}

TEST_F(PortLifecycle, ClosingServesTheEventTheDispatcherIsBlockedOn) {
    PtyPair& pty = addPort(3);
    auto port = makePort(3);
    struct Seen {
        serial::TPortState state;
        bool open;
        std::uint8_t byte;
    };
    std::vector<Seen> seen;
    port->OnTriggerAvail = [&](serial::TSerialComPort& cp, std::uint16_t) {
        seen.push_back({cp.PortState(), cp.Open(), cp.TakeByte()});
    };
    port->setOpen(true);
    ASSERT_TRUE(pty.write(bytesOf("x")));
    // The GUI thread serves nothing: the event waits in the hand-over.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (handover_.pendingCount() == 0 && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(handover_.pendingCount(), 1);

    port->setOpen(false);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].state, serial::psShuttingDown);
    EXPECT_TRUE(seen[0].open);
    EXPECT_EQ(seen[0].byte, 0);  // reads return 0 while shutting down
    EXPECT_EQ(port->PortState(), serial::psClosed);
    EXPECT_FALSE(port->Open());
    EXPECT_TRUE(recordedErrors().empty());
}

TEST_F(PortLifecycle, ACloseFromInsideAnEventFinishesAfterIt) {
    PtyPair& pty = addPort(3);
    auto port = makePort(3);
    std::vector<std::string> trace;
    port->OnTriggerAvail = [&](serial::TSerialComPort& cp, std::uint16_t) {
        cp.setOpen(false);
        trace.push_back(cp.PortState() == serial::psShuttingDown && cp.Open() ? "shutting down" : "?");
        trace.push_back(cp.TakeByte() == 0 ? "read 0" : "read");
        const std::uint8_t byte = 1;
        cp.SendBlock(&byte, 1);  // ignored, no error
    };
    port->AddUserNotification(this, [&](bool opened) { trace.push_back(opened ? "opened" : "closed"); });
    port->OnPortClose = [&](serial::TSerialComPort&) { trace.push_back("OnPortClose"); };
    port->setOpen(true);
    ASSERT_TRUE(pty.write(bytesOf("x")));
    EXPECT_TRUE(waitUntil([&] { return port->PortState() == serial::psClosed; }));
    EXPECT_FALSE(port->Open());
    EXPECT_EQ(trace, (std::vector<std::string>{"opened", "shutting down", "read 0", "closed", "OnPortClose"}));
    EXPECT_TRUE(recordedErrors().empty());

    port->setOpen(true);  // and it opens again
    EXPECT_EQ(port->PortState(), serial::psOpen);
}

TEST_F(PortLifecycle, APortChangeFromInsideAnEventReopensAfterIt) {
    PtyPair& pty3 = addPort(3);
    PtyPair& pty4 = addPort(4);
    auto port = makePort(3);
    std::vector<std::uint8_t> got;
    port->OnTriggerAvail = [&](serial::TSerialComPort& cp, std::uint16_t count) {
        for (int i = 0; i < count; ++i) got.push_back(cp.TakeByte());
        if (cp.ComNumber() == 3) cp.setComNumber(4);
    };
    port->setOpen(true);
    ASSERT_TRUE(pty3.write(bytesOf("a")));
    EXPECT_TRUE(waitUntil([&] { return port->ComNumber() == 4 && port->PortState() == serial::psOpen; }));
    ASSERT_TRUE(pty4.write(bytesOf("b")));
    EXPECT_TRUE(waitUntil([&] { return got.size() >= 2; }));
    EXPECT_EQ(got, bytesOf("ab"));
}

// The selection dialog shown by an open without a port number.
class PortPrompt : public PortFixture {
protected:
    // A form of the test's own comes first: the program's first form is its
    // main window, and closing that would end the program.
    Form main_{"TestMain", FormStyle::Borderless};

    // While the dialog is up, `act` is run on it once.
    void onDialog(std::function<void(QWidget&)> act) {
        auto* timer = new QTimer(qApp);
        QObject::connect(timer, &QTimer::timeout, timer, [timer, act] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w->objectName() == "ComSelectForm" && w->isVisible()) {
                    timer->stop();
                    timer->deleteLater();
                    act(*w);
                    return;
                }
            }
        });
        timer->start(5);
    }
};

TEST_F(PortPrompt, CancellingTheDialogLeavesThePortClosedAndUnset) {
    addPort(3);
    addPort(4);
    auto port = makePort(0);
    QStringList listed;
    onDialog([&](QWidget& dialog) {
        auto* combo = dialog.findChild<QComboBox*>("PortsComboBox");
        for (int i = 0; combo && i < combo->count(); ++i) listed << combo->itemText(i);
        dialog.findChild<QPushButton*>("AbortBtn")->click();
    });
    expectRaises<serial::ENoPortSelected>([&] { port->setOpen(true); },
                                  "The ComNumber property of the TSerialComPort has not been set");
    EXPECT_EQ(listed, (QStringList{"COM3", "COM4"}));
    EXPECT_FALSE(port->Open());
    EXPECT_EQ(port->ComNumber(), 0);
}

TEST_F(PortPrompt, ClosingTheDialogWindowCountsAsCancel) {
    addPort(3);
    auto port = makePort(0);
    onDialog([](QWidget& dialog) { dialog.close(); });
    EXPECT_THROW(port->setOpen(true), serial::ENoPortSelected);
    EXPECT_FALSE(port->Open());
}

TEST_F(PortPrompt, OkOpensTheChosenPort) {
    addPort(3);
    PtyPair& pty4 = addPort(4);
    auto port = makePort(0);
    onDialog([](QWidget& dialog) {
        dialog.findChild<QComboBox*>("PortsComboBox")->setCurrentIndex(1);
        dialog.findChild<QPushButton*>("OkBtn")->click();
    });
    port->setOpen(true);
    EXPECT_TRUE(port->Open());
    EXPECT_EQ(port->ComNumber(), 4);
    const std::uint8_t byte = 0x33;
    port->SendBlock(&byte, 1);
    EXPECT_EQ(pty4.read(1), std::vector<std::uint8_t>{0x33});
}

TEST_F(PortPrompt, WithoutPromptForPortNoDialogIsShown) {
    addPort(3);
    auto port = makePort(0);
    port->setPromptForPort(false);
    bool asked = false;
    port->selectPort = [&] {
        asked = true;
        return 3;
    };
    EXPECT_THROW(port->setOpen(true), serial::ENoPortSelected);
    EXPECT_FALSE(asked);
    EXPECT_FALSE(port->Open());
}

}  // namespace
}  // namespace vos::test
