// The real main window on pseudo-terminals: bytes from the control reach the
// screen and the lamps, keys and soft-key clicks go out among the idle bytes
// in order, a port change moves the whole link while the old port serves on
// until the new one is open, and the link's refusals (line lost, port held
// elsewhere).
#include "tests/support/main_window.h"

#include <QClipboard>
#include <QCursor>
#include <QGuiApplication>
#include <QWindow>

#include "app/form1_design.h"
#include "input/hit_map.h"
#include "input/hit_map_tables.h"
#include "input/zoom.h"
#include "panel/lamps.h"
#include "panel/screen.h"
#include "platform/qt/guard.h"
#include "platform/qt/label.h"
#include "platform/qt/list_controls.h"
#include "platform/qt/shape.h"
#include "serial/core/serial_errors.h"
#include "serial/port_component.h"
#include "tests/support/expect_raises.h"

namespace vos::test {
namespace {

constexpr const char* kAlreadyOpen = "ie_Open - device already open";

class MainWindowLinkTest : public MainWindowTest {
protected:
    // The window started on COM1 with the configuration's port 1.
    PtyPair& startOnCom1() {
        PtyPair& com1 = addPort(1);
        writeIni(iniText(1, ""));
        buildAndShow();
        EXPECT_TRUE(waitUntil([&] { return linkUp(1); })) << statusText();
        EXPECT_TRUE(recordedMessages().empty());
        return com1;
    }

