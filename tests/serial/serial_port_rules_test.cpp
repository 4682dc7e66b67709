// Pure rules of the port component and of its selection dialog's list.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "serial/com_select_ports.h"
#include "serial/port_settings.h"

namespace vos {
namespace {

struct LevelCase {
    std::uint16_t asked, bound, stored;
};

TEST(PortSettingRules, BufferFullAboveInSizeBecomesNineTenths) {
    const LevelCase cases[] = {
        {5000, 4096, 3686}, {4097, 4096, 3686}, {4096, 4096, 4096}, {248, 4096, 248},
        {1, 0, 0},          {65535, 9, 8},      {0, 0, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(serial::correctedBufferFull(c.asked, c.bound), c.stored) << c.asked << " / " << c.bound;
}

TEST(PortSettingRules, BufferResumeAboveBufferFullBecomesOneTenth) {
    const LevelCase cases[] = {
        {300, 248, 24}, {249, 248, 24}, {248, 248, 248}, {10, 248, 10}, {10, 9, 0}, {1, 0, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(serial::correctedBufferResume(c.asked, c.bound), c.stored) << c.asked << " / " << c.bound;
}

TEST(PortSettingRules, FlowLevelsAreValidOnlyInOrder) {
    EXPECT_TRUE(serial::flowLevelsValid(248, 10, 4096));
    EXPECT_TRUE(serial::flowLevelsValid(4096, 4096, 4096));
    EXPECT_FALSE(serial::flowLevelsValid(248, 249, 4096));  // resume above full
    EXPECT_FALSE(serial::flowLevelsValid(3686, 10, 1024));  // InSize lowered below full
}

TEST(PortSettingRules, DefaultsAreTheComponentsOwn) {
    const serial::TSerialPortSettings s;
    EXPECT_EQ(s.ComNumber, 0);
    EXPECT_EQ(s.Baud, 19200);
    EXPECT_EQ(s.OutSize, 4096);
    EXPECT_EQ(s.XOnChar, 17);
    EXPECT_EQ(s.XOffChar, 19);
    EXPECT_TRUE(s.AutoOpen);
    EXPECT_TRUE(s.PromptForPort);
    EXPECT_EQ(s.AvailThreshold, 1);
}

TEST(ComSelectPorts, ListsOnlyAvailablePortsUpToFifty) {
    std::set<int> asked;
    const auto items = serial::listSelectablePorts([&](int n) {
        asked.insert(n);
        return n == 1 || n == 12 || n == 50 || n == 51;
    });
    EXPECT_EQ(items, (std::vector<std::string>{"COM1", "COM12", "COM50"}));
    const auto named = serial::listSelectablePorts([](int n) { return n == 3 || n == 4; },
                                                   [](int n) { return n == 3 ? "tcp://10.0.0.7:4001" : ""; });
    EXPECT_EQ(named, (std::vector<std::string>{"COM3 (tcp://10.0.0.7:4001)", "COM4"}));
    EXPECT_EQ(asked.size(), 50u);
    EXPECT_EQ(*asked.begin(), 1);
    EXPECT_EQ(*asked.rbegin(), 50);
}

TEST(ComSelectPorts, NumberIsReadFromTheFourthCharacterOn) {
    const std::pair<std::string, int> cases[] = {
        {"COM1", 1}, {"COM12", 12}, {"COM50", 50}, {"", 0}, {"COM", 0}, {"COMx", 0}, {"COM0", 0},
        {"COM3 (rfc2217://tour-3.atelier:2001)", 3}, {"COM3x", 0},
    };
    for (const auto& [item, n] : cases) EXPECT_EQ(serial::portNumberOfItem(item), n) << item;
}

}  // namespace
}  // namespace vos
