// The lamp bank on real shapes: the design table, both selector groups with
// their memories, the bit groups, the machine-type group and the big screen.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <set>

#include "panel/lamps.h"
#include "panel/machine_type.h"
#include "platform/qt/form.h"
#include "platform/qt/shape.h"

using vos::panel::LampBank;
namespace lamps = vos::design::lamps;

namespace {

class PanelLamps : public ::testing::Test {
protected:
    vos::Form form{"TForm1", vos::FormStyle::Borderless};
    vos::panel::MachineType type;
    LampBank bank{form, type};
    vos::Shape& grandeVisu = form.addShape("GrandeVisu");

    void SetUp() override {
        grandeVisu.hide();
        bank.setBigScreen(&grandeVisu);
    }
    void send(std::initializer_list<int> bytes) {
        for (int b : bytes) bank.CommandeVoyants(static_cast<std::uint8_t>(b));
    }
    std::set<int> lit() const {
        std::set<int> s;
        for (int i = 0; i < lamps::kCount; ++i) {
            if (bank.led(i).visible()) s.insert(i);
        }
        return s;
    }
};

}  // namespace

TEST_F(PanelLamps, FortyThreeHiddenDiscsAtTheirDesignPlaces) {
    struct Spot {
        int lamp, left, top;
        vos::design::Rgb color;
    };
    // Corners and color changes of the panel, read off the panel drawing.
    const Spot spots[] = {
        {0, 525, 52, vos::design::colors::Red},     {7, 798, 52, vos::design::colors::Red},
        {8, 525, 91, vos::design::colors::Red},     {18, 603, 144, vos::design::colors::Yellow},
        {20, 681, 144, vos::design::colors::Yellow}, {21, 720, 144, vos::design::colors::Lime},
        {24, 564, 256, vos::design::colors::Red},   {29, 759, 256, vos::design::colors::Red},
        {30, 564, 329, vos::design::colors::Red},   {36, 603, 369, vos::design::colors::Red},
        {40, 632, 497, vos::design::colors::Red},   {41, 684, 497, vos::design::colors::Red},
        {42, 756, 497, vos::design::colors::Lime},
    };
    for (const Spot& s : spots) {
        const vos::Shape& led = bank.led(s.lamp);
        EXPECT_EQ(led.bounds(), (vos::design::Bounds{s.left, s.top, 9, 9})) << s.lamp;
        EXPECT_EQ(led.brushColor(), s.color) << s.lamp;
    }
    for (int i = 0; i < lamps::kCount; ++i) {
        const vos::Shape& led = bank.led(i);
        char name[8];
        std::snprintf(name, sizeof name, "Led%02d", i);
        EXPECT_EQ(led.name(), name);
        EXPECT_EQ(form.find(name), &led);
        EXPECT_EQ(led.kind(), vos::ShapeKind::Circle);
        EXPECT_EQ(led.penWidth(), 0);
        EXPECT_EQ(led.penColor(), led.brushColor());
        EXPECT_FALSE(led.brushClear());
        EXPECT_FALSE(led.visible());
    }
    EXPECT_EQ(bank.DernierChoix16, 0);
    EXPECT_EQ(bank.DernierChoix32, 6);
}

TEST_F(PanelLamps, Selector16LightsOneLampAndRemembersItsValue) {
    send({16});
    EXPECT_TRUE(lit().empty()) << "the first byte 16 equals the memory";
    send({17});
    EXPECT_EQ(lit(), std::set<int>{1});
    send({16});
    EXPECT_EQ(lit(), std::set<int>{0});
    for (int v = 15; v >= 0; --v) {
        send({16 + v, 16 + v, 16 + v});
        EXPECT_EQ(lit(), std::set<int>{v}) << v;
        EXPECT_EQ(bank.DernierChoix16, v);
    }
}

