// The byte decoder and the receiver, driven with real controls: every byte
// value, the screen commands' combinations, the event loop of
// PortTriggerAvail and the equivalence of split streams.
#include <gtest/gtest.h>

#include <cstdint>
#include <algorithm>
#include <climits>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "panel/decoder.h"
#include "panel/lamps.h"
#include "panel/machine_type.h"
#include "panel/receiver.h"
#include "panel/screen.h"
#include "platform/qt/form.h"
#include "platform/qt/label.h"
#include "platform/qt/shape.h"

using namespace vos::panel;

namespace {

const std::string kBlanks(40, ' ');

// Bytes handed out in order; throws once `failAt` bytes have been taken.
struct FakeSource : ByteSource {
    std::deque<std::uint8_t> bytes;
    std::size_t taken = 0;
    std::size_t failAt = SIZE_MAX;
    std::uint8_t TakeByte() override {
        if (taken == failAt || bytes.empty()) throw std::runtime_error("lecture impossible");
        ++taken;
        const std::uint8_t b = bytes.front();
        bytes.pop_front();
        return b;
    }
};

// Everything a byte can change: every control's visibility and caption, the
// cursor and the lamp memories.
struct Snapshot {
    std::vector<std::pair<bool, std::string>> controls;
    int row, col;
    bool insert, visible, blinking;
    int choix16, choix32;
    bool operator==(const Snapshot&) const = default;
};

struct Panel {
    vos::Form form{"TForm1", vos::FormStyle::Borderless};
    vos::panel::MachineType type;
    LampBank lamps{form, type};
    Screen screen{form};
    struct BeepCall {
        int byte, hz, ms;
        bool operator==(const BeepCall&) const = default;
    };
    std::vector<BeepCall> beeps;
    int currentByte = -1;
    Decoder decoder{screen, lamps, [this](int hz, int ms) { beeps.push_back({currentByte, hz, ms}); }};
    Receiver receiver{form, decoder};

    void send(std::initializer_list<int> bytes) {
        for (int b : bytes) {
            currentByte = b;
            decoder.TraiterOctet(static_cast<std::uint8_t>(b));
        }
    }
    void sendText(const std::string& s) {
        for (char c : s) decoder.TraiterOctet(static_cast<std::uint8_t>(static_cast<std::uint8_t>(c) + 128));
    }
    void event(const std::vector<std::uint8_t>& bytes) {
        FakeSource src;
        src.bytes.assign(bytes.begin(), bytes.end());
        receiver.PortTriggerAvail(src, static_cast<std::uint16_t>(bytes.size()));
    }
    Snapshot snapshot() const {
        Snapshot s{};
        for (const vos::Control* c : form.controls()) {
            const auto* l = dynamic_cast<const vos::Label*>(c);
            s.controls.emplace_back(c->visible(), l ? l->caption() : std::string());
        }
        s.row = screen.LigneCurseur;
        s.col = screen.ColonneCurseur;
        s.insert = screen.ModeInsertion;
        s.visible = screen.CurseurVisible;
        s.blinking = screen.ClignotementCurseur;
        s.choix16 = lamps.DernierChoix16;
        s.choix32 = lamps.DernierChoix32;
        return s;
    }
    // A busy state: text with "&", a steady cursor in mid-screen, some lamps.
    void makeBusy() {
        send({131, 133});
        sendText("Bonjour & au revoir");
        send({142});
        sendText("ligne 2");
        send({17, 37, 79, 117, 138, 136});
    }
};

std::vector<std::uint8_t> mixedStream() {
    std::vector<std::uint8_t> v = {131, 132};
    for (char c : std::string("X&Y OUTIL 12.5 ")) v.push_back(static_cast<std::uint8_t>(c + 128));
    const std::vector<std::uint8_t> tail = {
        255, 142, 17, 18, 40, 33, 79, 70, 51, 111, 117, 122, 138, 138, 136, 137, 139,
        198, 210, 141, 225, 226, 133, 143, 201, 202, 134, 135, 203, 130, 140, 156, 204,
        0, 15, 129, 150, 155, 157, 159, 193, 142, 142, 142};
    v.insert(v.end(), tail.begin(), tail.end());
    return v;
}

}  // namespace

