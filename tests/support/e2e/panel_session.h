#pragma once
// One run of the installed program for an end-to-end test: a private program
// folder laid out by `cmake --install` (or by the package's launcher, see
// LaunchedPanel), a pseudo-terminal as its COM1 (the
// test holds the master and plays the control), a private X server, and the
// program started there. Everything is observed from outside: the bytes on
// the line, the files in the folder, screenshots of the display.
//
// The object owns every process it starts and stops them (process groups)
// when it goes, also when the test fails; on failure the last screenshot and
// the program's output are kept under <build>/Testing/e2e-failures/.
//
// Threads: the test's thread only (the line recorder reads on its own).
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/e2e/child_process.h"
#include "tests/support/e2e/line_recorder.h"
#include "tests/support/e2e/panel_shot.h"
#include "tests/support/e2e/virtual_display.h"
#include "tests/support/e2e/x_client.h"
#include "tests/support/pty.h"

namespace vos::e2e {

// Generous limits: the tests run on a loaded 2-core machine; a limit only
// bounds a failing test.
inline constexpr int kStartTimeoutMs = 60000;
inline constexpr int kWaitMs = 20000;

// The screen of the private X server; the window's top-centre place is
// ((1280 - 870) / 2, 0) = (205, 0) at the design size.
inline constexpr int kScreenWidth = 1280;
inline constexpr int kScreenHeight = 800;
inline constexpr int kWindowWidth = 870;
inline constexpr int kWindowHeight = 720;

// Plain skins a test can ask for, so that the two pictures are told apart at
// any pixel no control covers.
inline constexpr std::uint32_t kPlainMillingRgb = 0x3c6eb4;  // blue-grey
inline constexpr std::uint32_t kPlainLatheRgb = 0xb4823c;    // ochre

// Checks done() every periodMs until it holds or timeoutMs passed; returns
// done(). For conditions that cost a tool run (window look-ups).
bool pollUntil(const std::function<bool()>& done, int timeoutMs = kWaitMs, int periodMs = 100);

struct PanelSetup {
    enum class Ini { Installed, Given, Missing };
    Ini ini = Ini::Installed;
    std::string iniText;       // the whole file, for Ini::Given
    bool plainSkins = false;   // replace both skins with plain pictures
    // Variables for the program, "NAME=value" (QT_SCALE_FACTOR=2...); the
    // desktop's scaling variables are otherwise removed.
    std::vector<std::string> environment;
    // The program is started through this command (e.g. setpriv ...).
    std::vector<std::string> launcher;
    // Arguments given to the program.
    std::vector<std::string> arguments;
    // The private X server's screen.
    int screenWidth = kScreenWidth;
    int screenHeight = kScreenHeight;
    // The panel fills the screen: its window is the screen, the panel
    // centred in it at the scale that fits.
    bool fullScreen = false;
};

// A program folder that something other than the session lays out (the
// package's launcher), and the command that starts the program in it.
struct LaunchedPanel {
    std::string folder;                    // must hold its Ports folder already
    std::vector<std::string> command;      // run again by every start()
    std::vector<std::string> environment;  // "NAME=value", added to the session's
};

class PanelSession {
public:
    // Lays out the folder, the line and the display; the program is not
    // started yet. Throws when a part cannot be set up.
    explicit PanelSession(PanelSetup setup = {});
    // The same in a folder laid out elsewhere: only COM1 is linked there (in
    // its Ports folder, which must exist, so that the program never reaches a
    // real device), and start() runs the launched command.
    explicit PanelSession(LaunchedPanel launched);
    ~PanelSession();
    PanelSession(const PanelSession&) = delete;
    PanelSession& operator=(const PanelSession&) = delete;

    void start();
    // Starts the program and waits until its window shows the banner and it
    // sends idle bytes on the line: the state every test begins from.
    ::testing::AssertionResult startUntilBanner();
    ChildProcess& program() { return *program_; }
    // Waits for the program's panel window (870 x 720, or that shape scaled
    // by the desktop's density; the whole screen when the setup says full
    // screen) and notes where the panel is and its scale.
    bool waitForMainWindow(int timeoutMs = kStartTimeoutMs);
    // The window's screen pixels per design pixel (1 at the design size).
    double scale() const { return scale_; }
    std::uint64_t window() const { return window_; }
    WindowGeometry windowGeometry() const;
    // Waits until the program has the line open and sends idle bytes.
    bool waitForLine(int timeoutMs = kStartTimeoutMs);

    // The program folder (trailing '/') and its configuration file.
    const std::string& folder() const;
    std::string iniPath() const;
    bool iniExists() const;
    std::string readIni() const;

    // The control's side of the line.
    test::PtyPair& pty() { return *pty_; }
    LineRecorder& line() { return *recorder_; }
    bool sendFromControl(const std::vector<std::uint8_t>& bytes);
    // The adapter is pulled out: Ports/COM1 goes (as a /dev/serial/by-id
    // link does), then the master closes. Then plugged back: a new
    // pseudo-terminal at the same name, with a new recorder.
    void unplugLine();
    void plugNewLine();
    // The X server ends, as at the end of a session: the display is gone
    // for the program and for the test (no input, no screenshot after it).
    void loseDisplay();

    // Input at points of the program's window, in design pixels (the
    // centre of what the point became in a scaled window), and keys.
    void clickAt(int x, int y, Button button = Button::Left);
    void pressAt(int x, int y, Button button = Button::Left);
    void release(Button button = Button::Left);
    void clickHolding(int x, int y, Button button, const std::string& keyName);
    void doubleClickAt(int x, int y, Button button = Button::Left);
    void key(const std::string& keyName);
    XClient& x() { return *x_; }

    // Screenshots seen through the window (its place as last noted).
    PanelShot shot();
    // Takes screenshots until one satisfies done (at most timeoutMs); the
    // last one taken goes to *last.
    bool waitForShot(const std::function<bool(const PanelShot&)>& done, int timeoutMs = kWaitMs,
                     PanelShot* last = nullptr);

private:
    void install();
    void prepareSkins(bool plain);
    void connectLineAndDisplay();
    QPoint onScreen(int x, int y) const;
    void keepDiagnostics();
    bool fullScreenWindow(std::uint64_t id, const WindowGeometry& g);

    std::unique_ptr<test::ProgramFolder> installed_;  // null for a launched folder
    std::string folder_;
    LaunchedPanel launched_;
    test::ProgramFolder scratch_{false};
    std::unique_ptr<test::PtyPair> pty_ = std::make_unique<test::PtyPair>();
    std::unique_ptr<LineRecorder> recorder_;
    PanelSetup setup_;
    std::unique_ptr<VirtualDisplay> display_;
    std::unique_ptr<XClient> x_;
    std::unique_ptr<ChildProcess> program_;
    std::uint64_t window_ = 0;
    WindowGeometry placed_;
    double scale_ = 1.0;
    QImage lastScreen_;
};

}  // namespace vos::e2e
