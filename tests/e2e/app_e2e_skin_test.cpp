// The lathe/milling switch of the installed program: the T/F area swaps the
// panel picture, in both screen modes, and the choice is saved at once.
// The skins are plain pictures here so the two are told apart at any point
// that no control covers.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
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

// The switch reaches the configuration file at once, in the form a close
// leaves it: a SIGKILL right after it (as a power cut) loses nothing, leaves
// no temporary file, and a later start and FIN write the same bytes again.
TEST(MachineType, TheSwitchIsSavedAtOnceAndSurvivesAKill) {
    PanelSession s({PanelSetup::Ini::Installed, "", true});
    ASSERT_TRUE(s.startUntilBanner());
    s.clickAt(kTfX, kTfY);
    // Shown once the click's handler, which saves, has returned.
    ASSERT_TRUE(s.waitForShot([](const PanelShot& q) { return shows(q, kPlainLatheRgb); }));
    ::kill(s.program().pid(), SIGKILL);
    const auto killed = s.program().waitExit(kWaitMs);
    ASSERT_TRUE(killed.has_value() && killed->signalled && killed->value == SIGKILL);

    const std::string saved = s.readIni();
    EXPECT_EQ(iniLine(saved, "Fond"), "Fond=num760t.jpg");
    for (const auto& entry : std::filesystem::directory_iterator(s.folder()))
        EXPECT_EQ(entry.path().filename().string().find(".Vostrelle.ini."), std::string::npos) << entry.path();

    // A new line: the killed program could not give its terminal back (a
    // pseudo-terminal keeps its exclusive mark while the control holds it).
    s.unplugLine();
    s.plugNewLine();
    s.start();
    ASSERT_TRUE(s.waitForMainWindow());
    ASSERT_TRUE(s.waitForLine());
    EXPECT_TRUE(s.waitForShot([](const PanelShot& q) { return shows(q, kPlainLatheRgb); }))
        << "the lathe at the next start";
    s.clickAt(kFinX, kFinY);
    ASSERT_TRUE(s.program().waitExit(kWaitMs).has_value()) << "FIN did not end the program";
    EXPECT_EQ(s.readIni(), saved) << "the close wrote another form than the switch";
}

}  // namespace
}  // namespace vos::e2e