TEST(PanelDecoder, UnassignedBytesChangeNothing) {
    Panel p;
    p.makeBusy();
    std::vector<int> unassigned;
    for (int b = 0; b <= 15; ++b) unassigned.push_back(b);
    unassigned.push_back(129);
    for (int b = 144; b <= 155; ++b) unassigned.push_back(b);
    for (int b = 157; b <= 159; ++b) unassigned.push_back(b);
    const Snapshot before = p.snapshot();
    for (int b : unassigned) {
        p.decoder.TraiterOctet(static_cast<std::uint8_t>(b));
        EXPECT_EQ(p.snapshot(), before) << "byte " << b;
    }
    EXPECT_TRUE(p.beeps.empty());
}

TEST(PanelDecoder, OnlyByte128BeepsAt500HzFor50ms) {
    Panel p;
    for (int b = 0; b < 256; ++b) p.send({b});
    EXPECT_EQ(p.beeps, (std::vector<Panel::BeepCall>{{128, 500, 50}}));
}

TEST(PanelDecoder, CharacterBytesWriteTheirCodeAndAdvance) {
    struct Case {
        int byte;
        std::uint8_t shown;
    };
    const Case cases[] = {
        {160, ' '}, {193, 'A'}, {255, 177}, {207, 216}, {239, 'o'}, {166, '&'}, {254, '~'}, {176, '0'},
    };
    for (const Case& c : cases) {
        Panel p;
        p.send({131, 136, 136});  // row 1, column 3
        p.send({c.byte});
        EXPECT_EQ(static_cast<std::uint8_t>(p.screen.lineText(1)[2]), c.shown) << c.byte;
        EXPECT_EQ(p.screen.lineText(1).size(), 40u);
        EXPECT_EQ(p.screen.LigneCurseur, 1);
        EXPECT_EQ(p.screen.ColonneCurseur, 4);
    }
}

TEST(PanelDecoder, CharacterAtTheLastCellWrapsToTheFirst) {
    Panel p;
    p.send({131, 133, 137});  // row 12, column 40
    ASSERT_EQ(p.screen.LigneCurseur, 12);
    ASSERT_EQ(p.screen.ColonneCurseur, 40);
    p.sendText("Z");
    EXPECT_EQ(p.screen.lineText(12).back(), 'Z');
    EXPECT_EQ(p.screen.LigneCurseur, 1);
    EXPECT_EQ(p.screen.ColonneCurseur, 1);
    EXPECT_EQ(p.screen.ligneC(1).caption(), stripCaption(1, 'E'));
}

TEST(PanelDecoder, AtStartFortyCharactersAreDroppedTheFortySecondIsWritten) {
    Panel p;
    const std::string line1 = p.screen.ligne(1).caption();
    p.sendText(std::string(40, 'a'));
    EXPECT_EQ(p.screen.LigneCurseur, 0);
    EXPECT_EQ(p.screen.ColonneCurseur, 40);
    p.sendText("b");
    EXPECT_EQ(p.screen.LigneCurseur, 1);
    EXPECT_EQ(p.screen.ColonneCurseur, 1);
    EXPECT_EQ(p.screen.ligne(1).caption(), line1);
    p.sendText("c");
    EXPECT_EQ(p.screen.lineText(1), "c" + line1.substr(1));
}

TEST(PanelDecoder, ClearScreenBytes131And156AreIdentical) {
    Panel a, b;
    for (Panel* p : {&a, &b}) {
        p->makeBusy();
        p->send({139, 139, 136});
    }
    a.send({131});
    b.send({156});
    EXPECT_EQ(a.snapshot(), b.snapshot());
    for (int n = 1; n <= 12; ++n) EXPECT_EQ(a.screen.ligne(n).caption(), kBlanks) << n;
    EXPECT_EQ(a.screen.LigneCurseur, 1);
    EXPECT_EQ(a.screen.ColonneCurseur, 1);
}

TEST(PanelDecoder, Byte143ClearsFromTheCursorAndHomes) {
    Panel p;
    p.send({131});
    for (int n = 1; n <= 12; ++n) {
        p.sendText(std::string(40, static_cast<char>('a' + n)));  // fills line n
    }
    p.send({140, 138, 138, 138, 138});  // row 5
    for (int i = 0; i < 9; ++i) p.send({136});  // column 10
    ASSERT_EQ(p.screen.LigneCurseur, 5);
    ASSERT_EQ(p.screen.ColonneCurseur, 10);
    p.send({143});
    for (int n = 1; n <= 4; ++n) EXPECT_EQ(p.screen.lineText(n), std::string(40, static_cast<char>('a' + n)));
    EXPECT_EQ(p.screen.lineText(5), std::string(9, 'f') + std::string(31, ' '));
    for (int n = 6; n <= 12; ++n) EXPECT_EQ(p.screen.lineText(n), kBlanks) << n;
    EXPECT_EQ(p.screen.LigneCurseur, 1);
    EXPECT_EQ(p.screen.ColonneCurseur, 1);
}

