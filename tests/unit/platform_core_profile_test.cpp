// Profile (INI) files: parsing and lookup rules, the integer syntax, updates
// that keep every other line, and the crash-safe, permission-aware write.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "platform/core/profile_file.h"
#include "platform/core/profile_io.h"
#include "platform/core/profile_lines.h"
#include "platform/core/profile_text.h"

namespace vos {
namespace {

namespace fs = std::filesystem;

class TempDir {
public:
    TempDir() {
        std::string tmpl = (fs::temp_directory_path() / "vos-profile-XXXXXX").string();
        path_ = ::mkdtemp(tmpl.data());
    }
    ~TempDir() {
        std::error_code ec;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path_, ec);
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void Spit(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Only the file itself may be left in the folder: no temporary file.
size_t EntriesIn(const fs::path& dir) {
    return static_cast<size_t>(
        std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

TEST(ProfileLines, SplitsOnLfAndCrLfAndKeepsBytes) {
    const std::string text = "a\r\nb\n\r\n\xE9t\xE9\x01\nlast";
    const auto lines = SplitProfileLines(text);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "a");
    EXPECT_EQ(lines[1], "b");
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines[3], "\xE9t\xE9\x01");
    EXPECT_EQ(lines[4], "last");
    EXPECT_EQ(JoinProfileLinesCrLf(lines), "a\r\nb\r\n\r\n\xE9t\xE9\x01\r\nlast\r\n");
    EXPECT_TRUE(SplitProfileLines("").empty());
    EXPECT_EQ(SplitProfileLines("x\r\n").size(), 1u);
}

TEST(ProfileText, LookupRules) {
    const ProfileText t = ProfileText::FromBytes(
        "Orphan=1\r\n"
        "[ Port ]  ; trailing text\r\n"
        "; Com=99\r\n"
        "  cOm  =  3  \r\n"
        "Com=4\r\n"
        "Empty=\r\n"
        "Quoted=\"  spaced  \"\r\n"
        "Single='x'\r\n"
        "Half=\"x\r\n"
        "NoEquals\r\n"
        "Eq=a=b\r\n"
        "[port]\r\n"
        "Later=1\r\n"
        ";[Perso]\r\n"
        "Fond=hidden\r\n");
    EXPECT_EQ(t.Find("PORT", "com"), "3");  // case, blanks, first key wins
    EXPECT_EQ(t.Find("Port", "Empty"), "");
    EXPECT_EQ(t.Find("Port", "Quoted"), "  spaced  ");
    EXPECT_EQ(t.Find("Port", "Single"), "x");
    EXPECT_EQ(t.Find("Port", "Half"), "\"x");
    EXPECT_EQ(t.Find("Port", "Eq"), "a=b");
    EXPECT_FALSE(t.Find("Port", "NoEquals"));
    EXPECT_FALSE(t.Find("Port", "Orphan"));
    EXPECT_FALSE(t.Find("Port", "; Com"));
    EXPECT_FALSE(t.Find("Port", "Later"));  // only the first [Port] counts
    EXPECT_FALSE(t.Find("Perso", "Fond"));  // a commented header is no header
    EXPECT_FALSE(t.Find("Missing", "Com"));
}

TEST(ProfileText, LongValueIsCutAt2047) {
    const std::string value(3000, 'v');
    const ProfileText t = ProfileText::FromBytes("[S]\nK=" + value + "\n");
    EXPECT_EQ(t.Find("S", "K"), value.substr(0, kProfileMaxValueLength));
}

TEST(ProfileInteger, Syntax) {
    struct Case {
        const char* text;
        std::optional<int32_t> value;
    };
    const Case cases[] = {
        {"0", 0},
        {"42", 42},
        {"+7", 7},
        {"-12", -12},
        {"0x10", 16},
        {"0X1f", 31},
        {"$10", 16},
        {"$ff", 255},
        {"-$10", -16},
        {"-0x10", -16},
        {"$FFFFFFFF", -1},
        {"0x80000000", INT32_MIN},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"2147483648", {}},
        {"-2147483649", {}},
        {"$100000000", {}},
        {"", {}},
        {"-", {}},
        {"0x", {}},
        {"$", {}},
        {"abc", {}},
        {"12a", {}},
        {"1 2", {}},
        {" 5", {}},
        {"0x1G", {}},
        {"x10", {}},
        {"--1", {}},
        {"1.5", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseProfileInteger(c.text), c.value) << c.text;
}

TEST(ProfileText, SetReplacesOnlyTheKeyLine) {
    ProfileText t = ProfileText::FromBytes(
        "; header comment\r\n[Port]\r\n  com = 3 ; old\r\nOther=x\r\n\r\n[Perso]\r\nFond=a\r\n");
    t.Set("PORT", "Com", "5");
    EXPECT_EQ(t.ToBytes(),
              "; header comment\r\n[Port]\r\ncom=5\r\nOther=x\r\n\r\n[Perso]\r\nFond=a\r\n");
}

TEST(ProfileText, SetAddsKeyAfterSectionContentAndSectionAtEnd) {
    ProfileText t = ProfileText::FromBytes("[Port]\nCom=1\n; note\n\n\n[Perso]\nFond=a\n");
    t.Set("port", "Bauds", "9600");
    t.Set("Contexte", "Version", "1.00");
    t.Set("Contexte", "Windows", "a\r\nb");
    EXPECT_EQ(t.ToBytes(),
              "[Port]\r\nCom=1\r\n; note\r\nBauds=9600\r\n\r\n\r\n[Perso]\r\nFond=a\r\n\r\n"
              "[Contexte]\r\nVersion=1.00\r\nWindows=a  b\r\n");
    ProfileText empty;
    empty.Set("S", "K", "");
    EXPECT_EQ(empty.ToBytes(), "[S]\r\nK=\r\n");
    EXPECT_THROW(empty.Set("S]", "K", "v"), std::invalid_argument);
    EXPECT_THROW(empty.Set("S", "K=", "v"), std::invalid_argument);
    EXPECT_THROW(empty.Set("", "K", "v"), std::invalid_argument);
}

TEST(ProfileFile, ReadsDefaultsWhenMissingOrBad) {
    TempDir dir;
    ProfileFile missing(dir.File("none.ini"));
    EXPECT_EQ(missing.ReadString("S", "K", "def"), "def");
    EXPECT_EQ(missing.ReadInteger("S", "K", -3), -3);
    Spit(dir.File("a.ini"), "[S]\nN=abc\nE=\nH=$20\n");
    ProfileFile f(dir.File("a.ini"));
    EXPECT_EQ(f.ReadInteger("S", "N", 9600), 9600);
    EXPECT_EQ(f.ReadInteger("S", "E", 7), 7);
    EXPECT_EQ(f.ReadInteger("s", "h", 0), 32);
    EXPECT_EQ(f.ReadString("S", "E", "def"), "");
    EXPECT_EQ(f.ReadString("S", "X", "def"), "def");
}

TEST(ProfileFile, WriteCreatesFileKeepsBytesAndMode) {
    TempDir dir;
    const std::string path = dir.File("v.ini");
    ProfileFile f(path);
    ASSERT_TRUE(f.WriteString("Perso", "Fond", "x.jpg"));
    EXPECT_EQ(Slurp(path), "[Perso]\r\nFond=x.jpg\r\n");
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::owner_write, fs::perms::owner_write);

    Spit(path, "[Perso]\nFond=x.jpg\n; caf\xE9 \xA4\n");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(f.WriteInteger("Port", "Com", 12));
    EXPECT_EQ(Slurp(path), "[Perso]\r\nFond=x.jpg\r\n; caf\xE9 \xA4\r\n\r\n[Port]\r\nCom=12\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(ProfileFile, WriteThroughSymlinkReplacesTarget) {
    TempDir dir;
    fs::create_directory(dir.path() / "real");
    const std::string target = dir.File("real/v.ini");
    Spit(target, "[S]\nK=1\n");
    fs::create_symlink(target, dir.path() / "link.ini");
    ASSERT_TRUE(ProfileFile(dir.File("link.ini")).WriteString("S", "K", "2"));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link.ini"));
    EXPECT_EQ(Slurp(target), "[S]\r\nK=2\r\n");
}

TEST(ProfileFile, RefusesPathsThatAreNotRegularFiles) {
    TempDir dir;
    fs::create_directory(dir.path() / "d.ini");
    ProfileFile f(dir.File("d.ini"));
    EXPECT_FALSE(f.WriteString("S", "K", "v"));
    EXPECT_EQ(f.lastError(), EISDIR);
    ProfileFile noFolder(dir.File("missing/v.ini"));
    EXPECT_FALSE(noFolder.WriteString("S", "K", "v"));
    EXPECT_EQ(noFolder.lastError(), ENOENT);
}

// Runs `body` in a child process as an unprivileged user (root ignores the
// permission bits, so that is the only way to see a refusal there). Returns
// the child's exit code, or -1 when the switch of user is not possible.
int RunAsUnprivileged(const std::function<int()>& body) {
    uid_t uid = ::getuid();
    gid_t gid = ::getgid();
    if (uid == 0) {
        const passwd* nobody = ::getpwnam("nobody");
        if (nobody == nullptr) return -1;
        uid = nobody->pw_uid;
        gid = nobody->pw_gid;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::getuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0))
            ::_exit(100);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 100) return -1;
    return WEXITSTATUS(status);
}

TEST(ProfileFile, RefusedWritesLeaveTheFileAlone) {
    TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
    const std::string readOnly = dir.File("ro.ini");
    Spit(readOnly, "[S]\nK=1\n");
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    fs::create_directory(dir.path() / "locked");
    const std::string inLocked = dir.File("locked/w.ini");
    Spit(inLocked, "[S]\nK=1\n");
    ASSERT_EQ(::chmod(inLocked.c_str(), 0666), 0);
    ASSERT_EQ(::chmod((dir.path() / "locked").c_str(), 0555), 0);

    const int rc = RunAsUnprivileged([&] {
        ProfileFile ro(readOnly);
        if (ro.WriteString("S", "K", "2") || ro.lastError() != EACCES) return 1;
        ProfileFile locked(inLocked);
        if (locked.WriteString("S", "K", "2") || locked.lastError() != EACCES) return 2;
        return 0;
    });
    if (rc == -1) GTEST_SKIP() << "cannot switch to an unprivileged user to see a refusal";
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(Slurp(readOnly), "[S]\nK=1\n");
    EXPECT_EQ(Slurp(inLocked), "[S]\nK=1\n");
    EXPECT_EQ(EntriesIn(dir.path() / "locked"), 1u);
}

TEST(ReplaceFileAtomically, FailureHalfWayKeepsOldContent) {
    TempDir dir;
    const std::string path = dir.File("v.ini");
    const std::string old = "[Port]\r\nCom=1\r\n";
    Spit(path, old);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(ReplaceFileAtomically(path, std::string(100000, 'x')) == EFBIG ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(Slurp(path), old);
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

}  // namespace
}  // namespace vos
