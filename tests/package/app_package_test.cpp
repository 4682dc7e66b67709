// The Debian package as an operator meets it: the package unpacked into a
// temporary root as dpkg lays it out, its launcher run from there with a
// temporary HOME. The launcher lays out the operator's folder, the panel
// starts from it on a pseudo-terminal linked in its new Ports folder, the
// operator's settings survive a second start and the upgrade to a newer
// package, and the newer package's files take effect at the next start. The
// launcher keeps to the operator's folder (also when it is a link), takes the
// site's first configuration, says what it must and shows its failures in a
// window. (The package installed by apt on fresh Debian roots, its first
// start and key: scripts/fresh-root-test.sh, label freshroot.)
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/e2e/panel_session.h"
#include "tests/support/e2e/virtual_display.h"
#include "tests/support/e2e/x_client.h"
#include "tests/support/temp_files.h"

namespace vos::e2e {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

// The T/F area (8, 250, 25 x 25) and the FIN area (840, 52, 24 x 29).
constexpr int kTfX = 20, kTfY = 262;
constexpr int kFinX = 852, kFinY = 66;

void run(const std::vector<std::string>& argv, const std::vector<std::string>& env = environmentWith({}),
         std::string* output = nullptr) {
    const ExitStatus s = runTool(argv, env, output, 120000);
    if (!s.success()) throw std::runtime_error(argv[0] + " " + argv[1] + " failed (" + std::to_string(s.value) + ")");
}

// The package's files as dpkg leaves them after installing `deb` (an
// upgrade leaves exactly the new package's files), under `root`. The empty
// Ports folder beside the program is the test's own guard: a program that
// took the package folder for its own would find no port there, never one
// of the machine's devices.
void installInto(const std::string& deb, const std::string& root) {
    fs::remove_all(root);
    run({"dpkg-deb", "-x", deb, root});
    fs::create_directories(root + "usr/lib/vostrelle/Ports");
}

void writePlainJpeg(const std::string& path, std::uint32_t rgb) {
    QImage image(kWindowWidth, kWindowHeight, QImage::Format_RGB32);
    image.fill(QColor::fromRgb(rgb));
    if (!image.save(QString::fromStdString(path), "JPG", 95)) throw std::runtime_error("cannot write " + path);
}

// The next version of the package, made from this one as a new release
// would change it: a higher version, a new lathe picture, a new help page, a
// new first configuration, a file added and one dropped.
std::string makeNewerPackage(const std::string& deb, const std::string& work) {
    const std::string tree = work + "newer/";
    run({"dpkg-deb", "-R", deb, tree});
    const std::string lib = tree + "usr/lib/vostrelle/";
    writePlainJpeg(lib + "Skins/num760t.jpg", kPlainLatheRgb);
    test::Spit(lib + "Skins/num760t-grand.jpg", test::Slurp(lib + "Skins/num760t.jpg"));
    test::Spit(lib + "Vostrelle.htm", "<p>aide de la version suivante</p>\n");
    test::Spit(lib + "Vostrelle.ini", test::Slurp(lib + "Vostrelle.ini") + "; configuration de la version suivante\n");
    fs::remove(lib + "ltypeb-LICENCE.txt");
    std::string control = test::Slurp(tree + "DEBIAN/control");
    const auto at = control.find("\nVersion: ");
    const auto end = control.find('\n', at + 1);
    const std::string version = control.substr(at + 10, end - at - 10);
    control.replace(at + 10, end - at - 10, version + ".1");
    test::Spit(tree + "DEBIAN/control", control);
    const std::string newer = work + "newer.deb";
    run({"dpkg-deb", "--root-owner-group", "-b", tree, newer});
    run({"dpkg", "--compare-versions", version + ".1", "gt", version});
    return newer;
}

std::string iniLine(const std::string& ini, const std::string& key) {
    const auto at = ini.find("\n" + key + "=");
    if (at == std::string::npos) return "";
    return ini.substr(at + 1, ini.find_first_of("\r\n", at + 1) - at - 1);
}

// Which of two pictures the panel window shows: the one nearer to it over a
// grid of the whole window (the controls over it are the same for both).
long distance(const PanelShot& p, const QImage& picture) {
    long sum = 0;
    for (int y = 0; y < kWindowHeight; y += 6)
        for (int x = 0; x < kWindowWidth; x += 6) {
            const QRgb a = p.pixel(x, y), b = picture.pixel(x, y);
            sum += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
        }
    return sum;
}

bool showsRatherThan(PanelSession& s, const QImage& shown, const QImage& other) {
    return s.waitForShot([&](const PanelShot& p) { return distance(p, shown) < distance(p, other); });
}

QImage picture(const std::string& path) {
    QImage image(QString::fromStdString(path));
    if (image.isNull()) throw std::runtime_error("cannot read " + path);
    return image;
}

// Every file of the package folder but the first configuration is reached
// from the operator's folder through a link to the installed file.
void expectLinksToEveryPackageFile(const std::string& lib, const std::string& folder) {
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(lib)) {
        if (entry.is_directory()) continue;
        const std::string name = fs::relative(entry.path(), lib).string();
        if (name == "Vostrelle.ini") continue;
        ++files;
        EXPECT_TRUE(fs::is_symlink(folder + name)) << name << " is not a link";
        EXPECT_EQ(fs::read_symlink(folder + name), fs::canonical(entry.path())) << name;
    }
    EXPECT_GE(files, 5);
}