TEST(PanelDecoder, Byte142ClearsTheLineRestAndGoesToTheNextLine) {
    struct Case {
        int row, col, expRow;
    };
    for (const Case& c : {Case{12, 10, 1}, Case{3, 7, 4}, Case{5, 1, 6}}) {
        Panel p;
        p.send({131, 133});
        for (int n = 1; n <= 12; ++n) p.sendText(std::string(40, 'x'));
        p.screen.LigneCurseur = static_cast<std::int8_t>(c.row);
        p.screen.ColonneCurseur = static_cast<std::int8_t>(c.col);
        p.send({142});
        EXPECT_EQ(p.screen.lineText(c.row), std::string(c.col - 1, 'x') + std::string(41 - c.col, ' '));
        EXPECT_EQ(p.screen.LigneCurseur, c.expRow);
        EXPECT_EQ(p.screen.ColonneCurseur, 1);
        EXPECT_EQ(p.screen.lineText(c.expRow), std::string(40, 'x')) << "the next line is not cleared";
        EXPECT_EQ(p.screen.ligneC(c.expRow).caption(), stripCaption(1, 'E'));
    }
}

TEST(PanelDecoder, InsertModeWritesLikeOverwriteMode) {
    Panel ins, ovr;
    for (Panel* p : {&ins, &ovr}) {
        p->makeBusy();
        p->send({140});
    }
    ins.send({135});
    ovr.send({135, 130});
    EXPECT_TRUE(ins.screen.ModeInsertion);
    EXPECT_FALSE(ovr.screen.ModeInsertion);
    for (Panel* p : {&ins, &ovr}) p->sendText("ABC&");
    EXPECT_EQ(ins.screen.lineText(1), ovr.screen.lineText(1));
    EXPECT_EQ(ins.screen.lineText(1).substr(0, 6), "ABC&ou");
    EXPECT_EQ(ins.screen.ColonneCurseur, ovr.screen.ColonneCurseur);
}

TEST(PanelDecoder, ClearThenBlinkingCursorThenAB) {
    Panel p;
    p.send({131, 132, 193, 194});
    EXPECT_EQ(p.screen.lineText(1), "AB" + std::string(38, ' '));
    for (int n = 2; n <= 12; ++n) EXPECT_EQ(p.screen.lineText(n), kBlanks) << n;
    EXPECT_TRUE(p.screen.ClignotementCurseur);
    EXPECT_TRUE(p.screen.CurseurVisible);
    EXPECT_EQ(p.screen.ligneC(1).caption(), stripCaption(3, 'E'));
}

TEST(PanelDecoder, CursorBytesMoveTheMarkButNeverTheText) {
    struct Case {
        int byte, expRow, expCol;
    };
    const Case cases[] = {
        {136, 3, 8}, {137, 3, 6}, {138, 4, 7}, {139, 2, 7}, {140, 1, 1}, {141, 3, 1},
    };
    for (const Case& c : cases) {
        Panel p;
        p.makeBusy();
        p.send({140, 138, 138, 136, 136, 136, 136, 136, 136});  // row 3, column 7
        std::vector<std::string> text;
        for (int n = 1; n <= 12; ++n) text.push_back(p.screen.ligne(n).caption());
        p.send({c.byte});
        EXPECT_EQ(p.screen.LigneCurseur, c.expRow) << c.byte;
        EXPECT_EQ(p.screen.ColonneCurseur, c.expCol) << c.byte;
        EXPECT_EQ(p.screen.ligneC(c.expRow).caption(), stripCaption(c.expCol, 'E')) << c.byte;
        if (c.expRow != 3) {
            EXPECT_EQ(p.screen.ligneC(3).caption(), stripCaption(7, 'E')) << c.byte;
        }
        for (int n = 1; n <= 12; ++n) EXPECT_EQ(p.screen.ligne(n).caption(), text[n - 1]) << c.byte;
    }
}

