// A finger on the real main window, through Qt's touch events: a tap on a
// key shows its frame while the finger is down and sends its code once, at
// the release; a finger held still for half a second is a right press (the
// shifted map), in full screen too; a tap on a command area is a click. Qt
// makes mouse events of touches nobody takes: the counts below catch a press
// handled twice.
#include "tests/support/main_window.h"

#include <QPointingDevice>

#include "app/aux_commands.h"
#include "app/port_link.h"
#include "input/hit_map.h"
#include "input/zoom.h"
#include "platform/qt/label.h"
#include "platform/qt/shape.h"
#include "serial/port_selection.h"

namespace vos::test {
namespace {

// A finger held this long without moving is a right press.
constexpr int kHoldMs = 500;

QPointingDevice* touchScreen() {
    static QPointingDevice* device = QTest::createTouchDevice();
    return device;
}

class TouchTest : public MainWindowTest {
protected:
    app::TForm1& start() {
        com1_ = &addPort(1);
        writeIni(iniText(1, "num760f.jpg"));
        writeSkin("num760f.jpg", QColor(40, 70, 110));
        writeSkin("num760t.jpg", QColor(110, 70, 40));
        return buildAndShow();
    }
    QWidget* window() { return form1->form().window(); }
    void fingerDown(QPoint p) { QTest::touchEvent(window(), touchScreen()).press(0, p, window()); }
    void fingerUp(QPoint p) { QTest::touchEvent(window(), touchScreen()).release(0, p, window()); }
    void tap(QPoint p) {
        fingerDown(p);
        fingerUp(p);
    }
    // The codes received so far, idle bytes left out.
    Bytes codes() {
        drain(*com1_, received_);
        return nonZero(received_);
    }
    bool codesBecome(const Bytes& want) {
        return waitUntil([&] { return codes() == want; });
    }

    PtyPair* com1_ = nullptr;
    Bytes received_;
};

TEST_F(TouchTest, ATapOnAKeyShowsItsFrameWhileDownAndSendsItsCodeOnce) {
    app::TForm1& f = start();
    const QPoint softKey1(91, 411);
    Shape& frame = f.hitMap().frame(input::normalHit(91, 411)->frame);
    fingerDown(softKey1);
    EXPECT_TRUE(frame.visible());
    serveEventsFor(std::chrono::milliseconds(100));
    EXPECT_EQ(codes(), Bytes{}) << "the code goes at the release";
    fingerUp(softKey1);
    EXPECT_FALSE(frame.visible());
    EXPECT_TRUE(codesBecome({0x81}));
    tap(softKey1);  // a second tap, a second code
    EXPECT_TRUE(codesBecome({0x81, 0x81}));
    serveEventsFor(std::chrono::milliseconds(300));
    EXPECT_EQ(codes(), (Bytes{0x81, 0x81})) << "a tap sent twice";
}

// Row F column 7 shows a blue character: its shifted code 0xA0. Soft key 1
// has none in the shifted map: held, it sends nothing, not even its own;
// unless the finger moves.
TEST_F(TouchTest, AFingerHeldStillIsARightPress) {
    app::TForm1& f = start();
    const QPoint rowF7(325, 660);
    const int normalFrame = input::normalHit(325, 660)->frame;
    fingerDown(rowF7);
    EXPECT_TRUE(f.hitMap().frame(normalFrame).visible());
    ASSERT_TRUE(waitUntil([&] { return f.hitMap().frame(design::hitmap::kShiftedFrame).visible(); }));
    EXPECT_FALSE(f.hitMap().frame(normalFrame).visible());
    EXPECT_TRUE(codesBecome({0xA0}));
    fingerUp(rowF7);
    EXPECT_FALSE(f.hitMap().frame(design::hitmap::kShiftedFrame).visible());

    fingerDown({91, 411});
    serveEventsFor(std::chrono::milliseconds(kHoldMs + 300));
    fingerUp({91, 411});
    serveEventsFor(std::chrono::milliseconds(300));
    EXPECT_EQ(codes(), Bytes{0xA0});

    // A finger that moves is no long press: it stays the left press it began as.
    fingerDown({91, 411});
    QTest::touchEvent(window(), touchScreen()).move(0, {100, 420}, window());
    serveEventsFor(std::chrono::milliseconds(kHoldMs + 300));
    fingerUp({100, 420});
    EXPECT_TRUE(codesBecome({0xA0, 0x81}));
}

// Full screen: the panel scaled and centred in a window as large as the
// screen; the finger finds the keys at their scaled places (window points
// here), a tap and a hold alike, and a touch in the margin is no key.
TEST_F(TouchTest, InFullScreenTheFingerFindsTheKeysAtTheirScaledPlaces) {
    app::TForm1& f = start();
    f.setFullScreen(true);
    ASSERT_TRUE(waitUntil([&] { return window()->width() == f.form().screenWidth(); }));
    const QPoint origin = window()->mapFromGlobal(QPoint(f.form().left(), f.form().top()));
    ASSERT_GT(origin.x() + origin.y(), 0) << "no margin on this screen";
    const double scale = static_cast<double>(f.form().clientWidth()) / design::kClientWidth;
    const auto at = [&](int x, int y) {
        return origin + QPoint(static_cast<int>((x + 0.5) * scale), static_cast<int>((y + 0.5) * scale));
    };
    tap(at(91, 411));
    EXPECT_TRUE(codesBecome({0x81}));
    fingerDown(at(325, 660));
    EXPECT_TRUE(codesBecome({0x81, 0xA0})) << "a hold is the shifted key";
    fingerUp(at(325, 660));
    tap(origin / 2);
    serveEventsFor(std::chrono::milliseconds(kHoldMs + 300));
    EXPECT_EQ(codes(), (Bytes{0x81, 0xA0})) << "the margin sent something";
}

TEST_F(TouchTest, ATapOnACommandAreaIsAClick) {
    app::TForm1& f = start();
    tap({20, 65});  // ZOOM
    EXPECT_TRUE(f.zoom().ModeZoom());
    tap({20, 65});
    EXPECT_FALSE(f.zoom().ModeZoom());
    const bool tour = f.machineType.EstTour;
    tap({20, 262});  // T/F
    EXPECT_NE(f.machineType.EstTour, tour);
    tap({20, 655});  // CONF
    EXPECT_TRUE(control<Label>("LabelNoCom").visible());
    tap({20, 655});
    EXPECT_FALSE(control<Label>("LabelNoCom").visible());
    EXPECT_EQ(codes(), Bytes{}) << "a command area sent a key code";
    tap({852, 66});  // FIN
    EXPECT_FALSE(f.form().visible());
    EXPECT_TRUE(appServices().quitRequested);
}

}  // namespace
}  // namespace vos::test
