// The folder the program was started from: the folder of a link to the
// program file rather than the file's own, also for a start path relative to
// the working folder; nothing once the start path no longer leads to the
// program (the caller then falls back on the file's folder).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/core/started_path.h"
#include "tests/support/pty.h"

namespace {

namespace fs = std::filesystem;

// A copy of this test started by the tests below reports what it finds into
// the file named by kReport, and ends before any test runs; with kRemove set
// it first removes that path (the link it was started by).
constexpr const char* kReport = "VOS_STARTED_FOLDER_REPORT";
constexpr const char* kRemove = "VOS_STARTED_FOLDER_REMOVE";

[[maybe_unused]] const bool reportedAsChild = [] {
    const char* report = std::getenv(kReport);
    if (report == nullptr) return false;
    if (const char* remove = std::getenv(kRemove)) ::unlink(remove);
    std::ofstream(report) << vos::startedFromFolder();
    std::_Exit(0);
}();

// Starts this test program by `startPath` from the working folder `dir` and
// returns what it reports.
std::string startedFolderOfChild(const std::string& startPath, const std::string& dir, bool removeStartPath = false) {
    const std::string report = dir + "report.txt";
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(dir.c_str()) != 0) ::_exit(126);
        ::setenv(kReport, report.c_str(), 1);
        if (removeStartPath) ::setenv(kRemove, startPath.c_str(), 1);
        ::execl(startPath.c_str(), startPath.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child did not report (" << status << ")";
    std::ifstream in(report);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class StartedFolder : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_symlink(fs::read_symlink("/proc/self/exe"), linkFolder_.path() + "vostrelle");
    }
    vos::test::ProgramFolder linkFolder_{false};
    std::string canonicalLinkFolder() const { return fs::canonical(linkFolder_.path()).string() + "/"; }
};

TEST_F(StartedFolder, IsTheFolderOfTheLinkThatStartedTheProgramNotOfTheLinkedFile) {
    const std::string found = startedFolderOfChild(linkFolder_.path() + "vostrelle", "/tmp/");
    EXPECT_EQ(found, canonicalLinkFolder());
    EXPECT_NE(found, fs::read_symlink("/proc/self/exe").parent_path().string() + "/");
}

TEST_F(StartedFolder, ARelativeStartPathIsTakenFromTheWorkingFolder) {
    EXPECT_EQ(startedFolderOfChild("./vostrelle", linkFolder_.path()), canonicalLinkFolder());
}

TEST_F(StartedFolder, IsUnknownOnceTheStartPathNoLongerLeadsToTheProgram) {
    EXPECT_EQ(startedFolderOfChild(linkFolder_.path() + "vostrelle", linkFolder_.path(), true), "");
}

}  // namespace