TEST_F(PanelLamps, Selector32MapsValuesAndPutsOutForValuesWithoutLamp) {
    send({38});
    EXPECT_TRUE(lit().empty());
    send({39});
    EXPECT_TRUE(lit().empty());
    EXPECT_EQ(bank.DernierChoix32, 7);
    send({37});
    EXPECT_EQ(lit(), std::set<int>{34});
    send({32});
    EXPECT_TRUE(lit().empty()) << "value 0 puts out and lights none";

    struct Case {
        int value, lamp;  // -1: none
    };
    const Case cases[] = {
        {1, 30}, {2, 31}, {3, 32},  {4, 33},  {5, 34},  {6, 35},  {7, -1},  {8, -1},
        {9, -1}, {10, 36}, {11, 37}, {12, 38}, {13, 39}, {14, -1}, {15, -1}, {0, -1},
    };
    for (const Case& c : cases) {
        send({33});  // a known lit lamp first (Led30)
        send({32 + c.value});
        EXPECT_EQ(lit(), c.lamp < 0 ? std::set<int>{} : std::set<int>{c.lamp}) << c.value;
    }
}

TEST_F(PanelLamps, BitGroupsApplyEveryListedBitAtEveryByte) {
    struct Case {
        int byte;
        std::set<int> expected;  // lit lamps afterwards, starting from all off
    };
    const Case cases[] = {
        {79, {16, 17, 18, 19}}, {64, {}}, {70, {17, 18}}, {65, {16}},
        {95, {20, 21, 22, 23}}, {80, {}}, {90, {21, 23}},
        {111, {40}}, {103, {}}, {96, {}}, {104, {40}},
        {117, {41, 42}}, {122, {}}, {113, {41}}, {116, {42}}, {127, {41, 42}},
    };
    for (const Case& c : cases) {
        for (int i = 0; i < lamps::kCount; ++i) bank.led(i).hide();
        send({c.byte});
        EXPECT_EQ(lit(), c.expected) << c.byte;
    }
    // The group resets its lamps from every byte, with no memory.
    send({79, 70});
    EXPECT_EQ(lit(), (std::set<int>{17, 18, 41, 42}));
    for (int b = 96; b <= 103; ++b) {
        send({b});
        EXPECT_FALSE(bank.led(40).visible()) << b;
    }
}

TEST_F(PanelLamps, Group48FollowsTheMachineTypeAtEveryByte) {
    send({51});
    EXPECT_EQ(lit(), (std::set<int>{24, 29})) << "lathe until the configuration is read";
    vos::panel::applyMachineTypeRule("num760f.jpg", type);
    send({49});
    EXPECT_EQ(lit(), (std::set<int>{24, 28, 29})) << "the lathe pair keeps its state";
    send({50});
    EXPECT_EQ(lit(), (std::set<int>{24, 25, 29}));
    send({51});
    EXPECT_EQ(lit(), (std::set<int>{24, 25, 28, 29}));
    vos::panel::applyMachineTypeRule("num760t.jpg", type);
    send({48});
    EXPECT_EQ(lit(), (std::set<int>{25, 28}));
    for (int b = 0; b < 256; ++b) bank.CommandeVoyants(static_cast<std::uint8_t>(b));
    EXPECT_FALSE(bank.led(26).visible());
    EXPECT_FALSE(bank.led(27).visible());
}

TEST_F(PanelLamps, NothingButLed41LightsWhileTheBigScreenIsShown) {
    send({17, 37, 66});
    EXPECT_EQ(lit(), (std::set<int>{1, 17, 34}));
    grandeVisu.show();
    send({65});
    EXPECT_FALSE(bank.led(16).visible()) << "not lit under the big screen";
    EXPECT_FALSE(bank.led(17).visible()) << "put out as commanded";
    send({113, 18, 38});
    EXPECT_EQ(lit(), std::set<int>{41});
    EXPECT_EQ(bank.DernierChoix16, 2) << "the memory moves even when nothing lit";
    EXPECT_EQ(bank.DernierChoix32, 6);

    grandeVisu.hide();
    EXPECT_EQ(lit(), std::set<int>{41}) << "leaving zoom mode lights nothing";
    send({18});
    EXPECT_FALSE(bank.led(2).visible()) << "the memory already holds the value";
    send({17, 18, 65});
    EXPECT_EQ(lit(), (std::set<int>{2, 16, 41}));
}

TEST_F(PanelLamps, ABankWithoutBigScreenAlwaysLights) {
    bank.setBigScreen(nullptr);
    grandeVisu.show();
    send({17});
    EXPECT_TRUE(bank.led(1).visible());
}