void finishWithFin(PanelSession& s) {
    s.clickAt(kFinX, kFinY);
    const auto ended = s.program().waitExit(kWaitMs);
    ASSERT_TRUE(ended.has_value()) << "FIN did not end the program";
    EXPECT_TRUE(ended->success());
}

TEST(Package, TheLauncherLaysOutTheOperatorsFolderWhoseSettingsOutliveRestartsAndAnUpgrade) {
    const test::ProgramFolder work(false);
    const std::string root = work.path() + "root/", home = work.path() + "home/";
    const std::string lib = root + "usr/lib/vostrelle/", launcher = root + "usr/bin/vostrelle";
    const std::string folder = home + "Vostrelle/";
    fs::create_directories(home);
    installInto(VOS_DEB_FILE, root);
    const std::string firstConfig = test::Slurp(lib + "Vostrelle.ini");
    const QImage milling = picture(lib + "Skins/num760f.jpg"), lathe = picture(lib + "Skins/num760t.jpg");
    const std::vector<std::string> operatorEnv = {"HOME=" + home};

    // The technician lays the folder out before the operator's first start,
    // to link the adapter.
    run({launcher, "--preparer"}, environmentWith(operatorEnv));
    EXPECT_FALSE(fs::is_symlink(folder + "Vostrelle.ini"));
    EXPECT_EQ(test::Slurp(folder + "Vostrelle.ini"), firstConfig);
    expectLinksToEveryPackageFile(lib, folder);
    const std::string readme = test::Slurp(folder + "Ports/LISEZMOI.txt");
    EXPECT_THAT(readme, HasSubstr("ln -s /dev/serial/by-id/"));
    EXPECT_THAT(readme, HasSubstr("dialout"));

    // First start by the launcher, on the pseudo-terminal linked as COM1:
    // the operator switches to the lathe and ends with FIN.
    PanelSession s(LaunchedPanel{folder, {launcher}, operatorEnv});
    ASSERT_TRUE(s.startUntilBanner());
    EXPECT_TRUE(showsRatherThan(s, milling, lathe)) << "the first configuration's milling picture is not shown";
    s.clickAt(kTfX, kTfY);
    EXPECT_TRUE(showsRatherThan(s, lathe, milling)) << "T/F";
    finishWithFin(s);
    EXPECT_EQ(iniLine(s.readIni(), "Fond"), "Fond=num760t.jpg") << "the choice is not saved in the operator's folder";
    EXPECT_EQ(test::Slurp(lib + "Vostrelle.ini"), firstConfig) << "the package's file was written";
    // ... and notes something in the file by hand.
    const std::string note = "; poste 7, tour de l'atelier";
    test::Spit(s.iniPath(), s.readIni() + note + "\r\n");

    // Second start: the folder keeps the operator's file, and the panel
    // starts from it.
    ASSERT_TRUE(s.startUntilBanner());
    EXPECT_TRUE(showsRatherThan(s, lathe, milling)) << "the saved lathe picture is not shown";
    finishWithFin(s);
    EXPECT_EQ(iniLine(s.readIni(), "Fond"), "Fond=num760t.jpg");
    EXPECT_THAT(s.readIni(), HasSubstr(note));

    // A newer package over this one; the operator's folder stays as it is.
    const std::string readmeBefore = test::Slurp(folder + "Ports/LISEZMOI.txt");
    installInto(makeNewerPackage(VOS_DEB_FILE, work.path()), root);
    const QImage newLathe = picture(lib + "Skins/num760t.jpg");

    // Third start: the new version's pictures and files are the operator's
    // at once; the settings, the notes and the ports are untouched.
    ASSERT_TRUE(s.startUntilBanner()) << "no start on COM1 after the upgrade";
    EXPECT_TRUE(showsRatherThan(s, newLathe, lathe)) << "the new version's lathe picture is not shown";
    finishWithFin(s);
    const std::string ini = s.readIni();
    EXPECT_EQ(iniLine(ini, "Fond"), "Fond=num760t.jpg");
    EXPECT_THAT(ini, HasSubstr(note));
    EXPECT_THAT(ini, Not(HasSubstr("version suivante"))) << "the new first configuration replaced the operator's";
    expectLinksToEveryPackageFile(lib, folder);
    EXPECT_THAT(test::Slurp(folder + "Vostrelle.htm"), HasSubstr("version suivante"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(folder + "ltypeb-LICENCE.txt"))) << "link to a dropped file kept";
    EXPECT_EQ(fs::read_symlink(folder + "Ports/COM1"), s.pty().slavePath());
    EXPECT_EQ(test::Slurp(folder + "Ports/LISEZMOI.txt"), readmeBefore);
}

