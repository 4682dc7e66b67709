// Ending the installed program with FIN: the program ends normally and its
// configuration file holds the settings in use, rewritten in the tidy layout
// (CR LF ends, no empty line except one before every section after the first;
// comments and keys it does not own kept in place).
#include <gtest/gtest.h>

#include <regex>
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

std::vector<std::string> crlfLines(const std::string& text, bool& allCrlf) {
    std::vector<std::string> lines;
    allCrlf = true;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto lf = text.find('\n', start);
        const auto end = lf == std::string::npos ? text.size() : lf;
        std::string line = text.substr(start, end - start);
        if (line.empty() || line.back() != '\r') allCrlf = false;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

TEST(Close, FinEndsTheProgramAndWritesTheConfigurationBackTidied) {
    PanelSession s({PanelSetup::Ini::Given, kUntidyIni, false});
    ASSERT_TRUE(s.startUntilBanner());

    s.clickAt(kFinX, kFinY);
    const auto ended = s.program().waitExit(kWaitMs);
    ASSERT_TRUE(ended.has_value()) << "FIN did not end the program";
    EXPECT_TRUE(ended->success()) << (ended->signalled ? "signal " : "status ") << ended->value;
    EXPECT_TRUE(s.x().visibleWindows(".").empty());

    bool allCrlf = false;
    std::vector<std::string> lines = crlfLines(s.readIni(), allCrlf);
    EXPECT_TRUE(allCrlf) << "every line ends with CR LF";

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

}  // namespace
}  // namespace vos::e2e
