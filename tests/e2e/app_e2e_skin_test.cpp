// The lathe/milling switch of the installed program: the T/F area swaps the
// panel picture, in both screen modes, and the choice is saved at the end.
// The skins are plain pictures here so the two are told apart at any point
// that no control covers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/support/e2e/panel_session.h"

namespace vos::e2e {
namespace {

// A point of the top band that no control covers (above the big screen too).
constexpr int kProbeX = 300;
constexpr int kProbeY = 30;
// The T/F area (8, 250, 25 x 25) and the FIN area (840, 52, 24 x 29).
constexpr int kTfX = 20, kTfY = 262;
constexpr int kFinX = 852, kFinY = 66;

bool shows(const PanelShot& p, std::uint32_t rgb) {
    const QRgb px = p.pixel(kProbeX, kProbeY);
    return std::abs(qRed(px) - static_cast<int>((rgb >> 16) & 0xFF)) <= 8 &&
           std::abs(qGreen(px) - static_cast<int>((rgb >> 8) & 0xFF)) <= 8 &&
           std::abs(qBlue(px) - static_cast<int>(rgb & 0xFF)) <= 8;
}

std::string iniLine(const std::string& ini, const std::string& key) {
    const auto at = ini.find("\n" + key + "=");
    if (at == std::string::npos) return "";
    const auto end = ini.find_first_of("\r\n", at + 1);
    return ini.substr(at + 1, end - at - 1);
}

TEST(MachineType, TFSwapsTheSkinInBothScreenModesAndFinSavesIt) {
    PanelSession s({PanelSetup::Ini::Installed, "", true});  // the installed file says Fond=num760f.jpg
    ASSERT_TRUE(s.startUntilBanner());
    EXPECT_TRUE(shows(s.shot(), kPlainMillingRgb)) << "the milling skin is not shown at start";

    s.clickAt(kTfX, kTfY);
    EXPECT_TRUE(s.waitForShot([](const PanelShot& q) { return shows(q, kPlainLatheRgb); })) << "first T/F";

    s.key("Escape");
    ASSERT_TRUE(s.waitForShot([](const PanelShot& q) { return q.allDark(QRect(73, 604, 388, 74)); }))
        << "no big screen";
    s.clickAt(kTfX, kTfY);
    EXPECT_TRUE(s.waitForShot([](const PanelShot& q) { return shows(q, kPlainMillingRgb); }))
        << "T/F on the big screen";
    s.key("Escape");
    s.clickAt(kTfX, kTfY);
    EXPECT_TRUE(s.waitForShot([](const PanelShot& q) {
        return shows(q, kPlainLatheRgb) && !q.allDark(QRect(73, 604, 388, 74));
    })) << "third T/F, back on the normal screen";

    s.clickAt(kFinX, kFinY);
    const auto ended = s.program().waitExit(kWaitMs);
    ASSERT_TRUE(ended.has_value()) << "FIN did not end the program";
    EXPECT_TRUE(ended->success());
    EXPECT_EQ(iniLine(s.readIni(), "Fond"), "Fond=num760t.jpg");
}

}  // namespace
}  // namespace vos::e2e