TEST(PanelDecoder, CursorModeBytes) {
    Panel p;
    const std::string strip1 = p.screen.ligneC(1).caption();
    p.send({131});
    EXPECT_EQ(p.screen.ligneC(1).caption(), strip1) << "cursor off at start: strip 1 not redrawn";
    p.send({133});
    EXPECT_FALSE(p.screen.ClignotementCurseur);
    EXPECT_EQ(p.screen.ligneC(1).caption(), stripCaption(1, 'E'));
    p.send({134});
    EXPECT_FALSE(p.screen.CurseurVisible);
    EXPECT_TRUE(p.screen.ClignotementCurseur);
    EXPECT_FALSE(p.screen.ligneC(1).visible());
    p.send({136});
    EXPECT_EQ(p.screen.ligneC(1).caption(), kBlanks) << "a hidden cursor draws no mark";
    p.send({132});
    EXPECT_EQ(p.screen.ligneC(1).caption(), stripCaption(2, 'E'));
}

TEST(PanelDecoder, LampBytesReachTheLampBank) {
    Panel p;
    p.send({16, 17, 79, 111});
    EXPECT_TRUE(p.lamps.led(1).visible());
    EXPECT_FALSE(p.lamps.led(0).visible());
    for (int i = 16; i <= 19; ++i) EXPECT_TRUE(p.lamps.led(i).visible()) << i;
    EXPECT_TRUE(p.lamps.led(40).visible());
}

TEST(PanelReceiver, CountLabelIsHiddenAndFollowsEachEvent) {
    Panel p;
    vos::Label& label = p.receiver.labelNbOctets();
    EXPECT_EQ(label.name(), "LabelNbOctets");
    EXPECT_FALSE(label.visible());
    EXPECT_EQ(label.caption(), "000");
    EXPECT_EQ(label.bounds(), (vos::design::Bounds{47, 43, 21, 15}));

    FakeSource none;
    p.receiver.PortTriggerAvail(none, 0);
    EXPECT_EQ(label.caption(), "0");
    EXPECT_EQ(none.taken, 0u);

    FakeSource three;
    three.bytes = {131, 193, 194, 195};
    p.receiver.PortTriggerAvail(three, 3);
    EXPECT_EQ(label.caption(), "3");
    EXPECT_EQ(three.taken, 3u);
    EXPECT_EQ(p.screen.lineText(1).substr(0, 3), "AB ");
    EXPECT_EQ(three.bytes.size(), 1u) << "bytes beyond Count stay unread";
}

TEST(PanelReceiver, ReadFailureEndsTheEventWithoutUpdatingTheCount) {
    Panel p;
    p.event({131});
    FakeSource src;
    src.bytes = {193, 194, 195, 196};
    src.failAt = 2;
    EXPECT_THROW(p.receiver.PortTriggerAvail(src, 4), std::runtime_error);
    EXPECT_EQ(p.receiver.labelNbOctets().caption(), "1");
    EXPECT_EQ(p.screen.lineText(1).substr(0, 3), "AB ");
    EXPECT_EQ(src.bytes.size(), 2u);
}

TEST(PanelReceiver, ASplitStreamGivesTheSameResultAsOneEvent) {
    const std::vector<std::uint8_t> stream = mixedStream();
    Panel whole;
    whole.event(stream);
    const Snapshot expected = whole.snapshot();

    std::mt19937 rng(1234);
    for (int trial = 0; trial < 6; ++trial) {
        Panel split;
        std::size_t pos = 0;
        std::size_t lastSize = 0;
        while (pos < stream.size()) {
            // One trial byte by byte, the others in random pieces.
            const std::size_t n =
                trial == 0 ? 1 : std::min<std::size_t>(1 + rng() % 9, stream.size() - pos);
            split.event(std::vector<std::uint8_t>(stream.begin() + pos, stream.begin() + pos + n));
            pos += n;
            lastSize = n;
        }
        Snapshot got = split.snapshot();
        // Only the count label may differ: it shows the last event's size.
        vos::Label& label = split.receiver.labelNbOctets();
        EXPECT_EQ(label.caption(), std::to_string(lastSize));
        label.setCaption(whole.receiver.labelNbOctets().caption());
        EXPECT_EQ(split.snapshot(), expected) << "trial " << trial;
    }
}
