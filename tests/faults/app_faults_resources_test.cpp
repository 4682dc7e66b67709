// Faults of the files the program finds beside itself: a damaged, truncated,
// oversized or missing skin picture, or a skin name that is no regular file
// (at start-up, and at a lathe/milling switch), and a missing or damaged
// font file.
//
// At start-up a skin that cannot be loaded ends the program after one error
// box, with the port closed and the configuration file untouched. At a
// switch the error is shown and the program goes on as it was (picture,
// machine type, link). A bad font file is no error at all.
#include <sys/stat.h>

#include <QByteArray>
#include <QBuffer>
#include <QImage>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>

#include "panel/lamps.h"
#include "platform/qt/label.h"
#include "platform/qt/picture.h"
#include "platform/qt/shape.h"
#include "tests/support/main_window.h"

namespace vos::test {
namespace {

enum class Damage { Missing, Garbage, Truncated, HugeDimensions, Empty, Fifo, Folder };

const char* name(Damage d) {
    switch (d) {
    case Damage::Missing: return "Missing";
    case Damage::Garbage: return "Garbage";
    case Damage::Truncated: return "Truncated";
    case Damage::HugeDimensions: return "HugeDimensions";
    case Damage::Empty: return "Empty";
    case Damage::Fifo: return "Fifo";
    case Damage::Folder: return "Folder";
    }
    return "?";
}

// Test names and failure messages show the damage by name.
void PrintTo(Damage d, std::ostream* os) { *os << name(d); }

void writeBytes(const std::string& path, const QByteArray& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.constData(), bytes.size());
}

QByteArray jpegOf(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::darkRed);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "JPEG", 80);
    return bytes;
}

// Puts the damage on the picture file at `path`.
void damage(const std::string& path, Damage d) {
    switch (d) {
    case Damage::Missing:
        std::filesystem::remove(path);
        break;
    case Damage::Garbage: {
        QByteArray junk;
        for (int i = 0; i < 20000; ++i) junk.append(static_cast<char>((i * 131 + 7) % 251));
        writeBytes(path, junk);
        break;
    }
    case Damage::Truncated: {
        const QByteArray whole = jpegOf(870, 720);
        writeBytes(path, whole.left(whole.size() / 2));
        break;
    }
    case Damage::HugeDimensions: {
        // A small picture whose header claims 30000 x 30000 pixels: refused
        // from its header, before 2.7 GB are taken for it.
        QByteArray bytes = jpegOf(16, 16);
        const int sof = bytes.indexOf(QByteArray("\xFF\xC0", 2));
        ASSERT_GE(sof, 0);
        for (int at : {sof + 5, sof + 7}) {
            bytes[at] = static_cast<char>(30000 >> 8);
            bytes[at + 1] = static_cast<char>(30000 & 0xFF);
        }
        writeBytes(path, bytes);
        break;
    }
    case Damage::Empty:
        writeBytes(path, {});
        break;
    // Names that are no regular file: a FIFO nobody writes to (opening it
    // to read would wait for ever) and a folder.
    case Damage::Fifo:
        std::filesystem::remove(path);
        ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
        break;
    case Damage::Folder:
        std::filesystem::remove(path);
        std::filesystem::create_directory(path);
        break;
    }
}

// The refused picture's message says why in French where the reason is its
// size.
void expectReason(Damage d, const std::string& error) {
    if (d != Damage::HugeDimensions) return;
    EXPECT_NE(error.find("Image trop grande"), std::string::npos) << error;
    EXPECT_NE(error.find("30000 x 30000"), std::string::npos) << error;
}

class SkinFaults : public InstalledProgramTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(SkinFaults, AtStartUpTheProgramEndsAfterOneBoxAndWritesNothing) {
    damage(installed().skinPath("num760f.jpg"), GetParam());
    Peer& peer = addPeer(1);
    app::TForm1& f = start();
    const auto errors = recordedErrors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find(installed().skinPath("num760f.jpg")), std::string::npos) << errors[0];
    expectReason(GetParam(), errors[0]);
    EXPECT_TRUE(f.startupAbandoned);
    EXPECT_TRUE(lineQuiet(peer));
    f.form().close();  // what the end of the program runs
    EXPECT_EQ(test::Slurp(installed().iniPath()), std::string(kShippedIni));
    EXPECT_EQ(recordedErrors().size(), 1u);
}

TEST_P(SkinFaults, AtASwitchTheErrorIsShownAndTheProgramGoesOnAsItWas) {
    damage(installed().skinPath("num760t.jpg"), GetParam());
    Peer& peer = addPeer(1);
    app::TForm1& f = start();
    ASSERT_TRUE(recordedErrors().empty());
    ASSERT_TRUE(f.machineType.EstFraiseuse);
    const std::string shown = f.Fond.fileName();

    auto* tf = dynamic_cast<Label*>(f.form().find("LabelTF"));
    ASSERT_NE(tf, nullptr);
    guarded(tf->onClick);
    const auto errors = recordedErrors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find(installed().skinPath("num760t.jpg")), std::string::npos) << errors[0];
    expectReason(GetParam(), errors[0]);
    EXPECT_EQ(f.Fond.fileName(), shown);
    EXPECT_TRUE(f.machineType.EstFraiseuse);

    // The machine-dependent lamps still follow the milling machine.
    ASSERT_TRUE(peer.send({51}));
    EXPECT_TRUE(waitUntil([&] { return f.lamps().led(28).visible() && f.lamps().led(25).visible(); }));
    EXPECT_FALSE(f.lamps().led(24).visible());
    EXPECT_FALSE(f.lamps().led(29).visible());
    clearRecordedMessages();
    expectServing(peer, "APRES L'ERREUR", "0123456789");

    guarded(tf->onClick);  // next switch: back to the milling skin, which loads
    EXPECT_TRUE(recordedErrors().empty()) << recordedErrors().front();
    EXPECT_EQ(f.state.FichierFond, "num760f.jpg");
    EXPECT_EQ(f.Fond.fileName(), installed().skinPath("num760f.jpg"));
}

INSTANTIATE_TEST_SUITE_P(Damages, SkinFaults,
                         ::testing::Values(Damage::Missing, Damage::Garbage, Damage::Truncated,
                                           Damage::HugeDimensions, Damage::Empty, Damage::Fifo,
                                           Damage::Folder),
                         [](const auto& info) { return std::string(name(info.param)); });

class FontFaults : public InstalledProgramTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(FontFaults, StartUpGoesOnWithoutAnyBox) {
    const std::string font = installed().path() + "ltypeb.ttf";
    if (GetParam() == Damage::Truncated) {
        const std::string source = systemMonospacedFont();
        if (source.empty()) GTEST_SKIP() << "no font file on this machine to cut";
        const std::string whole = test::Slurp(source);
        writeBytes(font, QByteArray(whole.data(), static_cast<int>(whole.size() / 3)));
    } else {
        damage(font, GetParam());
    }
    Peer& peer = addPeer(1);
    app::TForm1& f = start();
    EXPECT_TRUE(recordedErrors().empty()) << recordedErrors().front();
    EXPECT_FALSE(f.state.EnDemarrage);
    EXPECT_FALSE(f.startupAbandoned);
    expectServing(peer, "POLICE ABSENTE", "ABCDEF");
}

INSTANTIATE_TEST_SUITE_P(Damages, FontFaults,
                         ::testing::Values(Damage::Missing, Damage::Garbage, Damage::Truncated, Damage::Empty),
                         [](const auto& info) { return std::string(name(info.param)); });

}  // namespace
}  // namespace vos::test
