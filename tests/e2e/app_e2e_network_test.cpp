// The installed program on a network port: Ports/COM1 links to the URL of
// Debian's ser2net (a private configuration on 127.0.0.1, or inside a
// network namespace), whose device is the session's pseudo-terminal, held by
// the test as the machine's control. Screen bytes and keys go both ways, the
// speed the operator chooses is the control's, the server killed is a lost
// line and its restart brings the line back by itself, a pulled cable is a
// lost line. And a flood from the control (on the local terminal, the
// fastest peer) leaves the program's memory bounded.
#include <gtest/gtest.h>
#include <signal.h>
#include <termios.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/e2e/panel_session.h"
#include "tests/support/ser2net.h"

namespace vos::e2e {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kConfX = 20, kConfY = 655;
constexpr int kBaudsX = 120, kBaudsY = 700;  // the speed list's text

constexpr std::uint8_t ch(char c) { return static_cast<std::uint8_t>(c) | 0x80; }

bool okLightLit(const PanelShot& p) { return p.pixelIs(200, 704, Color::Yellow); }
bool okLightRed(const PanelShot& p) { return p.pixelIs(200, 704, Color::Red); }

// COM1 becomes the server's URL instead of the terminal itself.
void linkToServer(PanelSession& s, const test::Ser2net& server) {
    const std::string com1 = s.folder() + "Ports/COM1";
    std::filesystem::remove(com1);
    std::filesystem::create_symlink(server.url(), com1);
}

speed_t controlSpeed(PanelSession& s) {
    termios t{};
    ::tcgetattr(s.pty().master(), &t);  // a master reads its slave's settings
    return cfgetospeed(&t);
}

bool speedBecomes(PanelSession& s, speed_t want) {
    return pollUntil([&] { return controlSpeed(s) == want; }, kWaitMs, 20);
}

bool codeArrives(PanelSession& s, const std::string& key, std::uint8_t code) {
    const std::size_t mark = s.line().size();
    s.key(key);
    return s.line().waitFor(mark, [&](const auto&) { return s.line().codesSince(mark) == std::vector<std::uint8_t>{code}; },
                            kWaitMs);
}

bool idleBytesFlow(PanelSession& s) {
    const std::size_t mark = s.line().size();
    return s.line().waitFor(mark, [](const auto& bytes) { return bytes.size() >= 50; }, kWaitMs);
}

// The control writes "N" at the top left of a cleared screen; it shows.
bool screenShows(PanelSession& s, char c) {
    if (!s.sendFromControl({0x83, ch(c)})) return false;
    return s.waitForShot([](const PanelShot& q) { return q.lineInk(ScreenLayout::Normal, 1) == "#" + std::string(39, '.'); });
}

std::unique_ptr<test::Ser2net> startServer(PanelSession& s, test::Ser2net::Options options) {
    auto server = std::make_unique<test::Ser2net>(s.pty().slavePath(), options);
    EXPECT_TRUE(server->start()) << server->log();
    linkToServer(s, *server);
    return server;
}

TEST(Network, AnRfc2217PortCarriesScreenAndKeysTakesTheOperatorsSpeedAndComesBackAfterARestart) {
    if (!test::Ser2net::installed()) GTEST_SKIP() << "ser2net is not installed (deps/debian-packages.txt)";
    PanelSession s;
    auto server = startServer(s, {});  // the device starts at 115200
    ASSERT_TRUE(s.startUntilBanner());
    EXPECT_TRUE(speedBecomes(s, B9600)) << "the control's terminal is at " << controlSpeed(s);
    EXPECT_TRUE(screenShows(s, 'N'));
    EXPECT_TRUE(codeArrives(s, "F1", 0x81));

    // The operator chooses 19200 in the speed list, then 9600 again.
    s.clickAt(kConfX, kConfY);
    ASSERT_TRUE(s.waitForShot(okLightLit)) << "the link controls do not show the line up";
    s.clickAt(kBaudsX, kBaudsY);
    s.key("Down");
    EXPECT_TRUE(speedBecomes(s, B19200)) << "the control's terminal is at " << controlSpeed(s);
    EXPECT_TRUE(codeArrives(s, "F3", 0x82));
    s.clickAt(kBaudsX, kBaudsY);
    s.key("Up");
    EXPECT_TRUE(speedBecomes(s, B9600)) << "the control's terminal is at " << controlSpeed(s);

    // The server dies: the line is lost; it comes back: so does the line.
    server->kill();
    EXPECT_TRUE(s.waitForShot(okLightRed)) << "the lights do not show the line lost";
    EXPECT_EQ(s.x().visibleWindows(".").size(), 1u) << "a box came up without a key pressed";
    ASSERT_TRUE(server->start()) << server->log();
    EXPECT_TRUE(idleBytesFlow(s)) << "the panel does not come back to the server";
    EXPECT_TRUE(s.waitForShot(okLightLit)) << "the lights do not show the line back";
    EXPECT_TRUE(speedBecomes(s, B9600)) << "the control's terminal is at " << controlSpeed(s);
    EXPECT_TRUE(codeArrives(s, "F1", 0x81));
    EXPECT_TRUE(screenShows(s, 'O'));
}

// The same with a raw TCP server, inside a network namespace when the
// machine allows one, where its cable is then pulled.
TEST(Network, ARawTcpPortWorksTheSameKeepsTheServersSpeedAndLosesTheLineWhenTheCableIsPulled) {
    if (!test::Ser2net::installed()) GTEST_SKIP() << "ser2net is not installed (deps/debian-packages.txt)";
    test::NetNamespace ns;
    PanelSession s;
    test::Ser2net::Options options;
    options.kind = test::Ser2net::Kind::RawTcp;
    if (ns.ready()) {
        options.host = ns.innerAddress();
        options.netns = ns.name();
        options.port = 4001;
    }
    auto server = startServer(s, options);
    ASSERT_TRUE(s.startUntilBanner());
    EXPECT_TRUE(screenShows(s, 'N'));
    EXPECT_TRUE(codeArrives(s, "F1", 0x81));
    EXPECT_EQ(controlSpeed(s), B115200) << "tcp:// leaves the speed to the server";

    server->kill();  // the link controls come up by themselves
    EXPECT_TRUE(s.waitForShot(okLightRed)) << "the lights do not show the line lost";
    ASSERT_TRUE(server->start()) << server->log();
    EXPECT_TRUE(idleBytesFlow(s)) << "the panel does not come back to the server";
    EXPECT_TRUE(s.waitForShot(okLightLit)) << "the lights do not show the line back";
    EXPECT_TRUE(codeArrives(s, "F3", 0x82));

    if (!ns.ready()) GTEST_SKIP() << "no pulled cable: " << ns.error();
    ASSERT_TRUE(ns.cut());
    const auto cutAt = Clock::now();
    ASSERT_TRUE(s.waitForShot(okLightRed, 20000)) << "the line still looks alive 20 s after the cable was pulled";
    const double seconds = std::chrono::duration<double>(Clock::now() - cutAt).count();
    std::cout << "pulled cable shown after " << seconds << " s\n";
    EXPECT_LT(seconds, 10.0);
}

long residentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

// Random bytes at full speed from the control for 15 s, on the local
// pseudo-terminal: the fastest peer there is (ser2net itself passes about
// 2 MB/s, which the panel nearly keeps up with). Without a bound the program
// grew by megabytes a second; with it, its memory stays within a few
// megabytes of where it was, and it still answers.
TEST(Flood, AFloodFromTheControlLeavesTheProgramsMemoryBounded) {
    PanelSession s;
    ASSERT_TRUE(s.startUntilBanner());
    const pid_t pid = s.program().pid();
    const long before = residentKb(pid);
    ASSERT_GT(before, 0);

    std::atomic<bool> stop{false};
    std::atomic<std::uint64_t> sent{0};
    std::thread flood([&] {
        std::mt19937 random(21);
        std::vector<std::uint8_t> block(65536);
        while (!stop) {
            for (auto& b : block) b = static_cast<std::uint8_t>(random());
            if (!s.pty().write(block, 1000)) continue;
            sent += block.size();
        }
    });
    long peak = before;
    const auto end = Clock::now() + std::chrono::seconds(15);
    while (Clock::now() < end) {
        peak = std::max(peak, residentKb(pid));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    stop = true;
    flood.join();
    std::cout << "flood: " << sent.load() / 1048576 << " MiB sent in 15 s, resident " << before / 1024 << " -> "
              << peak / 1024 << " MiB at most\n";
    EXPECT_GT(sent.load(), 64u << 20) << "the flood was too slow to tell";
    EXPECT_LT(peak - before, 64 * 1024) << "the program grew from " << before << " kB to " << peak << " kB";
    EXPECT_TRUE(s.program().running());
}

}  // namespace
}  // namespace vos::e2e
