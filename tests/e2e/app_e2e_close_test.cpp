// Ending the installed program with FIN: the program ends normally and its
// configuration file holds the settings in use, rewritten in the tidy layout
// (the file's own line ends, no empty line except one before every section
// after the first; comments and keys it does not own kept in place).
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

TEST(Close, FinEndsTheProgramAndWritesTheConfigurationBackTidied) {
    PanelSession s({PanelSetup::Ini::Given, kUntidyIni, false});
    ASSERT_TRUE(s.startUntilBanner());

    s.clickAt(kFinX, kFinY);
    const auto ended = s.program().waitExit(kWaitMs);
    ASSERT_TRUE(ended.has_value()) << "FIN did not end the program";
    EXPECT_TRUE(ended->success()) << (ended->signalled ? "signal " : "status ") << ended->value;
    EXPECT_TRUE(s.x().visibleWindows(".").empty());

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

}  // namespace
}  // namespace vos::e2e
