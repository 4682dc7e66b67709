// Ending the installed program with FIN, and by the ends the operator does
// not choose (signals, the display lost): the program ends normally and its
// configuration file holds the settings in use, rewritten in the tidy layout
// (the file's own line ends, no empty line except one before every section
// after the first; comments and keys it does not own kept in place).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <ostream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/e2e/panel_session.h"

namespace vos::e2e {
namespace {

constexpr int kFinX = 852, kFinY = 66;

// Empty lines in odd places, LF ends, a non-default speed, and no Contexte
// keys of the program's own yet.
constexpr const char* kUntidyIni =
    "[Port]\n"
    "\n"
    "Com=1\n"
    "Bauds=19200\n"
    "InSize=4096\n"
    "\n"
    "\n"
    "[Perso]\n"
    "Fond=num760f.jpg\n"
    "[Contexte]\n"
    "; kept as written\n"
    "Editeur=notepad.exe\n"
    "\n";

// The lines of an LF text; allLf tells whether every line ends with a lone
// LF (no CR anywhere, a line end after the last line).
std::vector<std::string> lfLines(const std::string& text, bool& allLf) {
    std::vector<std::string> lines;
    allLf = text.find('\r') == std::string::npos && !text.empty() && text.back() == '\n';
    std::size_t start = 0;
    while (start < text.size()) {
        const auto lf = text.find('\n', start);
        const auto end = lf == std::string::npos ? text.size() : lf;
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// The configuration file after a close from kUntidyIni: the settings in use
// written back, in the tidy layout and the file's own LF line ends.
void expectWrittenBackTidied(const PanelSession& s) {
    bool allLf = false;
    std::vector<std::string> lines = lfLines(s.readIni(), allLf);
    EXPECT_TRUE(allLf) << "every line ends with LF, as the file's own lines did";

    // The operating-system version is the machine's: check its shape, then
    // compare the rest line by line.
    std::string windows;
    for (auto& line : lines)
        if (line.rfind("Windows=", 0) == 0) {
            windows = line;
            line = "Windows=<version>";
        }
    EXPECT_TRUE(std::regex_match(windows, std::regex(R"(Windows=\d+\.\d+\.\d+ .*)"))) << windows;
    const std::vector<std::string> expected{
        "[Port]", "Com=1", "Bauds=19200", "InSize=4096", "",
        "[Perso]", "Fond=num760f.jpg", "",
        "[Contexte]", "; kept as written", "Editeur=notepad.exe", "Version=1.00", "Windows=<version>",
    };
    EXPECT_EQ(lines, expected);
}

TEST(Close, FinEndsTheProgramAndWritesTheConfigurationBackTidied) {
    PanelSession s({PanelSetup::Ini::Given, kUntidyIni, false});
    ASSERT_TRUE(s.startUntilBanner());

    s.clickAt(kFinX, kFinY);
    const auto ended = s.program().waitExit(kWaitMs);
    ASSERT_TRUE(ended.has_value()) << "FIN did not end the program";
    EXPECT_TRUE(ended->success()) << (ended->signalled ? "signal " : "status ") << ended->value;
    EXPECT_TRUE(s.x().visibleWindows(".").empty());
    expectWrittenBackTidied(s);
}

// The ends the operator does not choose: the system's request (SIGTERM at
// shutdown, SIGHUP, SIGINT) and the display going away (the session's X
// server ends). Each runs the close: the configuration written back and
// tidied, the line given back with the settings it had and not exclusive.
enum class End { Sigterm, Sighup, Sigint, DisplayLost };

void PrintTo(End e, std::ostream* os) {
    *os << (e == End::Sigterm ? "Sigterm" : e == End::Sighup ? "Sighup" : e == End::Sigint ? "Sigint" : "DisplayLost");
}

class SessionEnd : public ::testing::TestWithParam<End> {};

TEST_P(SessionEnd, RunsTheCloseThatWritesTheConfigurationAndGivesTheLineBack) {
    PanelSession s({PanelSetup::Ini::Given, kUntidyIni, false});
    // A descriptor of our own keeps the line's settings while nobody else
    // has it open; it starts in a terminal's cooked mode.
    const int keeper = ::open(s.pty().slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(keeper, 0);
    termios cooked{};
    ASSERT_EQ(::tcgetattr(keeper, &cooked), 0);
    cooked.c_lflag |= ICANON | ECHO;
    ASSERT_EQ(::tcsetattr(keeper, TCSANOW, &cooked), 0);
    ASSERT_TRUE(s.startUntilBanner());
    termios during{};
    int exclusive = -1;
    ASSERT_EQ(::tcgetattr(keeper, &during), 0);
    ASSERT_EQ(::ioctl(keeper, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(during.c_lflag & ICANON, 0u) << "the panel uses the line raw";
    EXPECT_EQ(exclusive, 1);

    switch (GetParam()) {
    case End::Sigterm: ::kill(s.program().pid(), SIGTERM); break;
    case End::Sighup: ::kill(s.program().pid(), SIGHUP); break;
    case End::Sigint: ::kill(s.program().pid(), SIGINT); break;
    case End::DisplayLost: s.loseDisplay(); break;
    }
    const auto ended = s.program().waitExit(kWaitMs);
    ASSERT_TRUE(ended.has_value()) << "the program did not end";
    EXPECT_FALSE(ended->signalled) << "killed by signal " << ended->value;
    if (GetParam() != End::DisplayLost) EXPECT_EQ(ended->value, 0);
    expectWrittenBackTidied(s);

    termios after{};
    ASSERT_EQ(::tcgetattr(keeper, &after), 0);
    ASSERT_EQ(::ioctl(keeper, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(after.c_lflag & (ICANON | ECHO), static_cast<tcflag_t>(ICANON | ECHO)) << "settings not restored";
    EXPECT_EQ(exclusive, 0) << "the line is still exclusive";
    ::close(keeper);
}

INSTANTIATE_TEST_SUITE_P(Ends, SessionEnd, ::testing::Values(End::Sigterm, End::Sighup, End::Sigint, End::DisplayLost),
                         [](const auto& info) {
                             std::ostringstream name;
                             PrintTo(info.param, &name);
                             return name.str();
                         });

}  // namespace
}  // namespace vos::e2e
