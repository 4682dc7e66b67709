// The panel as the machine's own station, on the installed program: the
// screen kept on while it runs, on a private session bus whose stand-in
// services record what they are asked, and on an X server whose screen saver
// is set to start after 2 s without input.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "tests/support/e2e/panel_session.h"
#include "tests/support/temp_files.h"

namespace vos::e2e {
namespace {

namespace fs = std::filesystem;

// A session bus of the test's own (no service is started on demand on it)
// with the stand-in for the desktop's inhibition services on it.
class PrivateBus {
public:
    PrivateBus() {
        const std::string socket = dir_.File("bus");
        const std::string config = dir_.File("bus.conf");
        test::Spit(config,
                   "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN\"\n"
                   " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                   "<busconfig><type>session</type><listen>unix:path=" + socket + "</listen>"
                   "<auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\"/><allow eavesdrop=\"true\"/>"
                   "<allow own=\"*\"/></policy></busconfig>\n");
        address_ = "unix:path=" + socket;
        daemon_ = std::make_unique<ChildProcess>(SpawnOptions{
            {"dbus-daemon", "--nofork", "--config-file=" + config}, environmentWith({}), dir_.File("bus.log"),
            dir_.File("bus.log"), -1, ""});
        if (!pollUntil([&] { return fs::exists(socket); }))
            throw std::runtime_error("dbus-daemon did not come up: " + test::Slurp(dir_.File("bus.log")));
        standIn_ = std::make_unique<ChildProcess>(SpawnOptions{
            {VOS_INHIBIT_STANDIN}, environmentWith({"DBUS_SESSION_BUS_ADDRESS=" + address_}), calls(),
            dir_.File("standin.err"), -1, ""});
        if (!waitForCall("ready")) throw std::runtime_error("the stand-in did not come up");
    }

    const std::string& address() const { return address_; }
    // The calls the stand-in got, one a line.
    std::string callLog() const { return test::Slurp(calls()); }
    bool waitForCall(const std::string& line) const {
        return pollUntil([&] { return callLog().find(line + "\n") != std::string::npos; });
    }

private:
    std::string calls() const { return dir_.File("calls.log"); }

    test::TempDir dir_;
    std::string address_;
    std::unique_ptr<ChildProcess> daemon_;
    std::unique_ptr<ChildProcess> standIn_;
};

TEST(Station, TheScreenIsKeptOnWhileThePanelRunsAndGivenBackAtItsEnd) {
    PrivateBus bus;
    PanelSetup setup;
    setup.environment = {"DBUS_SESSION_BUS_ADDRESS=" + bus.address()};
    PanelSession s(setup);
    ASSERT_TRUE(s.startUntilBanner());

    // Both desktop services were asked, with the reason the operator's
    // desktop shows, and the portal was told which window asks.
    char window[32];
    std::snprintf(window, sizeof window, "x11:%llx", static_cast<unsigned long long>(s.window()));
    EXPECT_TRUE(bus.waitForCall(std::string("portal Inhibit window=") + window +
                                " flags=8 reason=Pupitre de la machine en service"))
        << bus.callLog();
    EXPECT_TRUE(bus.waitForCall("screensaver Inhibit application=Vostrelle reason=Pupitre de la machine en service"))
        << bus.callLog();

    // The X screen saver, set to start after 2 s without input, does not
    // start while the panel runs (three times that long).
    s.x().xset({"s", "2"});
    s.x().xset({"s", "reset"});
    std::this_thread::sleep_for(std::chrono::seconds(6));
    EXPECT_FALSE(s.x().screenSaverOn()) << "the screen blanked under the panel";

    // FIN: each request is given back, and the screen saver starts again.
    s.clickAt(852, 66);
    ASSERT_TRUE(s.program().waitExit(kWaitMs).has_value()) << "FIN did not end the program";
    EXPECT_TRUE(bus.waitForCall("screensaver UnInhibit cookie=42")) << bus.callLog();
    EXPECT_TRUE(bus.waitForCall("portal Close path=/org/freedesktop/portal/desktop/request/1_1/vostrelle"))
        << bus.callLog();
    EXPECT_TRUE(pollUntil([&] { return s.x().screenSaverOn(); })) << "the screen saver never started after the end";
    EXPECT_EQ(bus.callLog().find("unexpected"), std::string::npos) << bus.callLog();
}

}  // namespace
}  // namespace vos::e2e
