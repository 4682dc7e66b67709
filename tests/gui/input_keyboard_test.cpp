// The send side's keyboard: key-down and character events, Escape, the send
// timer and its held-key flags, over a recording byte sink.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>

#include <string>
#include <vector>

#include "input/keyboard.h"
#include "input/zoom.h"
#include "panel/screen.h"
#include "platform/qt/form.h"
#include "platform/qt/dialogs.h"
#include "platform/qt/guard.h"

namespace vos {
namespace {

// Records the bytes it is given; refuses like a closed port when `open` is
// false, and like a full ring when `room` is false.
class RecordingSink : public input::ByteSink {
public:
    void SendBlock(const std::uint8_t* data, std::uint16_t len) override {
        ++calls;
        if (!open) throw Error("ie_NOpen - device not open");
        if (!room) throw Error("ie_OutBufTooSmall");
        bytes.insert(bytes.end(), data, data + len);
    }
    bool canSendIdle() const override { return open && room; }

    std::vector<std::uint8_t> bytes;
    int calls = 0;
    bool open = true;
    bool room = true;
};

using Bytes = std::vector<std::uint8_t>;

class KeyboardTest : public ::testing::Test {
protected:
    Form form{"TForm1", FormStyle::Borderless};
    panel::Screen screen{form};
    input::Zoom zoom{form, screen};
    RecordingSink sink;
    input::Keyboard keyboard{sink, zoom, screen};
};

struct KeyDownCase {
    const char* what;
    std::uint16_t vkey;
    ShiftState shift;
    Bytes sent;
};

TEST_F(KeyboardTest, KeyDownSendsTheTableCodeWhateverTheModifiers) {
    const ShiftState none{}, shift{.shift = true}, ctrl{.ctrl = true}, all{true, true, true};
    const std::vector<KeyDownCase> cases = {
        {"F1", vk::F1, none, {0x81}},
        {"F2", 0x71, none, {0x80}},
        {"F3", 0x72, none, {0x82}},
        {"Ctrl+F3", 0x72, ctrl, {0x82}},
        {"F8", 0x77, none, {0x87}},
        {"F9", 0x78, none, {0x98}},
        {"F10", vk::F10, none, {0x99}},
        {"Left", vk::Left, none, {0x89}},
        {"Shift+Left", vk::Left, shift, {0x89}},
        {"Up", vk::Up, all, {0x8B}},
        {"Right", vk::Right, none, {0x88}},
        {"Down", vk::Down, none, {0x8C}},
        {"Execute", vk::Execute, none, {0x8A}},
        {"Insert", vk::Insert, none, {0x8E}},
        {"Delete", vk::Delete, none, {0x8F}},
        {"Backspace", vk::Back, none, {0x8D}},
        {"Enter", vk::Return, none, {}},
        {"Tab", vk::Tab, none, {}},
        {"F12", vk::F12, none, {}},
        {"letter A on key-down", 0x41, shift, {}},
        {"the + key on key-down", 0xBB, none, {}},
        {"F1 with a high byte", 0x0170, none, {}},
        {"Ctrl+C copies the screen", 'C', ctrl, {}},
        {"C on key-down", 'C', none, {}},
    };
    for (const auto& c : cases) {
        sink.bytes.clear();
        keyboard.FormKeyDown(c.vkey, c.shift);
        EXPECT_EQ(sink.bytes, c.sent) << c.what;
    }
    EXPECT_FALSE(zoom.ModeZoom());
}

TEST_F(KeyboardTest, AutoRepeatSendsAgain) {
    for (int i = 0; i < 3; ++i) keyboard.FormKeyDown(vk::Right, {});
    EXPECT_EQ(sink.bytes, (Bytes{0x88, 0x88, 0x88}));
}

TEST_F(KeyboardTest, CharactersSendTheirCodeOrNothing) {
    const std::vector<std::pair<std::uint8_t, Bytes>> cases = {
        {'a', {0xC1}}, {'A', {0xC1}}, {'t', {0xD4}}, {'T', {0xD4}},
        {'U', {}},     {'u', {}},     {'Z', {}},     {'z', {}},
        {' ', {0xA0}}, {'0', {0xB0}}, {'+', {0xAB}}, {'@', {0xC0}},
        {13, {}},      {19, {}},      {8, {}},       {27, {}},
        {'_', {}},     {'`', {}},     {'~', {}},     {0x7F, {}},
        {0xE9, {}},  // é from a French layout: no code
        {0xEA, {}},  {0xE4, {}},  {'^', {}},  // ê, ä, ^ composed from dead keys
    };
    for (const auto& [ch, sent] : cases) {
        sink.bytes.clear();
        keyboard.FormKeyPress(ch);
        EXPECT_EQ(sink.bytes, sent) << int(ch);
    }
}

// Ctrl+C puts the 12 lines on the clipboard as the control sent them: one
// "&" for each "&&" of a caption, the O that the screen shows as Ø an O
// again, each line ended by a newline. Nothing goes on the line.
TEST_F(KeyboardTest, CtrlCCopiesTheScreenAsTextAndSendsNothing) {
    screen.LigneCurseur = 2;
    screen.ColonneCurseur = 1;
    const std::string sent = "R&D O=0 ";
    for (const char c : sent) {
        screen.EcrireCaractere(static_cast<std::uint8_t>(c));
        screen.AvancerCurseur();
    }
    screen.EcrireCaractere(177);  // what the control's 0xFF shows
    ASSERT_NE(screen.ligne(2).caption().find("&&"), std::string::npos);
    ASSERT_NE(screen.ligne(2).caption().find("\u00d8"), std::string::npos);
    QGuiApplication::clipboard()->clear();

    keyboard.FormKeyDown('C', {.ctrl = true});
    keyboard.FormKeyPress(3);  // the character of Ctrl+C

    const QStringList lines = QGuiApplication::clipboard()->text().split('\n');
    ASSERT_EQ(lines.size(), 13);  // 12 lines, each ended by a newline
    EXPECT_EQ(lines[12], "");
    EXPECT_EQ(lines[1].toStdString(), sent + "\u00b1" + screen.lineText(2).substr(sent.size() + 1));
    for (int n : {1, 3, 12}) EXPECT_EQ(lines[n - 1].toStdString(), screen.lineText(n)) << n;
    EXPECT_TRUE(sink.bytes.empty());
}

TEST_F(KeyboardTest, BackspaceSendsOnceThroughBothEvents) {
    keyboard.FormKeyDown(vk::Back, {});
    keyboard.FormKeyPress(8);
    EXPECT_EQ(sink.bytes, Bytes{0x8D});
}

TEST_F(KeyboardTest, EscapeChangesScreenAndSendsNothing) {
    keyboard.FormKeyDown(vk::Escape, {});
    keyboard.FormKeyPress(27);
    EXPECT_TRUE(zoom.ModeZoom());
    EXPECT_TRUE(zoom.grandeVisu().visible());
    keyboard.FormKeyDown(vk::Escape, {.shift = true});
    EXPECT_FALSE(zoom.ModeZoom());
    EXPECT_FALSE(zoom.grandeVisu().visible());
    EXPECT_TRUE(sink.bytes.empty());
    EXPECT_EQ(sink.calls, 0);
}

TEST_F(KeyboardTest, KeysStillSendInTheBigScreen) {
    zoom.ChangerEcran();
    keyboard.FormKeyPress('1');
    keyboard.FormKeyDown(vk::F1, {});
    EXPECT_EQ(sink.bytes, (Bytes{0xB1, 0x81}));
}

TEST_F(KeyboardTest, TimerSendsIdleOnePerTick) {
    for (int i = 0; i < 5; ++i) keyboard.Timer1Timer();
    keyboard.FormKeyPress('A');
    keyboard.Timer1Timer();
    EXPECT_EQ(sink.bytes, (Bytes{0, 0, 0, 0, 0, 0xC1, 0}));
}

TEST_F(KeyboardTest, TimerSkipsSilentlyWhenTheSinkCannotTakeAByte) {
    sink.open = false;
    for (int i = 0; i < 100; ++i) EXPECT_NO_THROW(keyboard.Timer1Timer());
    sink.open = true;
    sink.room = false;
    for (int i = 0; i < 100; ++i) EXPECT_NO_THROW(keyboard.Timer1Timer());
    EXPECT_EQ(sink.calls, 0);
    sink.room = true;
    keyboard.Timer1Timer();
    EXPECT_EQ(sink.bytes, Bytes{0});
}

TEST_F(KeyboardTest, AKeyThatCannotBeSentIsReportedOncePerKey) {
    std::vector<std::string> shown;
    setMessageSink([&](const std::string&, const std::string& text) { shown.push_back(text); });
    sink.open = false;
    guarded([&] { keyboard.FormKeyPress('A'); });
    for (int i = 0; i < 50; ++i) guarded([&] { keyboard.Timer1Timer(); });
    guarded([&] { keyboard.FormKeyDown(vk::F1, {}); });
    setMessageSink(nullptr);
    EXPECT_EQ(shown, (std::vector<std::string>{"ie_NOpen - device not open", "ie_NOpen - device not open"}));
    EXPECT_EQ(sink.calls, 2);  // one attempt per key, no retry, none per tick
    EXPECT_TRUE(sink.bytes.empty());
}

TEST_F(KeyboardTest, HeldKeysPickTheFirstFlagAndTheLatch) {
    keyboard.heldKeys[5] = true;
    keyboard.heldKeys[2] = true;
    keyboard.Timer1Timer();
    keyboard.shiftLatch = true;
    keyboard.Timer1Timer();
    keyboard.heldKeys[2] = false;
    keyboard.Timer1Timer();
    keyboard.heldKeys[0] = true;
    keyboard.heldKeys[7] = true;
    keyboard.Timer1Timer();
    EXPECT_EQ(sink.bytes, (Bytes{0x52, 0x5A, 0x5D, 0x58}));
}

TEST_F(KeyboardTest, ReleaseRulesOfTheButtonFlags) {
    // A right press then its release leaves the latch on; the release of any
    // other button clears the flag and the latch; every release frees the
    // held keys.
    keyboard.noteRightPress();
    keyboard.noteShiftedPress();
    keyboard.heldKeys[3] = true;
    keyboard.noteRelease(MouseButton::Right);
    EXPECT_TRUE(keyboard.rightButton);
    EXPECT_TRUE(keyboard.shiftLatch);
    EXPECT_FALSE(keyboard.heldKeys[3]);

    keyboard.noteShiftedPress();  // a Shift+left press
    keyboard.noteRelease(MouseButton::Left);
    EXPECT_FALSE(keyboard.rightButton);
    EXPECT_FALSE(keyboard.shiftLatch);

    keyboard.noteShiftedPress();  // a Shift+middle press
    keyboard.noteRelease(MouseButton::Middle);
    EXPECT_FALSE(keyboard.shiftLatch);
    keyboard.Timer1Timer();
    EXPECT_EQ(sink.bytes, Bytes{0});
}

}  // namespace
}  // namespace vos
