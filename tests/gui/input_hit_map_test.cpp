// Presses on the panel picture: the frames shown, the codes sent, the button
// flags, over real frames on an offscreen form.
#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>
#include <QWindow>

#include <string>
#include <vector>

#include "input/hit_map.h"
#include "input/keyboard.h"
#include "input/zoom.h"
#include "panel/screen.h"
#include "platform/qt/form.h"
#include "platform/qt/guard.h"  // vos::Error
#include "platform/qt/shape.h"

namespace vos {
namespace {

class RecordingSink : public input::ByteSink {
public:
    void SendBlock(const std::uint8_t* data, std::uint16_t len) override {
        if (!open) throw Error("ie_NOpen - device not open");
        bytes.insert(bytes.end(), data, data + len);
    }
    bool canSendIdle() const override { return open; }
    std::vector<std::uint8_t> bytes;
    bool open = true;
};

using Bytes = std::vector<std::uint8_t>;

class HitMapTest : public ::testing::Test {
protected:
    HitMapTest() { hitMap.setKeyboard(keyboard); }

    std::vector<int> shownFrames() {
        std::vector<int> out;
        for (int i = 0; i < 120; ++i)
            if (hitMap.frame(i).visible()) out.push_back(i);
        return out;
    }

    Form form{"TForm1", FormStyle::Borderless};
    input::HitMap hitMap{form};
    panel::Screen screen{form};
    input::Zoom zoom{form, screen};
    RecordingSink sink;
    input::Keyboard keyboard{sink, zoom, screen};
};

TEST_F(HitMapTest, FramesAreCreatedAsDesigned) {
    for (int i = 0; i < 120; ++i) {
        const std::string name = "Shape" + std::to_string(i);
        Shape* s = dynamic_cast<Shape*>(form.find(name));
        ASSERT_NE(s, nullptr) << name;
        EXPECT_EQ(s, &hitMap.frame(i));
        EXPECT_EQ(s->kind(), ShapeKind::RoundSquare) << name;
        EXPECT_TRUE(s->brushClear()) << name;
        EXPECT_EQ(s->penWidth(), 2) << name;
        EXPECT_EQ(s->penColor(), design::colors::White) << name;
        EXPECT_FALSE(s->visible()) << name;
        EXPECT_EQ(s->width(), i >= 116 ? 44 : 36) << name;
    }
    EXPECT_EQ(hitMap.frame(56).bounds(), (design::Bounds{73, 393, 36, 36}));
    EXPECT_EQ(hitMap.frame(117).bounds(), (design::Bounds{629, 494, 44, 44}));
}

TEST_F(HitMapTest, ActivationColorsTheThirtySixFrames) {
    hitMap.colorActivationFrames();
    int colored = 0;
    for (int i = 0; i < 120; ++i) {
        const bool pad = i >= 32 && i <= 55;
        const bool block = (i >= 83 && i <= 115) && (i % 10 >= 3 && i % 10 <= 5);
        const design::Rgb want = pad || block ? design::Rgb{226, 220, 172} : design::colors::White;
        EXPECT_EQ(hitMap.frame(i).penColor(), want) << i;
        colored += pad || block;
    }
    EXPECT_EQ(colored, 36);
}

struct PressCase {
    const char* what;
    MouseButton button;
    bool shift;
    int x, y;
    Bytes sent;
    std::vector<int> frames;
};

TEST_F(HitMapTest, PressesOfBothMaps) {
    using B = MouseButton;
    const std::vector<PressCase> cases = {
        {"soft key 1 corner", B::Left, false, 76, 395, {0x81}, {56}},
        {"soft key 1 far corner", B::Left, false, 106, 427, {0x81}, {56}},
        {"left of soft key 1", B::Left, false, 75, 395, {}, {}},
        {"right of soft key 1", B::Left, false, 107, 395, {}, {}},
        {"between soft keys 1 and 2", B::Left, false, 110, 400, {}, {}},
        {"above soft key 1", B::Left, false, 80, 394, {}, {}},
        {"soft key 2", B::Left, false, 130, 410, {0x80}, {57}},
        {"soft key 9", B::Left, false, 400, 410, {0x98}, {64}},
        {"soft key 10", B::Left, false, 456, 427, {0x99}, {65}},
        {"row B col 1", B::Left, false, 90, 450, {}, {66}},
        {"machine row 1 col 1", B::Left, false, 540, 60, {}, {0}},
        {"machine row 1 col 2", B::Left, false, 570, 60, {0x11}, {1}},
        {"machine row 1 col 8", B::Left, false, 830, 83, {0x17}, {7}},
        {"machine row 2 col 2", B::Left, false, 562, 90, {0x19}, {9}},
        {"machine row 2 col 8", B::Left, false, 800, 100, {0x1F}, {15}},
        {"machine row 3 col 1", B::Left, false, 530, 150, {0x40}, {16}},
        {"machine row 3 col 2", B::Left, false, 595, 176, {0x41}, {17}},
        {"machine row 3 col 3", B::Left, false, 610, 160, {}, {18}},
        {"machine row 4 col 1 (no key)", B::Left, false, 540, 270, {}, {}},
        {"machine row 4 col 2", B::Left, false, 570, 270, {}, {25}},
        {"machine row 6 col 2 (no key)", B::Left, false, 570, 380, {}, {}},
        {"machine row 6 col 3", B::Left, false, 610, 380, {}, {42}},
        {"machine row 7 col 1", B::Left, false, 530, 430, {}, {48}},
        {"large key 1", B::Left, false, 633, 534, {}, {117}},
        {"large key 3", B::Left, false, 794, 496, {}, {119}},
        {"row E col 8 normal", B::Left, false, 360, 610, {}, {103}},
        {"row E col 8 right", B::Right, false, 360, 610, {0xB7}, {106}},
        {"row E col 8 shift+left", B::Left, true, 360, 610, {0xB7}, {106}},
        {"row E col 8 shift+middle", B::Middle, true, 360, 610, {0xB7}, {106}},
        {"row C col 1 right", B::Right, false, 76, 511, {0xA5}, {106}},
        {"row D col 6 right (0x90)", B::Right, false, 280, 570, {0x90}, {106}},
        {"row F col 1 right", B::Right, false, 80, 650, {}, {106}},
        {"row F col 7 right", B::Right, false, 320, 660, {0xA0}, {106}},
        {"row F col 10 right", B::Right, false, 440, 660, {}, {106}},
        {"between row F cols right", B::Right, false, 108, 660, {}, {106}},
        {"right outside the pad, row C band", B::Right, false, 600, 520, {}, {106}},
        {"right on large key in row C band", B::Right, false, 650, 520, {}, {106}},
        {"right on large key above row C", B::Right, false, 650, 500, {}, {}},
        {"right on soft key", B::Right, false, 76, 395, {}, {}},
        {"right on row B", B::Right, false, 90, 450, {}, {}},
        {"right on machine row 1", B::Right, false, 570, 60, {}, {}},
        {"right on machine row 7", B::Right, false, 530, 430, {}, {}},
        {"middle on soft key", B::Middle, false, 76, 395, {}, {}},
        {"middle on row E", B::Middle, false, 360, 610, {}, {}},
    };
    for (const auto& c : cases) {
        sink.bytes.clear();
        hitMap.FormMouseDownAt(c.button, ShiftState{.shift = c.shift}, c.x, c.y);
        EXPECT_EQ(sink.bytes, c.sent) << c.what;
        EXPECT_EQ(shownFrames(), c.frames) << c.what;
        hitMap.FormMouseUp(c.button);
        EXPECT_TRUE(shownFrames().empty()) << c.what;
    }
}

TEST_F(HitMapTest, FrameStaysUntilReleaseOfAnyButton) {
    hitMap.FormMouseDownAt(MouseButton::Left, {}, 570, 60);
    EXPECT_TRUE(hitMap.frame(1).visible());
    hitMap.FormMouseDownAt(MouseButton::Middle, {}, 10, 10);  // a second button meanwhile
    EXPECT_TRUE(hitMap.frame(1).visible());
    hitMap.FormMouseUp(MouseButton::Middle);
    EXPECT_FALSE(hitMap.frame(1).visible());
    EXPECT_EQ(sink.bytes, Bytes{0x11});
}

TEST_F(HitMapTest, DoubleClickSendsTwice) {
    for (bool dbl : {false, true}) {
        hitMap.FormMouseDownAt(MouseButton::Left, ShiftState{.left = true, .doubleClick = dbl}, 240, 410);
        hitMap.FormMouseUp(MouseButton::Left);
    }
    EXPECT_EQ(sink.bytes, (Bytes{0x84, 0x84}));
}

TEST_F(HitMapTest, ButtonFlagsAndLatch) {
    hitMap.FormMouseDownAt(MouseButton::Right, {}, 600, 60);  // nothing matched
    EXPECT_TRUE(keyboard.rightButton);
    EXPECT_TRUE(keyboard.shiftLatch);
    hitMap.FormMouseUp(MouseButton::Right);
    EXPECT_TRUE(keyboard.shiftLatch);

    hitMap.FormMouseDownAt(MouseButton::Left, {}, 76, 395);
    EXPECT_TRUE(keyboard.shiftLatch);  // a normal press leaves the latch
    hitMap.FormMouseUp(MouseButton::Left);
    EXPECT_FALSE(keyboard.rightButton);
    EXPECT_FALSE(keyboard.shiftLatch);

    hitMap.FormMouseDownAt(MouseButton::Middle, {}, 76, 395);
    EXPECT_FALSE(keyboard.shiftLatch);  // middle without Shift does nothing
    hitMap.FormMouseDownAt(MouseButton::Left, {.shift = true}, 1, 1);
    EXPECT_TRUE(keyboard.shiftLatch);
    EXPECT_FALSE(keyboard.rightButton);
}

TEST_F(HitMapTest, FailedSendEndsThePressAfterTheFrameWasShown) {
    sink.open = false;
    EXPECT_THROW(hitMap.FormMouseDownAt(MouseButton::Right, {}, 360, 610), Error);
    EXPECT_TRUE(hitMap.frame(106).visible());
    EXPECT_FALSE(keyboard.shiftLatch);  // the press handling ended at the send
    hitMap.FormMouseUp(MouseButton::Right);
    EXPECT_FALSE(hitMap.frame(106).visible());
}

TEST_F(HitMapTest, RealPressesUseThePointerAndTheBigScreenTakesThem) {
    // Wired as the main window does: the event's own coordinates are ignored.
    form.setClientSize(870, 720);
    form.onMouseDown = [&](MouseButton b, ShiftState s, int, int) { hitMap.FormMouseDown(b, s); };
    form.onMouseUp = [&](MouseButton b, ShiftState, int, int) { hitMap.FormMouseUp(b); };
    form.show();
    QWidget* top = hitMap.frame(0).widget()->window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(top));
    QWindow* win = top->windowHandle();
    ASSERT_NE(win, nullptr);

