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
#include <functional>
#include <string>

#include "platform/core/profile_encoding.h"
#include "platform/core/profile_file.h"
#include "platform/core/profile_io.h"
#include "platform/core/profile_lines.h"
#include "platform/core/profile_text.h"
#include "tests/support/temp_files.h"

namespace vos {
namespace {

namespace fs = std::filesystem;

using test::Slurp;
using test::Spit;
using test::TempDir;

// Only the file itself may be left in the folder: no temporary file.
size_t EntriesIn(const fs::path& dir) {
    return static_cast<size_t>(
        std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

TEST(ProfileLines, SplitsOnCrLfLfAndCrAndKeepsBytes) {
    const std::string text = "a\r\nb\n\r\n\xE9t\xE9\x01\rc\r\r\nlast";
    const auto lines = SplitProfileLines(text);
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "", "\xE9t\xE9\x01", "c", "", "last"}));
    EXPECT_EQ(JoinProfileLinesCrLf(lines), "a\r\nb\r\n\r\n\xE9t\xE9\x01\r\nc\r\n\r\nlast\r\n");
    EXPECT_EQ(JoinProfileLines({"a", "b"}, LineEnd::Cr), "a\rb\r");
    EXPECT_TRUE(SplitProfileLines("").empty());
    EXPECT_EQ(SplitProfileLines("x\r\n").size(), 1u);
    EXPECT_EQ(SplitProfileLines("x\r").size(), 1u);

    struct Case {
        const char* text;
        LineEnd end;
    };
    const Case styles[] = {
        {"", LineEnd::CrLf},          {"one line", LineEnd::CrLf},   {"a\nb\n", LineEnd::Lf},
        {"a\rb\r", LineEnd::Cr},      {"a\r\nb\nc\n", LineEnd::Lf},  {"a\r\nb\r\nc\n", LineEnd::CrLf},
        {"a\r\nb\n", LineEnd::CrLf},  {"a\rb\n", LineEnd::Lf},       {"a\rb\rc\r\n", LineEnd::Cr},
    };
    for (const Case& c : styles) EXPECT_EQ(DominantLineEnd(c.text), c.end) << c.text;
}

// The bytes of a literal that holds NULs (without its terminator).
template <size_t N>
std::string Raw(const char (&bytes)[N]) {
    return std::string(bytes, N - 1);
}

// Each form a file comes in is read into the same lines and written back
// byte for byte; UTF-16 losslessly, even where it is not well-formed.
TEST(ProfileEncoding, ReadsEveryFormAndWritesItBackExactly) {
    using Lines = std::vector<std::string>;
    struct Case {
        const char* what;
        std::string file;
        ProfileEncoding encoding;
        Lines lines;
    };
    const std::string le = "\xFF\xFE", be = "\xFE\xFF";
    const Case cases[] = {
        {"8-bit Latin-1, LF", "[S]\nK=\xE9t\xE9\n", ProfileEncoding::Bytes8, {"[S]", "K=\xE9t\xE9"}},
        {"8-bit, CR", "[S]\rK=1\r", ProfileEncoding::Bytes8, {"[S]", "K=1"}},
        {"UTF-8 mark", "\xEF\xBB\xBF[S]\r\nK=\xC3\xA9t\xC3\xA9\r\n", ProfileEncoding::Utf8Bom, {"[S]", "K=\xC3\xA9t\xC3\xA9"}},
        {"only a UTF-8 mark", "\xEF\xBB\xBF", ProfileEncoding::Utf8Bom, {}},
        {"UTF-16 LE", le + Raw("[\0S\0]\0\r\0\n\0K\0=\0\xE9\0\r\0\n\0"), ProfileEncoding::Utf16Le,
         {"[S]", "K=\xC3\xA9"}},
        {"UTF-16 BE, a pair and a lone surrogate, an odd last byte",
         be + Raw("\0K\0=\xD8\x3D\xDE\x00\xDC\x01\0\n\x41"), ProfileEncoding::Utf16Be,
         {"K=\xF0\x9F\x98\x80\xED\xB0\x81"}},
        {"UTF-16 LE, NUL and CR inside", le + Raw("a\0\0\0b\0\r\0c\0\r\0"), ProfileEncoding::Utf16Le,
         {std::string("a\0b", 3), "c"}},
    };
    for (const Case& c : cases) {
        const ProfileDocument doc = DecodeProfile(c.file);
        EXPECT_EQ(doc.form.encoding, c.encoding) << c.what;
        EXPECT_EQ(doc.lines, c.lines) << c.what;
        EXPECT_EQ(EncodeProfile(doc.form, doc.lines), c.file) << c.what;
    }
    // A value that is not UTF-8 goes into a UTF-16 file as Latin-1.
    EXPECT_EQ(EncodeProfile({ProfileEncoding::Utf16Le, LineEnd::Lf, {}}, {"\xE9"}), le + Raw("\xE9\0\n\0"));
}

TEST(ProfileEncoding, LinesAreCutAtWholeCharactersInUnicodeFiles) {
    const std::string e = "\xC3\xA9", smile = "\xF0\x9F\x98\x80";
    EXPECT_EQ(CutProfileLine("abc\xC3\xA9", ProfileEncoding::Bytes8, 4), "abc\xC3");
    EXPECT_EQ(CutProfileLine("abc" + e + "d", ProfileEncoding::Utf8Bom, 4), "abc" + e);
    EXPECT_EQ(CutProfileLine(e + smile + e, ProfileEncoding::Utf16Le, 2), e + smile);
    EXPECT_EQ(CutProfileLine("ab", ProfileEncoding::Utf16Be, 255), "ab");
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
    EXPECT_EQ(Slurp(path), "[Perso]\nFond=x.jpg\n; caf\xE9 \xA4\n\n[Port]\nCom=12\n");
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
    EXPECT_EQ(Slurp(target), "[S]\nK=2\n");
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

// A replacement killed between creating its temporary file and renaming it
// leaves the temporary file; the next start removes it, and nothing else.
TEST(ReplaceFileAtomically, LeftTemporariesAreRemovedAndNothingElse) {
    TempDir dir;
    const std::string path = dir.File("v.ini");
    Spit(path, "[Port]\r\n");
    Spit(dir.File(".v.ini.123456789.tmp"), "[Port]\r\nCom=");
    Spit(dir.File(".v.ini.7.tmp"), "");
    const std::vector<std::string> kept{".v.ini.tmp", ".v.ini.12a.tmp", ".w.ini.5.tmp", "v.ini.5.tmp", ".v.ini.5.tmp~"};
    for (const std::string& name : kept) Spit(dir.File(name), "x");
    fs::create_directory(dir.File(".v.ini.8.tmp"));
    EXPECT_EQ(RemoveLeftTemporaries(path), 2);
    EXPECT_FALSE(fs::exists(dir.File(".v.ini.123456789.tmp")));
    EXPECT_FALSE(fs::exists(dir.File(".v.ini.7.tmp")));
    for (const std::string& name : kept) EXPECT_TRUE(fs::exists(dir.File(name))) << name;
    EXPECT_TRUE(fs::is_directory(dir.File(".v.ini.8.tmp")));
    EXPECT_EQ(Slurp(path), "[Port]\r\n");
}

}  // namespace
}  // namespace vos