// ~/Vostrelle is a link to a folder on another disk, where an older version
// left links to files it no longer has, the operator linked Skins to a folder
// of his own, and a link has a line end in its name that names a file
// outside. The launcher works in the folder the link leads to, removes the
// stale links there, moves nothing and removes nothing outside it; the first
// configuration is the one the site wrote in /etc/vostrelle.
TEST(Launcher, KeepsToTheFolderItsLinkLeadsToWhateverTheNamesInIt) {
    const test::ProgramFolder work(false);
    const std::string root = work.path() + "root/", home = work.path() + "home/";
    const std::string lib = root + "usr/lib/vostrelle/", launcher = root + "usr/bin/vostrelle";
    const std::string disk = work.path() + "disk/Vostrelle/", outside = work.path() + "outside/";
    installInto(VOS_DEB_FILE, root);
    const std::string siteIni = root + "etc/vostrelle/Vostrelle.ini";
    std::string site = test::Slurp(siteIni);
    ASSERT_NE(site.find("\nCom=1"), std::string::npos);
    site.replace(site.find("\nCom=1") + 5, 1, "3");
    test::Spit(siteIni, site);

    fs::create_directories(home);
    fs::create_directories(disk);
    fs::create_directory_symlink(disk, home + "Vostrelle");
    fs::create_symlink(lib + "ancien.htm", disk + "ancien.htm");
    fs::create_directories(outside + "skins");
    test::Spit(outside + "skins/num760f.jpg", "l'image de l'opérateur");
    fs::create_directory_symlink(outside + "skins", disk + "Skins");
    fs::create_symlink(lib + "disparu.htm", outside + "victime");
    // (folders "a<line end>", "tmp"... down to a link named like the victim)
    const std::string strange = disk + "a\n" + outside + "victime";
    fs::create_directories(fs::path(strange).parent_path());
    fs::create_symlink("/dev/null", strange);

    run({launcher, "--preparer"}, environmentWith({"HOME=" + home}));

    EXPECT_TRUE(fs::is_symlink(home + "Vostrelle"));
    EXPECT_TRUE(test::Slurp(disk + "Vostrelle.ini") == site) << "not the site's first configuration";
    expectLinksToEveryPackageFile(lib, disk);
    EXPECT_FALSE(fs::exists(fs::symlink_status(disk + "ancien.htm"))) << "stale link kept";
    EXPECT_TRUE(fs::is_symlink(strange)) << "the operator's own link went";
    EXPECT_TRUE(fs::is_symlink(outside + "victime")) << "a link outside the folder was removed";
    std::vector<std::string> skins;
    for (const auto& e : fs::directory_iterator(outside + "skins")) skins.push_back(e.path().filename().string());
    EXPECT_EQ(skins, std::vector<std::string>{"num760f.jpg"}) << "the launcher wrote in a folder outside";
    EXPECT_TRUE(test::Slurp(outside + "skins/num760f.jpg") == "l'image de l'opérateur") << "a file outside changed";
    EXPECT_TRUE(fs::is_symlink(disk + "Anciens fichiers/Skins")) << "the Skins link is not put aside";
}