    QTest::mousePress(win, Qt::LeftButton, {}, QPoint(76, 395));
    EXPECT_EQ(sink.bytes, Bytes{0x81});
    EXPECT_EQ(shownFrames(), std::vector<int>{56});
    QTest::mouseRelease(win, Qt::LeftButton, {}, QPoint(300, 300));
    EXPECT_TRUE(shownFrames().empty());

    QTest::mousePress(win, Qt::LeftButton, Qt::ShiftModifier, QPoint(360, 610));
    EXPECT_EQ(sink.bytes, (Bytes{0x81, 0xB7}));
    EXPECT_EQ(shownFrames(), std::vector<int>{106});
    QTest::mouseRelease(win, Qt::LeftButton, Qt::ShiftModifier, QPoint(360, 610));

    // The ZOOM area takes its press; the big screen then covers every key.
    QTest::mousePress(win, Qt::RightButton, {}, QPoint(20, 60));
    QTest::mouseRelease(win, Qt::RightButton, {}, QPoint(20, 60));
    ASSERT_TRUE(zoom.ModeZoom());
    sink.bytes.clear();
    for (QPoint p : {QPoint(76, 395), QPoint(570, 60), QPoint(360, 610)}) {
        QTest::mousePress(win, Qt::LeftButton, {}, p);
        EXPECT_TRUE(shownFrames().empty());
        QTest::mouseRelease(win, Qt::LeftButton, {}, p);
    }
    EXPECT_TRUE(sink.bytes.empty());
    QTest::mousePress(win, Qt::LeftButton, {}, QPoint(20, 60));
    QTest::mouseRelease(win, Qt::LeftButton, {}, QPoint(20, 60));
    EXPECT_FALSE(zoom.ModeZoom());
    form.hide();
}

TEST_F(HitMapTest, WithoutKeyboardPressesOnlyShowFrames) {
    Form other{"Other", FormStyle::Borderless};
    input::HitMap lone{other};
    lone.FormMouseDownAt(MouseButton::Right, {}, 320, 660);
    EXPECT_TRUE(lone.frame(106).visible());
    lone.FormMouseUp(MouseButton::Right);
    EXPECT_FALSE(lone.frame(106).visible());
}

}  // namespace
}  // namespace vos
