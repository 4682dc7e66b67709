// A shown form on the offscreen platform, driven with real Qt input events:
// where presses go, key preview, activation, the drag areas, show and close.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include "platform/qt/form.h"
#include "platform/qt/form_impl.h"
#include "platform/qt/label.h"
#include "platform/qt/list_controls.h"
#include "platform/qt/picture.h"
#include "platform/qt/shape.h"
#include "tests/support/qt/gui_test_support.h"

namespace vos {
namespace {

struct Press {
    std::string who;
    MouseButton button;
    int x, y;
    bool shift;
};

struct FormFixture : ::testing::Test {
    Form form{"TForm1", FormStyle::Borderless};
    std::vector<Press> presses;
    std::vector<Press> releases;

    FormFixture() {
        form.setClientSize(300, 200);
        form.onMouseDown = [this](MouseButton b, ShiftState s, int x, int y) {
            presses.push_back({"form", b, x, y, s.shift});
        };
        form.onMouseUp = [this](MouseButton b, ShiftState, int x, int y) {
            releases.push_back({"form", b, x, y, false});
        };
    }
    void showForm() {
        form.show();
        ASSERT_TRUE(test::waitUntil([&] { return form.window()->windowHandle() &&
                                                 form.window()->windowHandle()->isExposed(); }));
    }
    // Input goes through the window, which finds the widget under the pointer
    // as for real input.
    QWindow* win() const { return form.window()->windowHandle(); }
    void watch(Control& c) {
        c.onMouseDown = [this, &c](MouseButton b, ShiftState s, int x, int y) {
            presses.push_back({c.name(), b, x, y, s.shift});
        };
    }
};

TEST_F(FormFixture, DisabledPicturePassesPressesToTheFormWhileALabelTakesThem) {
    Picture& fond = form.addPicture("Fond");
    fond.setBounds({0, 0, 300, 200});
    fond.loadDesignPicture();
    fond.setEnabled(false);
    watch(fond);
    Label& label = form.addLabel("LabelAide");
    label.setBounds({100, 100, 30, 30});
    label.setTransparent(true);
    watch(label);
    showForm();

    QTest::mousePress(win(), Qt::LeftButton, Qt::ShiftModifier, QPoint(20, 30));
    QTest::mouseRelease(win(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 30));
    QTest::mousePress(win(), Qt::RightButton, Qt::NoModifier, QPoint(110, 105));
    QTest::mouseRelease(win(), Qt::RightButton, Qt::NoModifier, QPoint(110, 105));

    ASSERT_EQ(presses.size(), 2u);
    EXPECT_EQ(presses[0].who, "form");
    EXPECT_EQ(presses[0].x, 20);
    EXPECT_EQ(presses[0].y, 30);
    EXPECT_TRUE(presses[0].shift);
    EXPECT_EQ(presses[1].who, "LabelAide");
    EXPECT_EQ(presses[1].button, MouseButton::Right);
    EXPECT_EQ(presses[1].x, 10);  // the label's own coordinates
    EXPECT_EQ(presses[1].y, 5);
    ASSERT_EQ(releases.size(), 1u);  // the label's release is the label's
    EXPECT_EQ(releases[0].x, 20);

    // Enabled again, the picture keeps presses for itself.
    fond.setEnabled(true);
    QTest::mouseClick(win(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 30));
    ASSERT_EQ(presses.size(), 3u);
    EXPECT_EQ(presses[2].who, "Fond");
}

TEST_F(FormFixture, HiddenControlsAndShapesFollowVisibility) {
    Shape& led = form.addShape("Led00");
    led.setBounds({50, 50, 20, 20});
    led.setKind(ShapeKind::Circle);
    watch(led);
    showForm();
    QTest::mouseClick(win(), Qt::LeftButton, Qt::NoModifier, QPoint(60, 60));
    led.hide();
    QTest::mouseClick(win(), Qt::LeftButton, Qt::NoModifier, QPoint(60, 60));
    ASSERT_EQ(presses.size(), 2u);
    EXPECT_EQ(presses[0].who, "Led00");
    EXPECT_EQ(presses[1].who, "form");
}

TEST_F(FormFixture, ReleaseReachesTheFormWhereverThePointerIs) {
    showForm();
    Label& label = form.addLabel("Other");
    label.setBounds({200, 0, 100, 100});
    QTest::mousePress(win(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 150));
    QTest::mouseRelease(win(), Qt::LeftButton, Qt::NoModifier, QPoint(250, 50));
    ASSERT_EQ(releases.size(), 1u);
    EXPECT_EQ(releases[0].x, 250);
}

TEST_F(FormFixture, LabelClickNeedsPressAndReleaseOverIt) {
    Label& l = form.addLabel("LabelFin");
    l.setBounds({10, 10, 30, 30});
    int clicks = 0, dbl = 0;
    l.onClick = [&] { ++clicks; };
    l.onDblClick = [&] { ++dbl; };
    showForm();
    QTest::mouseClick(win(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    EXPECT_EQ(clicks, 1);
    QTest::mousePress(win(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    QTest::mouseRelease(win(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    EXPECT_EQ(clicks, 1);
    QTest::mouseDClick(win(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    EXPECT_EQ(dbl, 1);
}

TEST_F(FormFixture, CursorPosInAMouseHandlerIsWhereThePressHappened) {
    std::pair<int, int> seen{-1, -1};
    form.onMouseDown = [&](MouseButton, ShiftState, int, int) { seen = form.cursorPos(); };
    showForm();
    QTest::mouseClick(win(), Qt::LeftButton, Qt::NoModifier, QPoint(123, 45));
    EXPECT_EQ(seen, (std::pair<int, int>{123, 45}));
}

TEST_F(FormFixture, PressInACaptionAreaDoesNotReachTheHandlers) {
    Label& inBand = form.addLabel("InBand");
    inBand.setBounds({250, 0, 40, 10});
    watch(inBand);
    form.onNcHitTest = [](int, int y) { return y < 14; };
    showForm();
    QTest::mousePress(win(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 5));
    QTest::mouseRelease(win(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 5));
    QTest::mouseClick(win(), Qt::LeftButton, Qt::NoModifier, QPoint(260, 5));
    QTest::mouseClick(win(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 50));
    ASSERT_EQ(presses.size(), 1u);
    EXPECT_EQ(presses[0].y, 50);
    EXPECT_EQ(releases.size(), 1u);
}

struct Key {
    std::uint16_t vk;
    int ch;
};

TEST_F(FormFixture, KeyPreviewSeesKeysOfTheFocusedComboOnceAndTheComboStillGetsThem) {
    std::vector<std::uint16_t> downs;
    std::vector<int> chars;
    form.onKeyDown = [&](std::uint16_t vk, ShiftState) { downs.push_back(vk); };
    form.onKeyPress = [&](std::uint8_t ch) { chars.push_back(ch); };
    form.setKeyPreview(true);
    ComboBox& combo = form.addComboBox("ComboBox_NoCom");
    combo.setBounds({10, 10, 100, 23});
    for (const char* s : {"COM  1", "COM  2", "COM  3"}) combo.add(s);
    combo.setItemIndex(0);
    int changes = 0;
    combo.onChange = [&] { ++changes; };
    showForm();
    combo.widget()->setFocus();
    ASSERT_TRUE(test::waitUntil([&] { return combo.widget()->hasFocus(); }));

    QTest::keyClick(combo.widget(), Qt::Key_Down);
    ASSERT_EQ(downs, std::vector<std::uint16_t>{vk::Down});
    EXPECT_EQ(combo.itemIndex(), 1);  // the combo box had the key too
    EXPECT_EQ(changes, 1);

    // Through the window, as the window system delivers keys.
    QTest::keyClick(win(), Qt::Key_Escape);
    QTest::keyClick(win(), Qt::Key_A);
    QTest::keyClick(win(), Qt::Key_F1);
    QTest::keyClick(win(), Qt::Key_Left, Qt::ShiftModifier);  // Shift is a key of its own
    EXPECT_EQ(downs, (std::vector<std::uint16_t>{vk::Down, vk::Escape, 'A', vk::F1, 0x10, vk::Left}));
    EXPECT_EQ(chars, (std::vector<int>{27, 'a'}));
}

// Key events as the X11 platform makes them (key, modifiers, text and the
// keysym as native virtual key), and what the handlers get from each.
TEST_F(FormFixture, KeyEventsOfTheWindowSystemBecomeKeysAndCharacters) {
    struct Case {
        const char* what;
        int key;
        Qt::KeyboardModifiers mods;
        QString text;
        quint32 keysym;
        std::vector<std::uint16_t> downs;
        std::vector<int> chars;
    };
    const QString nul(QChar(0));
    const std::vector<Case> cases = {
        {"Execute: no Qt key, keysym Execute", 0, {}, {}, 0xFF62, {vk::Execute}, {}},
        {"Execute named by Qt", Qt::Key_Execute, {}, {}, 0, {vk::Execute}, {}},
        {"an unknown key", 0, {}, {}, 0x1008FF2A, {}, {}},
        {"Ctrl+1 types 1", Qt::Key_1, Qt::ControlModifier, "1", '1', {'1'}, {}},
        {"Ctrl+2 types NUL", Qt::Key_2, Qt::ControlModifier, nul, '2', {'2'}, {}},
        {"Ctrl+minus", Qt::Key_Minus, Qt::ControlModifier, "-", '-', {0xBD}, {}},
        {"Ctrl+A types SOH", Qt::Key_A, Qt::ControlModifier, "\x01", 'a', {'A'}, {}},
        {"Ctrl+F3", Qt::Key_F3, Qt::ControlModifier, {}, 0xFFC0, {0x72}, {}},
        {"AltGr+à types @ (AltGr is no Ctrl on X)", Qt::Key_At, Qt::GroupSwitchModifier, "@", '@', {}, {'@'}},
        {"a dead key alone types nothing", Qt::Key_Dead_Circumflex, {}, {}, 0xFE52, {}, {}},
        {"é", Qt::Key_Eacute, {}, "\u00e9", 0xE9, {}, {0xE9}},
        {"euro sign", 0x20AC, Qt::GroupSwitchModifier, "\u20ac", 0x20AC, {}, {0x80}},
    };
    std::vector<std::uint16_t> downs;
    std::vector<int> chars;
    form.onKeyDown = [&](std::uint16_t vk, ShiftState) { downs.push_back(vk); };
    form.onKeyPress = [&](std::uint8_t ch) { chars.push_back(ch); };
    form.setKeyPreview(true);
    showForm();
    for (const Case& c : cases) {
        downs.clear();
        chars.clear();
        QKeyEvent press(QEvent::KeyPress, c.key, c.mods, 0, c.keysym, 0, c.text);
        QCoreApplication::sendEvent(form.window(), &press);
        EXPECT_EQ(downs, c.downs) << c.what;
        EXPECT_EQ(chars, c.chars) << c.what;
    }
}

bool acceptsInputMethods(QWidget* w) {
    QInputMethodQueryEvent query(Qt::ImEnabled);
    QCoreApplication::sendEvent(w, &query);
    return query.value(Qt::ImEnabled).toBool();
}

void commit(QWidget* to, const QString& text) {
    QInputMethodEvent e;
    e.setCommitString(text);
    QCoreApplication::sendEvent(to, &e);
}

// The platform composes dead keys and compose sequences only for a focus
// widget that accepts input methods, and hands the result over as a commit:
// the form and any of its widgets that takes the focus accept them, and each
// committed character reaches the handler once.
TEST_F(FormFixture, ComposedCharactersReachTheCharacterHandlerOnceWhereverTheFocusIs) {
    std::vector<int> chars;
    form.onKeyPress = [&](std::uint8_t ch) { chars.push_back(ch); };
    form.setKeyPreview(true);
    ComboBox& combo = form.addComboBox("ComboBox_NoCom");
    combo.setBounds({10, 10, 100, 23});
    combo.add("COM  1");
    showForm();
    EXPECT_TRUE(acceptsInputMethods(form.window()));
    commit(form.window(), "\u00ea");  // ^ then e
    combo.widget()->setFocus();
    ASSERT_TRUE(test::waitUntil([&] { return combo.widget()->hasFocus(); }));
    EXPECT_TRUE(acceptsInputMethods(combo.widget()));
    commit(combo.widget(), "^");  // ^ then space
    commit(combo.widget(), "a\u00e4\u20ac\u0153");  // an input method's text: a ä € œ
    QInputMethodEvent preedit("^", {});  // a sequence still being composed
    QCoreApplication::sendEvent(combo.widget(), &preedit);
    EXPECT_EQ(chars, (std::vector<int>{0xEA, '^', 'a', 0xE4, 0x80}));

    form.setKeyPreview(false);  // without preview, only what reaches the form itself
    commit(combo.widget(), "b");
    commit(form.window(), "c");
    EXPECT_EQ(chars.back(), 'c');
    EXPECT_EQ(chars.size(), 6u);
}

TEST_F(FormFixture, WithoutPreviewTheFocusedComboKeepsItsKeys) {
    int downs = 0;
    form.onKeyDown = [&](std::uint16_t, ShiftState) { ++downs; };
    ComboBox& combo = form.addComboBox("ComboBox_Bauds");
    combo.add("9600");
    combo.add("19200");
    showForm();
    combo.widget()->setFocus();
    ASSERT_TRUE(test::waitUntil([&] { return combo.widget()->hasFocus(); }));
    QTest::keyClick(combo.widget(), Qt::Key_Down);
    EXPECT_EQ(downs, 0);
}

TEST_F(FormFixture, ShowRunsOnShowThenOneActivation) {
    std::vector<std::string> events;
    form.onShow = [&] { events.push_back(form.visible() ? "show-visible" : "show"); };
    form.onActivate = [&] { events.push_back("activate"); };
    showForm();
    test::serveEventsFor(std::chrono::milliseconds(100));
    EXPECT_EQ(events, (std::vector<std::string>{"show", "activate"}));
    form.hide();
    form.show();
    test::serveEventsFor(std::chrono::milliseconds(50));
    EXPECT_EQ(events.size(), 2u) << "onShow and the first activation happen once";
}

// Coming back from another window of the program raises the activation;
// coming back after the focus left the program (no focus window) does not.
TEST_F(FormFixture, ActivationOnlyWhenFocusReturnsFromOneOfOurWindows) {
    int activations = 0;
    form.onActivate = [&] { ++activations; };
    showForm();
    ASSERT_TRUE(test::waitUntil([&] { return form.isActive(); }));
    ASSERT_EQ(activations, 1);

    QWidget other;
    other.resize(50, 50);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(test::waitUntil([&] { return other.isActiveWindow(); }));
    form.activate();
    ASSERT_TRUE(test::waitUntil([&] { return form.isActive(); }));
    EXPECT_EQ(activations, 2);

    // Another application had the focus: the program saw "no focus window".
    form.impl().focusWindowChanged(nullptr);
    form.impl().focusWindowChanged(form.window()->windowHandle());
    EXPECT_EQ(activations, 2);
}

TEST_F(FormFixture, CloseRunsOnCloseOnceAndHides) {
    int closes = 0;
    form.onClose = [&] {
        ++closes;
        form.close();  // re-entrant close request is ignored
    };
    showForm();
    form.close();
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(form.visible());
}

TEST_F(FormFixture, GrabHasTheClientSizeAndScaleByScalesTheClientArea) {
    form.setColor(design::colors::Red);
    EXPECT_EQ(form.grab().width(), 300);
    EXPECT_EQ(form.grab().pixel(5, 5), design::colors::Red);
    Label& l = form.addLabel("L");
    l.setBounds({100, 100, 100, 40});
    form.scaleBy(1400, 1000);
    EXPECT_EQ(form.clientWidth(), 420);
    EXPECT_EQ(l.bounds(), (design::Bounds{140, 140, 140, 56}));
    EXPECT_EQ(form.pixelsPerInch() > 0, true);
}

TEST_F(FormFixture, ControlsListKeepsCreationOrderAndNames) {
    form.addPicture("Fond");
    form.addShape("Led00");
    form.addLabel("Ligne01");
    ASSERT_EQ(form.controls().size(), 3u);
    EXPECT_EQ(form.controls()[0]->name(), "Fond");
    EXPECT_EQ(form.controls()[2]->name(), "Ligne01");
    EXPECT_EQ(form.window()->objectName().toStdString(), "TForm1");
}

}  // namespace
}  // namespace vos
