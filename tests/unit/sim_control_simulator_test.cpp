// The simulated control, driven key by key and observed through a model of
// the panel: what the operator would see on the screen and the lamps.
#include "tools/sim/control_simulator.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/support/sim_panel_model.h"
#include "tools/sim/sim_input_line.h"

namespace vos::sim {
namespace {

using test::PanelModel;

struct Rig {
    ControlSimulator sim;
    PanelModel panel;
    std::string last;

    Rig() { panel.Feed(sim.Redraw()); }
    void Key(uint8_t code) {
        last = sim.OnByte(code);
        panel.Feed(last);
    }
    void Type(std::string_view text) {
        for (char c : text) Key(static_cast<uint8_t>(c) | 0x80);
    }
    std::string Row(int r) const { return panel.lines[r - 1]; }
    std::string InputText() const { return Row(10).substr(2, 34); }
};

std::string Trimmed(std::string s) {
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

// After every answer the panel must show exactly what the simulator means,
// with one blinking mark: under the edit cursor on the input row.
void ExpectConsistent(const Rig& rig) {
    for (int r = 0; r < 12; ++r)
        ASSERT_EQ(rig.panel.lines[r], rig.sim.shown()[r]) << "row " << r + 1;
    ASSERT_TRUE(rig.panel.visible);
    ASSERT_TRUE(rig.panel.blink);
    ASSERT_EQ(rig.panel.row, 10);
    ASSERT_EQ(rig.panel.col, 3 + static_cast<int>(rig.sim.input().cursor()));
    ASSERT_EQ(rig.panel.MarkedRows(), 1);
    ASSERT_EQ(rig.panel.mark[9], rig.panel.col);
    std::string input = rig.sim.input().text();
    input.resize(kInputCapacity, ' ');
    ASSERT_EQ(rig.InputText(), input);
}

TEST(ControlSimulator, RedrawShowsStartPageOverAnyOldScreen) {
    Rig rig;
    EXPECT_EQ(Trimmed(rig.Row(1)), "SIMULATEUR DE COMMANDE - ACCUEIL");
    EXPECT_EQ(Trimmed(rig.Row(12)), "ACC PRG VOY AXE ETA                 RAF");
    EXPECT_EQ(rig.Row(10), "> " + std::string(35, ' ') + "INS");
    for (int r = 1; r <= 12; ++r) EXPECT_EQ(rig.Row(r).find('#'), std::string::npos) << r;
    EXPECT_TRUE(rig.panel.led[30]);  // page 1
    EXPECT_TRUE(rig.panel.led[42]);  // ready
    EXPECT_TRUE(rig.panel.led[21]);  // insert mode
    EXPECT_TRUE(rig.panel.insert);
    ExpectConsistent(rig);
}

TEST(ControlSimulator, IdleBytesAreSilent) {
    Rig rig;
    for (int i = 0; i < 1000; ++i) EXPECT_TRUE(rig.sim.OnByte(0x00).empty());
    EXPECT_EQ(rig.sim.idleBytes(), 1000u);
    EXPECT_EQ(rig.sim.keys(), 0u);
}

TEST(ControlSimulator, TypingEchoesWithFewBytes) {
    Rig rig;
    rig.Type("G01 X10");
    EXPECT_EQ(Trimmed(rig.InputText()), "G01 X10");
    EXPECT_LE(rig.last.size(), 2u);  // one character at the end of the line
    ExpectConsistent(rig);
}

TEST(ControlSimulator, EditingKeys) {
    struct Step {
        std::vector<uint8_t> keys;
        std::string text;
        size_t cursor;
    };
    const std::vector<Step> steps = {
        {{0xC1, 0xC2, 0xC3}, "ABC", 3},
        {{0x89, 0x89}, "ABC", 1},         // left twice
        {{0x8D}, "BC", 0},                // backspace
        {{0x8F}, "C", 0},                 // delete under the cursor
        {{0xD8}, "XC", 1},                // insert mode
        {{0x8E, 0xD9}, "XY", 2},          // overwrite mode replaces C
        {{0xDA}, "XYZ", 3},               // overwrite at the end appends
        {{0x8E, 0x89, 0xAD}, "XY-Z", 3},  // back to insert
        {{0x88}, "XY-Z", 4},              // right
        {{0x93}, "", 0},                  // erase line
    };
    Rig rig;
    for (const Step& s : steps) {
        for (uint8_t k : s.keys) rig.Key(k);
        EXPECT_EQ(rig.sim.input().text(), s.text);
        EXPECT_EQ(rig.sim.input().cursor(), s.cursor);
        ExpectConsistent(rig);
    }
    EXPECT_EQ(rig.panel.beeps, 0);
}

TEST(ControlSimulator, InsertModeShownAndSentToPanel) {
    Rig rig;
    rig.Key(0x8E);
    EXPECT_EQ(rig.Row(10).substr(37), "RFP");
    EXPECT_FALSE(rig.panel.insert);
    EXPECT_FALSE(rig.panel.led[21]);
    rig.Key(0x8E);
    EXPECT_EQ(rig.Row(10).substr(37), "INS");
    EXPECT_TRUE(rig.panel.insert);
    EXPECT_TRUE(rig.panel.led[21]);
    ExpectConsistent(rig);
}

TEST(ControlSimulator, InvalidKeysBeepAndSayWhy) {
    const uint8_t invalid[] = {0x85, 0x86, 0x87, 0x98, 0x01, 0x18, 0x50, 0x92, 0x9A, 0xE1, 0xFF};
    for (uint8_t code : invalid) {
        Rig rig;
        const std::string before = rig.Row(1);
        rig.Key(code);
        EXPECT_EQ(rig.panel.beeps, 1) << int(code);
        EXPECT_EQ(rig.last.front(), '\x80') << int(code);  // the beep comes first
        EXPECT_NE(rig.Row(11).find("Touche refusee"), std::string::npos) << int(code);
        EXPECT_EQ(rig.Row(1), before);
        ExpectConsistent(rig);
    }
}

TEST(ControlSimulator, ImpossibleEditsBeep) {
    Rig rig;
    for (uint8_t k : {0x89, 0x88, 0x8D, 0x8F, 0x8A, 0x8C, 0x8B})
        rig.Key(k);  // all on an empty line
    EXPECT_EQ(rig.panel.beeps, 7);
    rig.Type(std::string(kInputCapacity, 'W'));
    EXPECT_EQ(rig.panel.beeps, 7);
    rig.Type("W");
    EXPECT_EQ(rig.panel.beeps, 8);
    EXPECT_EQ(rig.sim.input().text().size(), static_cast<size_t>(kInputCapacity));
    ExpectConsistent(rig);
}

TEST(ControlSimulator, SoftKeysSwitchPagesAndPageLamp) {
    struct Case {
        uint8_t key;
        PageId page;
        const char* title;
        int lamp;
    };
    const Case cases[] = {
        {0x80, PageId::Program, "PROGRAMME", 31},
        {0x82, PageId::Lamps, "VOYANTS", 32},
        {0x83, PageId::Axes, "AXES", 33},
        {0x84, PageId::LinkState, "ETAT DE LA LIAISON", 34},
        {0x81, PageId::Home, "SIMULATEUR DE COMMANDE - ACCUEIL", 30},
    };
    Rig rig;
    rig.Type("G1");
    for (const Case& c : cases) {
        rig.Key(c.key);
        EXPECT_EQ(rig.sim.page(), c.page);
        EXPECT_EQ(Trimmed(rig.Row(1)), c.title);
        for (int lamp = 30; lamp <= 39; ++lamp) EXPECT_EQ(rig.panel.led[lamp], lamp == c.lamp);
        EXPECT_EQ(Trimmed(rig.InputText()), "G1");  // the input line survives
        ExpectConsistent(rig);
    }
    rig.Key(0x90);
    EXPECT_EQ(rig.sim.page(), PageId::LinkState);
    rig.Key(0x91);
    rig.Key(0x91);
    EXPECT_EQ(rig.sim.page(), PageId::Program);
}

TEST(ControlSimulator, MachineKeysSwitchLamps) {
    Rig rig;
    rig.Key(0x11);
    EXPECT_TRUE(rig.panel.led[1]);
    rig.Key(0x1F);
    EXPECT_TRUE(rig.panel.led[15]);
    EXPECT_FALSE(rig.panel.led[1]);
    rig.Key(0x1F);  // same key again: still lit
    EXPECT_TRUE(rig.panel.led[15]);
    rig.Key(0x40);
    rig.Key(0x41);
    EXPECT_TRUE(rig.panel.led[16]);
    EXPECT_TRUE(rig.panel.led[17]);
    rig.Key(0x40);
    EXPECT_FALSE(rig.panel.led[16]);
    EXPECT_TRUE(rig.panel.led[17]);
    EXPECT_EQ(rig.panel.beeps, 0);
}

TEST(ControlSimulator, ExecuteFillsProgramAndRecall) {
    Rig rig;
    rig.Type("G00 X0");
    rig.Key(0x8A);
    rig.Type("M30");
    rig.Key(0x8C);  // the Down arrow executes too
    EXPECT_EQ(rig.sim.program(), (std::vector<std::string>{"G00 X0", "M30"}));
    EXPECT_EQ(Trimmed(rig.Row(11)), "Execute : M30");
    EXPECT_TRUE(rig.panel.led[40]);
    rig.Key(0x80);
    EXPECT_EQ(Trimmed(rig.Row(3)), "N0001 G00 X0");
    EXPECT_EQ(Trimmed(rig.Row(4)), "N0002 M30");
    rig.Key(0x8B);
    EXPECT_EQ(rig.sim.input().text(), "M30");
    ExpectConsistent(rig);
}

TEST(ControlSimulator, RedrawForANewPanelRestoresEverything) {
    Rig rig;
    rig.Key(0x17);
    rig.Key(0x40);
    rig.Key(0x83);
    rig.Type("X5");
    PanelModel fresh;  // a restarted panel: memories at 0 and 6, lamps off
    fresh.mem16 = 7;   // and, worse, a memory already equal to our choice
    fresh.Feed(rig.sim.Redraw());
    for (int r = 0; r < 12; ++r) EXPECT_EQ(fresh.lines[r], rig.panel.lines[r]) << r + 1;
    EXPECT_EQ(fresh.led, rig.panel.led);
    EXPECT_TRUE(fresh.led[7]);
    EXPECT_TRUE(fresh.led[33]);
    EXPECT_EQ(fresh.MarkedRows(), 1);
    EXPECT_EQ(fresh.mark[9], 5);
}

TEST(ControlSimulator, RandomKeysKeepPanelConsistent) {
    std::vector<uint8_t> keys = {0x00, 0x81, 0x80, 0x82, 0x83, 0x84, 0x85, 0x99, 0x88,
                                 0x89, 0x8A, 0x8B, 0x8C, 0x8D, 0x8E, 0x8F, 0x90, 0x91,
                                 0x93, 0x11, 0x1C, 0x40, 0x41, 0x05, 0xE5};
    for (int c = 0xA0; c <= 0xDF; c += 3) keys.push_back(static_cast<uint8_t>(c));
    std::mt19937 gen(1234);
    Rig rig;
    for (int i = 0; i < 5000; ++i) {
        rig.Key(keys[gen() % keys.size()]);
        ASSERT_NO_FATAL_FAILURE(ExpectConsistent(rig)) << "step " << i;
    }
    PanelModel fresh;
    fresh.Feed(rig.sim.Redraw());
    EXPECT_EQ(fresh.lines, rig.panel.lines);
}

TEST(InputLine, CapacityInBothModes) {
    InputLine line(3);
    EXPECT_TRUE(line.Type('A') && line.Type('B') && line.Type('C'));
    EXPECT_FALSE(line.Type('D'));
    line.ToggleInsert();
    EXPECT_FALSE(line.Type('D'));  // at the end, overwrite would grow the line
    line.Left();
    EXPECT_TRUE(line.Type('D'));
    EXPECT_EQ(line.text(), "ABD");
    line.Set("TOO LONG");
    EXPECT_EQ(line.text(), "TOO");
    EXPECT_EQ(line.cursor(), 3u);
}

}  // namespace
}  // namespace vos::sim
