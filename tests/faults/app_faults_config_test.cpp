// Faults of the configuration file under the real program: a read-only file,
// a full file system (a small tmpfs, and a file-size limit), the file deleted
// while the program runs, a file of more than 2000 lines. Whatever happens,
// the close completes and never leaves a truncated or empty file: either the
// old content stays as it was, or the new one is complete.
#include <fcntl.h>
#include <linux/fs.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/core/profile_lines.h"
#include "platform/core/profile_text.h"
#include "tests/support/main_window.h"

namespace vos::test {
namespace {

// Mounts made here stay in a mount namespace of this process, so that a test
// that dies cannot leave them behind on the machine. unshare() needs a
// process that has no other thread yet: done before main().
const bool kPrivateMounts = [] {
    if (::geteuid() != 0 || ::unshare(CLONE_NEWNS) != 0) return false;
    return ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}();

// A mount of this test, undone when it goes.
class Mount {
public:
    // A tmpfs of `size` (e.g. "256k") over `dir`; what `dir` held is hidden.
    static Mount tmpfs(const std::string& dir, const char* size) {
        const std::string opts = std::string("size=") + size + ",mode=0755";
        return Mount(dir, ::mount("tmpfs", dir.c_str(), "tmpfs", 0, opts.c_str()) == 0);
    }
    // `file` made read-only by binding it onto itself read-only.
    static Mount readOnly(const std::string& file) {
        bool ok = ::mount(file.c_str(), file.c_str(), nullptr, MS_BIND, nullptr) == 0;
        if (ok && ::mount(nullptr, file.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
            ::umount2(file.c_str(), MNT_DETACH);
            ok = false;
        }
        return Mount(file, ok);
    }
    Mount(Mount&& o) noexcept : target_(std::move(o.target_)), ok_(o.ok_) { o.ok_ = false; }
    ~Mount() {
        if (ok_) ::umount2(target_.c_str(), MNT_DETACH);
    }
    bool ok() const { return ok_; }

private:
    Mount(std::string target, bool ok) : target_(std::move(target)), ok_(ok) {}
    std::string target_;
    bool ok_;
};

// Fills the file system of `dir` until it has no byte left.
void fillUp(const std::string& dir) {
    std::FILE* f = std::fopen((dir + "filler").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::setvbuf(f, nullptr, _IONBF, 0);
    const std::vector<char> block(4096, 'x');
    while (std::fwrite(block.data(), 1, block.size(), f) == block.size()) {
    }
    while (std::fwrite("x", 1, 1, f) == 1) {
    }
    std::fclose(f);
}

// Lines of the configuration file, read the program's way.
std::vector<std::string> lines(const std::string& bytes) { return SplitProfileLines(bytes); }

// `part` appears in `whole` in order (other lines may lie between).
bool keptInOrder(const std::vector<std::string>& part, const std::vector<std::string>& whole) {
    std::size_t j = 0;
    for (const std::string& l : whole)
        if (j < part.size() && l == part[j]) ++j;
    return j == part.size();
}

class ConfigFaults : public InstalledProgramTest {
protected:
    // Runs the program for a moment on COM1, then closes it as "Fin" does.
    void runAndClose() {
        Peer& peer = addPeer(1);
        peer_ = &peer;
        start();
        ASSERT_TRUE(linkUp(1));
        expectServing(peer, "CONFIGURATION", "0123");
        clearRecordedMessages();
        program().form().close();
    }

    // A close whose write-back is refused: one box says so in French (the
    // tidy rewrite, refused the same way, is not tried), the port is closed
    // all the same, and the file holds exactly its old content.
    void expectRefusedAndUnchanged(const std::string& before) {
        EXPECT_EQ(recordedErrors(), std::vector<std::string>{"Impossible d'écrire dans " + installed().iniPath()});
        EXPECT_TRUE(lineQuiet(*peer_));
        EXPECT_EQ(test::Slurp(installed().iniPath()), before);
    }

    Peer* peer_ = nullptr;
};

TEST_F(ConfigFaults, AReadOnlyFileIsLeftAsItWasAndTheCloseCompletes) {
    const std::string before(kShippedIni);
    Mount ro = Mount::readOnly(installed().iniPath());
    if (!ro.ok()) {
        if (::geteuid() == 0) GTEST_SKIP() << "root without mount rights: no way to make a file read-only";
        std::filesystem::permissions(installed().iniPath(), std::filesystem::perms::owner_read);
    }
    runAndClose();
    expectRefusedAndUnchanged(before);
}

// The file's immutable attribute (chattr +i), cleared again when it goes,
// also when the test fails: the folder could not be removed otherwise.
class Immutable {
public:
    explicit Immutable(const std::string& file) : fd_(::open(file.c_str(), O_RDONLY | O_CLOEXEC)) {
        ok_ = fd_ >= 0 && setFlag(true);
    }
    ~Immutable() {
        if (ok_) setFlag(false);
        if (fd_ >= 0) ::close(fd_);
    }
    bool ok() const { return ok_; }

private:
    bool setFlag(bool on) {
        int flags = 0;
        if (::ioctl(fd_, FS_IOC_GETFLAGS, &flags) != 0) return false;
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        return ::ioctl(fd_, FS_IOC_SETFLAGS, &flags) == 0;
    }
    int fd_;
    bool ok_ = false;
};

TEST_F(ConfigFaults, AnImmutableFileIsLeftAsItWasWithOneBox) {
    const std::string before(kShippedIni);
    Immutable immutable(installed().iniPath());
    if (!immutable.ok()) GTEST_SKIP() << "needs root on a file system with the immutable attribute";
    runAndClose();
    expectRefusedAndUnchanged(before);
}

// The write-back of a port change is refused: the error is shown, and the
// port change itself has happened and works.
TEST_F(ConfigFaults, AReadOnlyFileAtAPortChange) {
    Mount ro = Mount::readOnly(installed().iniPath());
    if (!ro.ok()) GTEST_SKIP() << "needs mount rights";
    addPeer(1);
    Peer& second = addPeer(2);
    start();
    choosePort(2);
    ASSERT_TRUE(waitUntil([&] { return !recordedErrors().empty(); }));
    EXPECT_EQ(recordedErrors(), std::vector<std::string>{"Impossible d'écrire dans " + installed().iniPath()});
    ASSERT_TRUE(linkUp(2));
    clearRecordedMessages();
    expectServing(second, "ECRITURE REFUSEE", "5678");
    EXPECT_EQ(test::Slurp(installed().iniPath()), std::string(kShippedIni));
}

TEST_F(ConfigFaults, AFullFileSystemLeavesTheOldFile) {
    Mount fs = Mount::tmpfs(installed().path(), "512k");
    if (!fs.ok()) GTEST_SKIP() << "needs mount rights for a small tmpfs";
    installed().layOut(/*withFont=*/false);
    Peer& peer = addPeer(1);
    peer_ = &peer;
    start();
    expectServing(peer, "DISQUE PLEIN", "0123");
    fillUp(installed().path());
    clearRecordedMessages();
    program().form().close();
    expectRefusedAndUnchanged(std::string(kShippedIni));
    // No temporary file is left behind either.
    for (const auto& e : std::filesystem::directory_iterator(installed().path()))
        EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
}

TEST_F(ConfigFaults, AFileSizeLimitLeavesTheOldFile) {
    Peer& peer = addPeer(1);
    peer_ = &peer;
    start();
    expectServing(peer, "LIMITE DE TAILLE", "0123");
    clearRecordedMessages();
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);  // a refused write, not a killed process
    rlimit small = old;
    small.rlim_cur = 64;  // well below the file's size
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    program().form().close();
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, oldHandler);
    expectRefusedAndUnchanged(std::string(kShippedIni));
}

// Deleted while the program runs: the close writes a new, complete file
// with the five saved keys, in the tidy layout.
TEST_F(ConfigFaults, AFileDeletedWhileRunningIsWrittenAnewAtTheClose) {
    Peer& peer = addPeer(1);
    start();
    expectServing(peer, "FICHIER SUPPRIME", "0123");
    std::filesystem::remove(installed().iniPath());
    clearRecordedMessages();
    program().form().close();
    EXPECT_TRUE(recordedErrors().empty()) << recordedErrors().front();
    const ProfileText ini = ProfileText::FromBytes(test::Slurp(installed().iniPath()));
    EXPECT_EQ(ini.Find("Perso", "Fond"), "num760f.jpg");
    EXPECT_EQ(ini.Find("Contexte", "Version"), "1.00");
    EXPECT_TRUE(ini.Find("Contexte", "Windows").has_value());
    EXPECT_EQ(ini.Find("Port", "Com"), "1");
    EXPECT_EQ(ini.Find("Port", "Bauds"), "9600");
    EXPECT_EQ(ini.lines().size(), 10u);  // 3 headers, 5 keys, a blank line before the 2 later headers
}

// More than 2000 lines: the saved keys are written, every other line stays
// in place, and the tidy rewrite leaves the file alone instead of cutting it.
TEST_F(ConfigFaults, AFileOfMoreThan2000LinesIsNeverCut) {
    std::string big(kShippedIni);
    for (int i = 1; i <= 2100; ++i) big += "; ligne ajoutee " + std::to_string(i) + "\r\n\r\n";
    installed().writeIni(big);
    runAndClose();
    EXPECT_TRUE(recordedErrors().empty()) << recordedErrors().front();
    const std::string after = test::Slurp(installed().iniPath());
    EXPECT_TRUE(keptInOrder(lines(big), lines(after)));
    EXPECT_EQ(lines(after).size(), lines(big).size() + 2);  // Version and Windows added
    const ProfileText ini = ProfileText::FromBytes(after);
    EXPECT_EQ(ini.Find("Contexte", "Version"), "1.00");
    EXPECT_EQ(ini.Find("Port", "Com"), "1");
}

}  // namespace
}  // namespace vos::test
