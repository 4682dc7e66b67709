#include <gtest/gtest.h>

#include "platform/core/os_version.h"

namespace vos {
namespace {

TEST(OsVersion, KernelReleaseGivesMajorMinorBuild) {
    const struct { const char* release; std::uint32_t major, minor, build; } cases[] = {
        {"6.1.0-18-amd64", 6, 1, 0},
        {"5.15.133.1-microsoft-standard-WSL2", 5, 15, 133},
        {"4.19", 4, 19, 0},
        {"6", 6, 0, 0},
        {"", 0, 0, 0},
        {"abc", 0, 0, 0},
        {"6.8.12+rpt-rpi-v8", 6, 8, 12},
        {"99999999999.2.3", UINT32_MAX, 2, 3},
    };
    for (const auto& c : cases) {
        const OsVersion v = parseKernelRelease(c.release);
        EXPECT_EQ(v.major, c.major) << c.release;
        EXPECT_EQ(v.minor, c.minor) << c.release;
        EXPECT_EQ(v.build, c.build) << c.release;
    }
}

TEST(OsVersion, PrettyNameIsTakenUnquoted) {
    const struct { const char* text; const char* pretty; } cases[] = {
        {"NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nID=debian\n",
         "Debian GNU/Linux 12 (bookworm)"},
        {"PRETTY_NAME='Single quoted'\n", "Single quoted"},
        {"PRETTY_NAME=Bare\n", "Bare"},
        {"PRETTY_NAME=\"Esc \\\"quoted\\\" name\"\n", "Esc \"quoted\" name"},
        {"# PRETTY_NAME=\"comment\"\nNAME=x\n", ""},
        {"MY_PRETTY_NAME=\"no\"\n", ""},
        {"  PRETTY_NAME=\"Indented\"  \r\n", "Indented"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(prettyNameFromOsRelease(c.text), c.pretty) << c.text;
}

TEST(OsVersion, ServicePackIsCutAt128WithoutSplittingACharacter) {
    EXPECT_EQ(limitServicePack(std::string(128, 'x')).size(), 128u);
    EXPECT_EQ(limitServicePack(std::string(300, 'x')).size(), 128u);
    // 127 ASCII bytes then a two-byte character: it does not fit and goes whole.
    const std::string text = std::string(127, 'x') + "\xc3\xa9" + "yz";
    EXPECT_EQ(limitServicePack(text), std::string(127, 'x'));
}

TEST(OsVersion, ReadsThisMachine) {
    const OsVersion v = readOsVersion();
    EXPECT_GE(v.major, 2u);  // any Linux kernel this runs on
    EXPECT_LE(v.servicePack.size(), 128u);
}

}  // namespace
}  // namespace vos
