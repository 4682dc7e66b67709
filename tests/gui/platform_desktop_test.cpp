// Desktop services: the screen face installed from a font file, the beep
// without a sound device, the program folder, starting programs.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFont>
#include <QFontInfo>
#include <filesystem>
#include <fstream>

#include "platform/qt/desktop.h"

namespace vos {
namespace {

namespace fs = std::filesystem;

constexpr const char* kMonoBold = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf";

TEST(Desktop, BadFontFilesAreRefusedQuietly) {
    const fs::path bad = fs::temp_directory_path() / ("vos_bad_font_" + std::to_string(::getpid()) + ".ttf");
    std::ofstream(bad) << "not a font";
    EXPECT_FALSE(installFont(bad.string()));
    EXPECT_FALSE(installFont("/nonexistent/ltypeb.ttf"));
    fs::remove(bad);
}

TEST(Desktop, InstalledFontServesTheScreenFace) {
    if (!fs::exists(kMonoBold)) GTEST_SKIP() << "no DejaVu Sans Mono Bold on this machine";
    QFont screen(QStringLiteral("Lucida Sans Typewriter"));
    screen.setPixelSize(16);
    screen.setBold(true);
    ASSERT_TRUE(installFont(kMonoBold));
    EXPECT_EQ(QFontInfo(screen).family().toStdString(), "DejaVu Sans Mono");
    EXPECT_TRUE(QFontInfo(screen).fixedPitch());
}

TEST(Desktop, BeepReturnsWithOrWithoutASoundDevice) {
    QElapsedTimer clock;
    clock.start();
    beep(500, 50);
    EXPECT_LT(clock.elapsed(), 5000);
}

TEST(Desktop, ProgramFolderEndsWithSlashAndHoldsTheTest) {
    const std::string dir = programFolder();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '/');
    EXPECT_TRUE(fs::exists(dir + "platform_desktop_test"));
}

TEST(Desktop, StartDetachedSaysWhetherTheProgramStarted) {
    EXPECT_FALSE(startDetached("/nonexistent/program", {}));
    EXPECT_TRUE(startDetached("/bin/true", {"--arg"}));
}

}  // namespace
}  // namespace vos