    // Reads until `count` more idle bytes have come after what `line` holds.
    bool moreIdleBytes(PtyPair& pty, Bytes& line, std::size_t count) {
        const std::size_t before = zeros(line);
        return receiveUntil(pty, line, [&](const Bytes& b) { return zeros(b) >= before + count; });
    }
};

TEST_F(MainWindowLinkTest, BytesFromTheControlReachTheScreenAndTheLamps) {
    PtyPair& com1 = startOnCom1();
    app::TForm1& f = *form1;
    panel::Screen& screen = f.screen();
    panel::LampBank& lamps = f.lamps();
    ASSERT_FALSE(lamps.led(16).visible());

    // Clear, blinking cursor, "AB", Led16 (group 64, bit 0), Led41 and Led42
    // (group 112, bits 0 and 2), Led02 (selector 16).
    ASSERT_TRUE(com1.write(Bytes{0x83, 0x84, 0xC1, 0xC2, 0x41, 0x75, 0x12}));
    ASSERT_TRUE(waitUntil([&] { return lamps.led(2).visible(); }));

    EXPECT_EQ(screen.lineText(1), "AB" + std::string(38, ' '));
    for (int n = 2; n <= panel::Screen::kRows; ++n) EXPECT_EQ(screen.lineText(n), std::string(40, ' ')) << n;
    EXPECT_EQ(screen.LigneCurseur, 1);
    EXPECT_EQ(screen.ColonneCurseur, 3);
    EXPECT_TRUE(screen.ClignotementCurseur);
    for (int i : {2, 16, 41, 42}) EXPECT_TRUE(lamps.led(i).visible()) << "Led" << i;
    for (int i : {0, 1, 17, 18, 19, 40}) EXPECT_FALSE(lamps.led(i).visible()) << "Led" << i;

    // A sequence split over several writes reads as one: home, "Z" over the
    // A, then the lamps of group 64 off.
    ASSERT_TRUE(com1.write(Bytes{0x8C}));
    ASSERT_TRUE(com1.write(Bytes{0xDA}));
    ASSERT_TRUE(com1.write(Bytes{0x40}));
    ASSERT_TRUE(waitUntil([&] { return !lamps.led(16).visible(); }));
    EXPECT_EQ(screen.lineText(1).substr(0, 3), "ZB ");
    EXPECT_EQ(screen.ColonneCurseur, 2);
    EXPECT_TRUE(recordedMessages().empty());
}

TEST_F(MainWindowLinkTest, KeysAndSoftKeyClicksGoOutAmongTheIdleBytesInOrder) {
    PtyPair& com1 = startOnCom1();
    app::TForm1& f = *form1;
    QWidget* window = f.form().window();
    QWindow* win = window->windowHandle();
    ASSERT_NE(win, nullptr);
    Bytes line;
    ASSERT_TRUE(moreIdleBytes(com1, line, 10));
    ASSERT_TRUE(nonZero(line).empty());

    QTest::keyClick(window, Qt::Key_F3);  // 0x82
    ASSERT_TRUE(moreIdleBytes(com1, line, 5));
    QTest::keyClick(window, Qt::Key_A);  // 'a' -> 0xC1
    ASSERT_TRUE(moreIdleBytes(com1, line, 5));
    // Keys outside the tables send nothing; Escape changes screen only;
    // Ctrl+C copies the screen.
    QTest::keyClick(window, Qt::Key_U);
    QTest::keyClick(window, Qt::Key_Return);
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(window, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text().split('\n').value(app::kBannerLine - 1).toStdString(),
              f.screen().lineText(app::kBannerLine));
    QTest::keyClick(window, Qt::Key_Escape);
    ASSERT_TRUE(f.zoom().ModeZoom());
    QTest::keyClick(window, Qt::Key_Escape);
    ASSERT_FALSE(f.zoom().ModeZoom());
    ASSERT_TRUE(moreIdleBytes(com1, line, 5));

    // Soft key 1: the hit map reads the pointer, so it is put there first.
    const design::hitmap::LeftRow& rowA = design::hitmap::kLeftRows[0];
    const design::hitmap::Column& col1 = design::hitmap::kLeftColumns[0];
    const QPoint p((col1.x.lo + col1.x.hi) / 2, (rowA.y.lo + rowA.y.hi) / 2);
    QCursor::setPos(window->mapToGlobal(p));
    QTest::mousePress(win, Qt::LeftButton, {}, p);
    EXPECT_TRUE(f.hitMap().frame(rowA.firstFrame).visible());
    QTest::mouseRelease(win, Qt::LeftButton, {}, p);
    EXPECT_FALSE(f.hitMap().frame(rowA.firstFrame).visible());
    ASSERT_TRUE(moreIdleBytes(com1, line, 5));

    EXPECT_EQ(nonZero(line), (Bytes{0x82, 0xC1, design::hitmap::kSoftKeyCodes[0]}));
    // Idle bytes before, between and after the codes.
    std::vector<std::size_t> at;
    for (std::size_t i = 0; i < line.size(); ++i)
        if (line[i] != 0) at.push_back(i);
    ASSERT_EQ(at.size(), 3u);
    EXPECT_GT(at[0], 0u);
    EXPECT_GT(at[1], at[0] + 1);
    EXPECT_GT(at[2], at[1] + 1);
    EXPECT_GT(line.size(), at[2] + 1);
    EXPECT_TRUE(recordedMessages().empty());
}

// The operator chooses COM2: the whole link (idle stream, the control's
// bytes, the status) moves to COM2 and COM1 falls silent; the choice and then
// a speed reach the configuration file at once.
TEST_F(MainWindowLinkTest, APortChangeMovesTheLinkOnceTheNewPortIsOpen) {
    PtyPair& com1 = startOnCom1();
    PtyPair& com2 = addPort(2);
    app::TForm1& f = *form1;
    clickPorts();  // the search at start-up ran before COM2 existed
    ASSERT_EQ(control<ComboBox>("ComboBox_NoCom").count(), 2);

    choosePort(2);
    ASSERT_TRUE(waitUntil([&] { return linkUp(2); })) << statusText();
    ASSERT_TRUE(recordedMessages().empty()) << recordedMessages().front().second;
    EXPECT_EQ(statusText(), "COM2 9600");
    EXPECT_EQ(control<ComboBox>("ComboBox_NoCom").itemIndex(), 1);

    Bytes line2;
    ASSERT_TRUE(moreIdleBytes(com2, line2, 20));
    com1.readUntilQuiet(50);
    serveEventsFor(std::chrono::milliseconds(100));
    EXPECT_TRUE(com1.readUntilQuiet(50).empty());
    ASSERT_TRUE(com2.write(Bytes{0x83, 0xC3}));
    ASSERT_TRUE(waitUntil([&] { return f.screen().lineText(1)[0] == 'C'; }));
    EXPECT_TRUE(recordedMessages().empty());

    // The choice is in the configuration file at once, and so is a speed.
    const auto port = [&] { return iniSection(test::Slurp(iniPath()), "Port"); };
    EXPECT_TRUE(waitUntil([&] { return port()["Com"] == "2"; })) << test::Slurp(iniPath());
    chooseSpeed(1);
    EXPECT_TRUE(waitUntil([&] { return port()["Bauds"] == "19200"; })) << test::Slurp(iniPath());
    EXPECT_EQ(statusText(), "COM2 19200");
}

// The line is lost: the first key of each outage gets one French message,
// the next ones none, and nothing reaches the line.
TEST_F(MainWindowLinkTest, KeysOnALostLineAreRefusedOncePerOutage) {
    PtyPair* com1 = &startOnCom1();
    app::TForm1& f = *form1;
    for (int outage = 1; outage <= 2; ++outage) {
        SCOPED_TRACE(outage);
        std::filesystem::remove(folder.path() + "Ports/COM1");
        com1->closeMaster();
        ASSERT_TRUE(waitForStatus("COM1 LIAISON PERDUE"));
        for (int i = 0; i < 3; ++i) QTest::keyClick(f.form().window(), Qt::Key_F3);
        serveEventsFor(std::chrono::milliseconds(300));
        ASSERT_EQ(recordedErrors().size(), static_cast<std::size_t>(outage));
        EXPECT_NE(recordedErrors().back().find("Liaison perdue avec la commande (COM1) : la touche n'a pas été envoyée"),
                  std::string::npos)
            << recordedErrors().back();
        com1 = &addPort(1);  // the line comes back by itself
        ASSERT_TRUE(waitUntil([&] { return linkUp(1); })) << statusText();
        Bytes line;
        ASSERT_TRUE(moreIdleBytes(*com1, line, 5));
        EXPECT_TRUE(nonZero(line).empty()) << "a refused key went out";
    }
}

// A port that another process holds is present for the search, and choosing
// it is refused with the component's own error, once; the port is then the
// configured one and opens by itself once the other process lets it go.
TEST_F(MainWindowLinkTest, APortHeldElsewhereIsRefusedOnceThenOpensByItself) {
    PtyPair& com1 = startOnCom1();
    PtyPair& com2 = addPort(2);
    HeldPort holder(com2.slavePath());
    ASSERT_TRUE(holder.held());
    clickPorts();
    ASSERT_EQ(control<ComboBox>("ComboBox_NoCom").count(), 2);

    choosePort(2);
    ASSERT_TRUE(waitUntil([&] { return !recordedErrors().empty(); }));
    EXPECT_EQ(recordedErrors(), std::vector<std::string>{kAlreadyOpen});
    EXPECT_EQ(statusText(), "COM2 NON DISPONIBLE");
    EXPECT_FALSE(okLit());
    com1.readUntilQuiet(50);
    serveEventsFor(std::chrono::milliseconds(200));
    EXPECT_TRUE(com1.readUntilQuiet(50).empty()) << "COM1 still sends";

    holder.release();
    ASSERT_TRUE(waitUntil([&] { return linkUp(2); })) << statusText();
    Bytes line;
    EXPECT_TRUE(moreIdleBytes(com2, line, 10));
    EXPECT_EQ(recordedErrors().size(), 1u);
}

TEST_F(MainWindowLinkTest, ASecondPortComponentCannotOpenTheWindowsPort) {
    PtyPair& com1 = startOnCom1();
    serial::TSerialComPort second(folder.path());
    second.setAutoOpen(false);
    second.setComNumber(1);
    expectRaises<serial::EAlreadyOpen>([&] { second.setOpen(true); }, kAlreadyOpen);
    EXPECT_FALSE(second.Open());
    // The window's link is untouched.
    Bytes line;
    ASSERT_TRUE(moreIdleBytes(com1, line, 10));
    EXPECT_TRUE(linkUp(1));
}

}  // namespace
}  // namespace vos::test
