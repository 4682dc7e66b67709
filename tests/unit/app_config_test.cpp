// Configuration file: what start-up reads and hands to the window and port,
// what close writes back, and the tidy rewrite.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/config_file.h"
#include "tests/support/temp_files.h"

namespace vos {
namespace {

namespace fs = std::filesystem;

using test::Slurp;
using test::Spit;
using test::TempDir;

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

// Text of the basic plane, as editors would save it.
std::string Utf8(std::u16string_view text) {
    std::string out;
    for (const char16_t c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string Utf16(std::u16string_view text, bool bigEndian) {
    std::string out;
    for (const char16_t c : text) {
        const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

// Records every call in order, as "name=value".
class FakeTarget : public app::ConfigPortTarget, public app::ConfigWindowTarget {
public:
    std::vector<std::string> calls;
    bool failSkin = false;
    uint16_t com = 1;
    int32_t speed = 9600;

    void setComNumber(uint16_t v) override {
        Log("Com", v);
        com = v;
    }
    void setBaud(int32_t v) override {
        Log("Bauds", v);
        speed = v;
    }
    void setBufferFull(uint16_t v) override { Log("BufferFull", v); }
    void setBufferResume(uint16_t v) override { Log("BufferResume", v); }
    void setOutSize(uint16_t v) override { Log("OutSize", v); }
    void setInSize(uint16_t v) override { Log("InSize", v); }
    uint16_t comNumber() const override { return com; }
    int32_t baud() const override { return speed; }
    void loadSkin(const std::string& path) override {
        calls.push_back("skin=" + path);
        if (failSkin) throw std::runtime_error("image illisible");
    }
    void afficherClient() override { calls.push_back("client"); }

private:
    void Log(const char* name, long long v) {
        calls.push_back(std::string(name) + "=" + std::to_string(v));
    }
};

struct Fixture {
    TempDir dir;
    app::ConfigState state;
    panel::MachineType type;
    FakeTarget target;
    Fixture() {
        state.CheminIni = dir.File("Vostrelle.ini");
        state.RepertoireSkins = dir.File("Skins") + "/";
    }
    void Read(const std::string& ini) {
        Spit(state.CheminIni, ini);
        app::LireConfiguration(state, type, target, target);
    }
};

TEST(LireConfiguration, OnlyComGivesDefaultsInOrder) {
    Fixture f;
    f.Read("[Port]\r\nCom=3\r\n");
    const std::vector<std::string> expected = {"Com=3",
                                               "Bauds=9600",
                                               "BufferFull=248",
                                               "BufferResume=10",
                                               "OutSize=256",
                                               "InSize=4096",
                                               "skin=" + f.state.RepertoireSkins + "num760f.jpg",
                                               "client"};
    EXPECT_EQ(f.target.calls, expected);
    EXPECT_EQ(f.state.FichierFond, "num760f.jpg");
    EXPECT_EQ(f.state.EditeurConfig, "notepad.exe");
    EXPECT_EQ(f.state.ReadSize, 128);
    EXPECT_TRUE(f.type.EstFraiseuse);
    EXPECT_FALSE(f.type.EstTour);
}

TEST(LireConfiguration, NumbersHexBadAndLow16Bits) {
    Fixture f;
    f.Read(
        "[port]\nCOM=0x10\nBauds=abc\nBufferFull=$1F\nBufferResume=-1\n"
        "OutSize=70000\nInSize=\nReadSize=0X20\n");
    const std::vector<std::string> expected(f.target.calls.begin(), f.target.calls.begin() + 6);
    EXPECT_EQ(expected,
              (std::vector<std::string>{"Com=16", "Bauds=9600", "BufferFull=31",
                                        "BufferResume=65535", "OutSize=4464", "InSize=4096"}));
    EXPECT_EQ(f.state.ReadSize, 32);
}

TEST(LireConfiguration, SkinNameDecidesMachineType) {
    struct Case {
        const char* fond;
        bool loads;
        bool fraiseuse;
    };
    const Case cases[] = {
        {"Fond=num760f.jpg", true, true},
        {"Fond=NUM760F.JPG", true, false},
        {"Fond=", false, false},
        {"Fond=num760t.jpg", true, false},
        {"Fond= num760f.jpg ", true, true},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.Read(std::string("[Perso]\n") + c.fond + "\n");
        const bool loaded = f.target.calls.size() == 8 && f.target.calls[6].starts_with("skin=");
        EXPECT_EQ(loaded, c.loads) << c.fond;
        EXPECT_EQ(f.type.EstFraiseuse, c.fraiseuse) << c.fond;
        EXPECT_EQ(f.type.EstTour, !c.fraiseuse) << c.fond;
        EXPECT_EQ(f.target.calls.back(), "client");
    }
}

TEST(LireConfiguration, LongStringsCutAt255ButPathsNot) {
    Fixture f;
    const std::string name(300, 'n');
    f.state.RepertoireSkins = f.dir.File(std::string(280, 's')) + "/";
    f.Read("[Perso]\nFond=" + name + "\n[Contexte]\nEditeur=" + std::string(400, 'e') + "\n");
    EXPECT_EQ(f.state.FichierFond, name.substr(0, 255));
    EXPECT_EQ(f.state.EditeurConfig, std::string(255, 'e'));
    EXPECT_EQ(f.target.calls[6], "skin=" + f.state.RepertoireSkins + name.substr(0, 255));
}

TEST(LireConfiguration, SkinFailureStopsTheLaterSteps) {
    Fixture f;
    f.target.failSkin = true;
    f.type = panel::MachineType{};
    f.state.EditeurConfig = "avant";
    Spit(f.state.CheminIni, "[Perso]\nFond=num760f.jpg\n[Contexte]\nEditeur=vi\n");
    EXPECT_THROW(app::LireConfiguration(f.state, f.type, f.target, f.target), std::runtime_error);
    EXPECT_EQ(f.target.calls.back(), "skin=" + f.state.RepertoireSkins + "num760f.jpg");
    EXPECT_TRUE(f.type.EstTour);  // step 5 did not run
    EXPECT_EQ(f.state.EditeurConfig, "avant");
}

TEST(EcrireConfiguration, NothingDuringStartUp) {
    Fixture f;
    f.state.EnDemarrage = true;
    app::EcrireConfiguration(f.state, f.target);
    EXPECT_FALSE(fs::exists(f.state.CheminIni));
}

TEST(EcrireConfiguration, WritesFiveKeysKeepingOtherLines) {
    Fixture f;
    f.state.EnDemarrage = false;
    f.state.FichierFond = "num760t.jpg";
    f.state.VersionWindows = {5, 1, 2600, "Service Pack 3"};
    f.target.com = 7;
    f.target.speed = 19200;
    Spit(f.state.CheminIni,
         "; Poste 3\n[Port]\nCom=1\nBauds=9600\nInSize=4096\n\n[Perso]\nFond=num760f.jpg\n"
         "Autre=garde\n");
    app::EcrireConfiguration(f.state, f.target);
    EXPECT_EQ(Slurp(f.state.CheminIni),
              "; Poste 3\n[Port]\nCom=7\nBauds=19200\nInSize=4096\n\n[Perso]\n"
              "Fond=num760t.jpg\nAutre=garde\n\n[Contexte]\nVersion=1.00\n"
              "Windows=5.1.2600 Service Pack 3\n");
}

TEST(EcrireConfiguration, CreatesMissingFileInWriteOrder) {
    Fixture f;
    f.state.EnDemarrage = false;
    f.state.FichierFond = "";
    f.state.VersionWindows = {6, 1, 0, ""};
    app::EcrireConfiguration(f.state, f.target);
    EXPECT_EQ(Slurp(f.state.CheminIni),
              "[Perso]\r\nFond=\r\n\r\n[Contexte]\r\nVersion=1.00\r\nWindows=6.1.0 \r\n\r\n"
              "[Port]\r\nCom=1\r\nBauds=9600\r\n");
}

TEST(EcrireConfiguration, RefusedWriteRaisesFrenchMessage) {
    Fixture f;
    f.state.EnDemarrage = false;
    fs::create_directory(f.state.CheminIni);  // a folder where the file should be
    for (const auto write : {&app::EcrireConfiguration, &app::saveConfigurationNow}) {
        try {
            write(f.state, f.target);
            ADD_FAILURE() << "no exception";
        } catch (const app::ConfigWriteError& e) {
            EXPECT_EQ(std::string(e.what()), "Impossible d'écrire dans " + f.state.CheminIni);
        }
    }
}

TEST(tidyLines, BlankLineAndCutRules) {
    using Lines = std::vector<std::string>;
    struct Case {
        Lines in;
        Lines out;
    };
    const std::string longLine(300, 'L');
    const Case cases[] = {
        {{"[Port]", "Com=1", "", "", "[Perso]", "Fond=a"},
         {"[Port]", "Com=1", "", "[Perso]", "Fond=a"}},
        {{"", "[Port]", "Com=1"}, {"", "[Port]", "Com=1"}},
        {{"[Port]", "", "Com=1", "   ", "Bauds=2"}, {"[Port]", "Com=1", "   ", "Bauds=2"}},
        {{"; c", "[A]", " [B]"}, {"; c", "", "[A]", " [B]"}},
        {{longLine}, {longLine.substr(0, 255)}},
        {{std::string(255, ' ') + "[X"}, {std::string(255, ' ')}},
        {{}, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(app::tidyLines(c.in), c.out);
    EXPECT_TRUE(app::tidyLines(Lines(2000, "x")));
    EXPECT_FALSE(app::tidyLines(Lines(2001, "x")));
}

TEST(ReformaterIni, TidiesInTheFilesOwnLineEndsAndIsStable) {
    struct Case {
        const char* what;
        std::string before, after;
    };
    const Case cases[] = {
        {"mostly LF", "\n[Port]\nCom=1\n\n\n[Perso]\r\n\r\nFond=\xE9t\xE9.jpg\n",
         "\n[Port]\nCom=1\n\n[Perso]\nFond=\xE9t\xE9.jpg\n"},
        {"CR LF", "[Port]\r\nCom=1\r\n\r\n\r\n[Perso]\r\nFond=a", "[Port]\r\nCom=1\r\n\r\n[Perso]\r\nFond=a\r\n"},
        {"CR alone", "[Port]\rCom=1\r\r\r[Perso]\r\rFond=a\r", "[Port]\rCom=1\r\r[Perso]\rFond=a\r"},
        {"UTF-8 mark: the first line is [Port], and 255 characters are 510 bytes of \xC3\xA9",
         "\xEF\xBB\xBF[Port]\r\nK=" + Repeat("\xC3\xA9", 300) + "\r\n[Perso]\r\n",
         "\xEF\xBB\xBF[Port]\r\nK=" + Repeat("\xC3\xA9", 253) + "\r\n\r\n[Perso]\r\n"},
        {"8-bit, bytes of a UTF-16 mark behind an empty first line: left alone (they would lead the file)",
         "\r\n\xFF\xFE[Port]\r\n\r\n", "\r\n\xFF\xFE[Port]\r\n\r\n"},
    };
    TempDir dir;
    const std::string path = dir.File("Vostrelle.ini");
    for (const Case& c : cases) {
        Spit(path, c.before);
        app::ReformaterIni(path);
        const std::string once = Slurp(path);
        EXPECT_EQ(once, c.after) << c.what;
        app::ReformaterIni(path);
        EXPECT_EQ(Slurp(path), once) << c.what;
    }
}

// The forms editors save a file in: each is read (the byte-order mark and
// every kind of line end understood) and written back in the same form, the
// saved keys replaced where they are, never a second [Port].
TEST(ConfigurationFile, EveryFormIsReadAndWrittenBackInItsOwnForm) {
    struct Form {
        const char* what;
        std::u16string lineEnd;
        enum { Bytes8, Utf8Mark, Utf16Le, Utf16Be } encoding;
    };
    const Form forms[] = {
        {"8-bit, CR LF", u"\r\n", Form::Bytes8},     {"8-bit, LF", u"\n", Form::Bytes8},
        {"8-bit, CR", u"\r", Form::Bytes8},           {"UTF-8 mark, CR LF", u"\r\n", Form::Utf8Mark},
        {"UTF-16 LE, CR LF", u"\r\n", Form::Utf16Le}, {"UTF-16 BE, LF", u"\n", Form::Utf16Be},
    };
    const std::u16string before = u"; r\u00e9glages \u00e9t\u00e9\n[Port]\nCom=3\nBauds=19200\n\n\n[Perso]\nFond=num760t.jpg\n";
    const std::u16string after =
        u"; r\u00e9glages \u00e9t\u00e9\n\n[Port]\nCom=7\nBauds=19200\n\n[Perso]\nFond=num760t.jpg\n\n"
        u"[Contexte]\nVersion=1.00\nWindows=5.1.2600 Service Pack 3\n";
    for (const Form& form : forms) {
        auto render = [&](std::u16string text) {
            for (size_t at = 0; (at = text.find(u'\n', at)) != text.npos; at += form.lineEnd.size())
                text.replace(at, 1, form.lineEnd);
            switch (form.encoding) {
            case Form::Bytes8: return Utf8(text);
            case Form::Utf8Mark: return "\xEF\xBB\xBF" + Utf8(text);
            case Form::Utf16Le: return "\xFF\xFE" + Utf16(text, false);
            case Form::Utf16Be: return "\xFE\xFF" + Utf16(text, true);
            }
            return std::string();
        };
        Fixture f;
        f.Read(render(before));
        EXPECT_EQ(f.target.calls[0], "Com=3") << form.what;
        EXPECT_EQ(f.target.calls[1], "Bauds=19200") << form.what;
        EXPECT_EQ(f.state.FichierFond, "num760t.jpg") << form.what;
        f.state.EnDemarrage = false;
        f.state.VersionWindows = {5, 1, 2600, "Service Pack 3"};
        f.target.com = 7;
        f.target.speed = 19200;
        // A setting saved at once gives what the close gives.
        const std::string read = Slurp(f.state.CheminIni);
        app::saveConfigurationNow(f.state, f.target);
        EXPECT_EQ(Slurp(f.state.CheminIni), render(after)) << form.what << ", saved at once";
        Spit(f.state.CheminIni, read);
        app::EcrireConfiguration(f.state, f.target);
        app::ReformaterIni(f.state.CheminIni);
        EXPECT_EQ(Slurp(f.state.CheminIni), render(after)) << form.what;
        // ...and a close after it changes nothing.
        app::EcrireConfiguration(f.state, f.target);
        app::ReformaterIni(f.state.CheminIni);
        EXPECT_EQ(Slurp(f.state.CheminIni), render(after)) << form.what << ", closed again";
    }
}

TEST(ReformaterIni, LeavesLongFileUntouched) {
    TempDir dir;
    const std::string path = dir.File("Vostrelle.ini");
    std::string text = "[Port]\n\n\n";
    for (int i = 0; i < 2100; ++i)
        text += "K" + std::to_string(i) + "=" + std::string(300, 'v') + "\n";
    Spit(path, text);
    app::ReformaterIni(path);
    EXPECT_EQ(Slurp(path), text);
}

TEST(ReformaterIni, MissingFileRaisesIoError) {
    TempDir dir;
    const std::string path = dir.File("absent.ini");
    try {
        app::ReformaterIni(path);
        FAIL() << "no exception";
    } catch (const app::ConfigIoError& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos);
        EXPECT_EQ(e.error(), ENOENT);
    }
    EXPECT_FALSE(fs::exists(path));
}

TEST(ReformaterIni, SizeLimitHalfWayKeepsOldFile) {
    TempDir dir;
    const std::string path = dir.File("Vostrelle.ini");
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += "K" + std::to_string(i) + "=" + std::string(100, 'v') + "\n\n";
    Spit(path, text);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{8192, 8192};  // the tidy text is about 21 KB
        ::setrlimit(RLIMIT_FSIZE, &limit);
        try {
            app::ReformaterIni(path);
        } catch (const app::ConfigIoError& e) {
            ::_exit(e.error() == EFBIG ? 0 : 2);
        }
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(Slurp(path), text);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace vos
