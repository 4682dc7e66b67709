// The machine-type rule: exactly "num760f.jpg" is the milling machine.
#include <gtest/gtest.h>

#include <string>

#include "panel/machine_type.h"

TEST(PanelMachineType, OnlyTheExactMillingSkinNameMeansMilling) {
    struct Case {
        std::string fond;
        bool fraiseuse;
    };
    const Case cases[] = {
        {"num760f.jpg", true}, {"num760t.jpg", false}, {"NUM760F.JPG", false},
        {"", false},           {"num760f.jpg ", false}, {"autre.jpg", false},
    };
    for (const Case& c : cases) {
        for (bool startTour : {true, false}) {
            vos::panel::MachineType t{startTour, !startTour};
            vos::panel::applyMachineTypeRule(c.fond, t);
            EXPECT_EQ(t.EstFraiseuse, c.fraiseuse) << c.fond;
            EXPECT_EQ(t.EstTour, !c.fraiseuse) << c.fond;
        }
    }
    EXPECT_TRUE(vos::panel::MachineType{}.EstTour);
    EXPECT_FALSE(vos::panel::MachineType{}.EstFraiseuse);
}