// --version, the session's start entry on and off, and the dialout advice
// given to an operator outside the group only (uid 65534, with or without the
// group). Table: the launcher's options as a technician uses them.
TEST(Launcher, AnswersItsOptionsAndAdvisesTheDialoutGroupToThoseOutsideIt) {
    const test::ProgramFolder work(false);
    const std::string root = work.path() + "root/", launcher = root + "usr/bin/vostrelle";
    installInto(VOS_DEB_FILE, root);
    std::string version;
    run({"dpkg-deb", "-f", VOS_DEB_FILE, "Version"}, environmentWith({}), &version);
    std::string said;
    run({launcher, "--version"}, environmentWith({}), &said);
    EXPECT_EQ(said, "vostrelle " + version);

    const std::string home = work.path() + "home/", config = work.path() + "config/";
    const std::string entry = config + "autostart/vostrelle.desktop";
    fs::create_directories(home);
    const auto env = environmentWith({"HOME=" + home, "XDG_CONFIG_HOME=" + config});
    run({launcher, "--demarrage-auto"}, env);
    EXPECT_THAT(test::Slurp(entry), HasSubstr("\nExec=\"" + launcher + "\"\n"));
    run({launcher, "--sans-demarrage-auto"}, env);
    EXPECT_FALSE(fs::exists(entry));

    runTool({"chmod", "-R", "a+rX", work.path()}, environmentWith({}));
    struct Row {
        std::string groups;  // setpriv's
        bool advised;
    };
    for (const Row& row : {Row{"--clear-groups", true}, Row{"--groups=dialout", false}}) {
        const std::string h = work.path() + "home" + std::to_string(row.advised) + "/";
        fs::create_directories(h);
        runTool({"chown", "65534:65534", h}, environmentWith({}));
        const ExitStatus s = runTool({"sh", "-c", "exec setpriv --reuid=65534 --regid=65534 \"$1\" -- \"$0\" --preparer 2>&1",
                                      launcher, row.groups},
                                     environmentWith({"HOME=" + h}), &said);
        EXPECT_TRUE(s.success()) << said;
        EXPECT_EQ(said.find("sudo adduser") != std::string::npos, row.advised) << row.groups << ": " << said;
        EXPECT_EQ(said.find("dialout") != std::string::npos, row.advised) << row.groups << ": " << said;
    }
}

// Started from the menu (no terminal, a display), a launcher that cannot
// start shows why in a window, and ends when the operator has closed it.
TEST(Launcher, ShowsItsFailureInAWindowWhenStartedFromTheMenu) {
    const test::ProgramFolder work(false);
    const std::string root = work.path() + "root/", home = work.path() + "home/";
    installInto(VOS_DEB_FILE, root);
    fs::remove(root + "usr/lib/vostrelle/Vostrelle.ini");  // a broken installation
    fs::create_directories(home);
    VirtualDisplay display(kScreenWidth, kScreenHeight, work.path() + "xvfb.log");
    XClient x(display.name(), work.path());
    ChildProcess launcher({.argv = {root + "usr/bin/vostrelle"},
                           .env = environmentWith({"HOME=" + home, "DISPLAY=" + display.name()},
                                                  {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY"}),
                           .errorFile = work.path() + "stderr.txt"});
    ASSERT_TRUE(pollUntil([&] { return x.visibleWindows("^Vostrelle$").size() == 1; }, kStartTimeoutMs))
        << "no window: " << test::Slurp(work.path() + "stderr.txt");
    EXPECT_TRUE(launcher.running()) << "the launcher did not wait for the operator";
    x.focus(x.visibleWindows("^Vostrelle$").front());
    x.key("Return");
    const auto ended = launcher.waitExit(kWaitMs);
    ASSERT_TRUE(ended.has_value()) << "the window did not close";
    EXPECT_EQ(ended->value, 1);
    EXPECT_THAT(test::Slurp(work.path() + "stderr.txt"), HasSubstr("installation incomplète"));
}

}  // namespace
}  // namespace vos::e2e
