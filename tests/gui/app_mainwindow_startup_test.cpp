// The main window's start-up, activation and close on a private program
// folder: with a configuration and a pseudo-terminal as COM1, without a
// configuration file, on a machine without any port, and with the configured
// port held by another program.
#include "tests/support/main_window.h"

#include <QComboBox>

#include <set>

#include "app/form1_design.h"
#include "input/hit_map.h"
#include "input/hit_map_tables.h"
#include "panel/screen.h"
#include "platform/qt/label.h"
#include "platform/qt/list_controls.h"
#include "platform/qt/picture.h"
#include "platform/qt/shape.h"
#include <QApplication>
#include <QTimer>

namespace vos::test {
namespace {

using app::kBannerLine;
using app::kBannerText;
using app::kBlankLine;

constexpr const char* kIniMissing = "Fichier Vostrelle.ini introuvable, réinstaller Vostrelle";
constexpr const char* kAlreadyOpen = "ie_Open - device already open";

std::set<std::string> folderEntries(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.insert(e.path().filename().string());
    return names;
}

void expectBanner(app::TForm1& f) {
    panel::Screen& s = f.screen();
    for (int n = 1; n <= panel::Screen::kRows; ++n) {
        EXPECT_EQ(s.lineText(n), n == kBannerLine ? std::string(kBannerText) : std::string(kBlankLine))
            << "Ligne" << n;
        EXPECT_EQ(s.ligneC(n).caption(), std::string(kBlankLine)) << "strip " << n;
    }
    EXPECT_EQ(s.lineText(kBannerLine).size(), 39u);
}

void expectTopCentre(app::TForm1& f) {
    Form& w = f.form();
    EXPECT_EQ(w.left(), (w.screenWidth() - w.clientWidth()) / 2);
    EXPECT_EQ(w.top(), 0);
}

TEST_F(MainWindowTest, StartUpOpensTheConfiguredPortAndActivationWritesTheBanner) {
    PtyPair& com1 = addPort(1);
    const std::string ini = iniText(1, "num760f.jpg");
    writeIni(ini);
    const std::string skin = writeSkin("num760f.jpg", QColor(30, 60, 90));
    copyFont();
    // What a save killed half-way left beside the file: gone at the start.
    const std::string left = folder.writeFile(".Vostrelle.ini.4242.tmp", "[Port]\r\nCo");

    app::TForm1& f = buildAndShow();
    ASSERT_TRUE(waitUntil([&] { return linkUp(1); })) << statusText();

    EXPECT_FALSE(std::filesystem::exists(left));
    EXPECT_TRUE(recordedMessages().empty()) << recordedMessages().front().second;
    EXPECT_FALSE(f.state.EnDemarrage);
    EXPECT_FALSE(f.startupAbandoned);
    EXPECT_FALSE(appServices().quitRequested);
    EXPECT_TRUE(f.form().visible());
    // The configured skin and the machine type it names.
    EXPECT_EQ(f.Fond.fileName(), skin);
    EXPECT_TRUE(f.machineType.EstFraiseuse);
    EXPECT_FALSE(f.machineType.EstTour);
    // The port: found by the search, open, its lights at work.
    ComboBox& ports = control<ComboBox>("ComboBox_NoCom");
    ASSERT_EQ(ports.count(), 1);
    EXPECT_EQ(ports.item(0), "COM  1");
    EXPECT_EQ(ports.itemIndex(), 0);
    EXPECT_EQ(control<ComboBox>("ComboBox_Bauds").itemIndex(), 0);
    EXPECT_EQ(statusText(), "COM1 9600");
    EXPECT_TRUE(waitUntil([&] { return lit(design::linkbar::kTXDLight); })) << "TXD does not follow the idle bytes";
    // Activation: placement, banner, frame pens.
    expectTopCentre(f);
    expectBanner(f);
    EXPECT_EQ(f.hitMap().frame(32).penColor(), design::hitmap::kActivationPen);
    EXPECT_EQ(f.hitMap().frame(115).penColor(), design::hitmap::kActivationPen);
    EXPECT_EQ(f.hitMap().frame(56).penColor(), design::hitmap::kFrameDesignPen);
    // The port is really open: idle bytes arrive on the line.
    Bytes line;
    ASSERT_TRUE(receiveUntil(com1, line, [](const Bytes& b) { return b.size() >= 20; }));
    EXPECT_TRUE(nonZero(line).empty());
    // Nothing was written to the configuration file during start-up.
    EXPECT_EQ(test::Slurp(iniPath()), ini);
}

TEST_F(MainWindowTest, EachActivationPlacesTheWindowAgainAndRewritesTheBanner) {
    addPort(1);
    writeIni(iniText(1, ""));
    app::TForm1& f = buildAndShow();
    ASSERT_TRUE(recordedMessages().empty());

    f.form().moveTo(17, 140);
    f.screen().ligne(4).setCaption("autre chose");
    f.screen().ligne(9).setCaption("ABC");
    f.screen().ligneC(2).setCaption("E");
    f.FormActivate();
    expectTopCentre(f);
    expectBanner(f);
}

TEST_F(MainWindowTest, TheSkinNameDecidesTheMachineType) {
    struct Case {
        const char* fond;
        bool fraiseuse;
        bool skinFile;
    };
    for (const Case c : {Case{"", false, false}, Case{"num760t.jpg", false, true}, Case{"num760f.jpg", true, true}}) {
        SCOPED_TRACE(c.fond);
        writeSkin("num760t.jpg", QColor(90, 60, 30));
        writeSkin("num760f.jpg", QColor(30, 60, 90));
        addPort(1);
        writeIni(iniText(1, c.fond));
        app::TForm1& f = buildAndShow();
        EXPECT_TRUE(recordedMessages().empty());
        EXPECT_EQ(f.machineType.EstFraiseuse, c.fraiseuse);
        EXPECT_EQ(f.machineType.EstTour, !c.fraiseuse);
        EXPECT_EQ(f.state.FichierFond, c.fond);
        // Without a name the design picture stays.
        EXPECT_EQ(f.Fond.fileName(), c.skinFile ? folder.path() + "Skins/" + c.fond : std::string());
        TearDown();
    }
}

// The box, then the end: the quit request is all a running program needs
// (outside the event loop runApplication returns its status instead of
// entering the loop); the window never appears and nothing is written.
TEST_F(MainWindowTest, MissingConfigurationShowsOneBoxAsksToQuitAndWritesNothing) {
    PtyPair& com1 = addPort(1);  // the open at creation succeeds: no other box
    app::TForm1& f = build();
    Bytes line;
    ASSERT_TRUE(receiveUntil(com1, line, [](const Bytes& b) { return !b.empty(); })) << "the port did not open";
    ASSERT_TRUE(recordedMessages().empty());

    f.form().show();

    ASSERT_EQ(recordedMessages().size(), 1u);
    EXPECT_EQ(recordedMessages()[0].first, "error");
    EXPECT_EQ(recordedMessages()[0].second, kIniMissing);
    EXPECT_TRUE(appServices().quitRequested);
    EXPECT_EQ(appServices().quitStatus, 1);
    EXPECT_FALSE(appServices().inEventLoop);
    // Start-up stopped at the check: no activation, no search, port closed.
    EXPECT_TRUE(f.state.EnDemarrage);
    EXPECT_TRUE(f.startupAbandoned);
    EXPECT_FALSE(f.form().visible());
    EXPECT_NE(f.screen().lineText(kBannerLine), std::string(kBannerText));
    EXPECT_EQ(control<ComboBox>("ComboBox_NoCom").count(), 0);
    com1.readUntilQuiet(100);
    serveEventsFor(std::chrono::milliseconds(100));
    EXPECT_TRUE(com1.readUntilQuiet(100).empty()) << "the idle timer still sends";

    // A close request on the way out writes nothing either, nor does the
    // window's destruction; the folder holds what it held before.
    f.form().close();
    EXPECT_EQ(recordedMessages().size(), 1u);
    form1.reset();
    EXPECT_FALSE(std::filesystem::exists(iniPath()));
    EXPECT_EQ(folderEntries(folder.path()), std::set<std::string>{"Ports"});
}

// The configuration file as an operator may leave it: comments, unknown keys,
// stray blank lines, LF line ends.
constexpr const char* kUntidyIni =
    "[Port]\n; port de la liaison\nCom=1\n\n\nBauds=9600\nInSize=4096\nCle=inconnue\n"
    "[Perso]\nFond=\n\n\n\n[Contexte]\nEditeur=notepad.exe\n";

TEST_F(MainWindowTest, WithoutAnyPortStartUpGoesOnAndTheCloseWritesTheConfigurationBack) {
    writeIni(kUntidyIni);
    app::TForm1& f = buildAndShow();

    // Only the open at creation failed, once, on the configured port; the
    // idle timer raises nothing.
    serveEventsFor(std::chrono::milliseconds(200));
    ASSERT_EQ(recordedErrors().size(), 1u);
    EXPECT_EQ(recordedErrors()[0], "ie_BadId - Specified comport doesn't exist");
    EXPECT_FALSE(f.state.EnDemarrage);
    EXPECT_TRUE(f.form().visible());
    expectBanner(f);
    EXPECT_EQ(control<ComboBox>("ComboBox_NoCom").count(), 0);
    EXPECT_FALSE(okLit());
    EXPECT_EQ(statusText(), "COM1 NON DISPONIBLE");
    EXPECT_EQ(test::Slurp(iniPath()), kUntidyIni) << "written during start-up";

    f.form().close();
    EXPECT_EQ(recordedErrors().size(), 1u);
    EXPECT_TRUE(appServices().quitRequested);
    EXPECT_EQ(appServices().quitStatus, 0);

    const std::string text = test::Slurp(iniPath());
    const auto port = iniSection(text, "Port");
    const auto perso = iniSection(text, "Perso");
    const auto contexte = iniSection(text, "Contexte");
    EXPECT_EQ(port.at("Com"), "1");
    EXPECT_EQ(port.at("Bauds"), "9600");
    EXPECT_EQ(port.at("Cle"), "inconnue");
    EXPECT_EQ(perso.at("Fond"), "");
    EXPECT_EQ(contexte.at("Version"), "1.00");
    EXPECT_EQ(contexte.at("Windows"), app::versionWindowsText(f.state.VersionWindows));
    EXPECT_EQ(contexte.at("Editeur"), "notepad.exe");
    // Tidy: the file's own LF line ends everywhere, one blank line before
    // each later section and none elsewhere, the comment kept in place.
    EXPECT_EQ(text.find("\n\n\n"), std::string::npos);
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_EQ(text.rfind("[Port]\n; port de la liaison\nCom=1\n", 0), 0u) << text;
    EXPECT_NE(text.find("\n\n[Perso]\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n\n[Contexte]\n"), std::string::npos) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 14);  // 12 lines + 2 blank
}

// The opening with the design settings (COM1) before the configuration is
// read is about a port the operator may not use: with COM3 configured and no
// COM1 at all, no box; COM3 opens.
TEST_F(MainWindowTest, TheDesignPortsFailureIsNotShownWhenAnotherPortIsConfigured) {
    addPort(3);
    writeIni(iniText(3, ""));
    buildAndShow();
    ASSERT_TRUE(waitUntil([&] { return linkUp(3); })) << statusText();
    serveEventsFor(std::chrono::milliseconds(300));
    EXPECT_TRUE(recordedErrors().empty()) << recordedErrors().front();
}

// A configured port that another program holds must not end the program: the
// operator needs the window to choose another port.
TEST_F(MainWindowTest, ConfiguredPortHeldByAnotherProgramLeavesTheWindowRunningWithoutLink) {
    struct Case {
        int configured;  // COM1 is also the port opened at creation
    };
    for (const Case c : {Case{1}, Case{2}}) {
        SCOPED_TRACE("COM" + std::to_string(c.configured));
        PtyPair& com1 = addPort(1);
        PtyPair& com2 = addPort(2);
        HeldPort holder(c.configured == 1 ? com1.slavePath() : com2.slavePath());
        ASSERT_TRUE(holder.held());
        writeIni(iniText(c.configured, ""));

        app::TForm1& f = buildAndShow();
        const std::string com = "COM" + std::to_string(c.configured);
        ASSERT_TRUE(waitForStatus(com + " NON DISPONIBLE")) << statusText();

        EXPECT_FALSE(f.state.EnDemarrage);
        EXPECT_FALSE(f.startupAbandoned);
        EXPECT_FALSE(appServices().quitRequested);
        EXPECT_TRUE(f.form().visible());
        expectBanner(f);
        EXPECT_FALSE(okLit());
        // Once: the open at creation (when that was the held port), the
        // start-up check and the open of the next step fail the same way
        // and do not repeat it.
        EXPECT_EQ(recordedErrors(), std::vector<std::string>{kAlreadyOpen});

        // Once the other program lets go, the operator's "Init" opens it.
        holder.release();
        clearRecordedMessages();
        control<CheckBox>("CheckBox_InitPort").onClick();
        EXPECT_TRUE(waitUntil([&] { return linkUp(c.configured); })) << statusText();
        EXPECT_TRUE(recordedErrors().empty());
        EXPECT_EQ(statusText(), com + " 9600");
        TearDown();
    }
}

// Com=0: the choice of a port is asked once (the port dialog, closed by the
// operator: Cancel); declining it leaves the panel running without a line,
// told once, and nothing is asked again until the operator chooses a port.
TEST_F(MainWindowTest, WithPortZeroTheChoiceIsAskedOnceAndDecliningItLeavesThePanelRunning) {
    PtyPair& com1 = addPort(1);
    writeIni(iniText(0, ""));
    int asked = 0;
    QWidget* seen = nullptr;  // the dialog being closed
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog && dialog != seen && dialog->windowTitle() == "Select Port") {
            ++asked;
            seen = dialog;
            dialog->close();
        }
    });
    closer.start(20);
    app::TForm1& f = buildAndShow();
    ASSERT_TRUE(waitUntil([&] { return asked == 1 && !recordedErrors().empty(); }));

    ASSERT_EQ(recordedErrors().size(), 1u);
    EXPECT_EQ(recordedErrors()[0].rfind("The ComNumber property of the TSerialComPort has not been set", 0), 0u);
    EXPECT_NE(recordedErrors()[0].find("Aucun port série n'a été choisi"), std::string::npos);
    EXPECT_FALSE(f.state.EnDemarrage);
    EXPECT_TRUE(f.form().visible());
    EXPECT_FALSE(okLit());
    serveEventsFor(std::chrono::milliseconds(300));
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(com1.readUntilQuiet(50).empty());

    clearRecordedMessages();
    QTest::keyClick(f.form().window(), Qt::Key_F3);
    QTest::keyClick(f.form().window(), Qt::Key_F3);
    ASSERT_EQ(recordedErrors().size(), 1u);
    EXPECT_NE(recordedErrors()[0].find("Aucun port série n'est choisi"), std::string::npos);

    // The operator chooses COM1: it opens, and nothing is asked.
    choosePort(1);
    EXPECT_TRUE(waitUntil([&] { return linkUp(1); })) << statusText();
    EXPECT_EQ(asked, 1);
    Bytes line;
    EXPECT_TRUE(receiveUntil(com1, line, [](const Bytes& b) { return zeros(b) >= 10; }));
}

}  // namespace
}  // namespace vos::test
