// Picture loading: JPEG through libjpeg, the design picture, names that
// differ in case, and the French errors for damaged or unknown files.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/qt/form.h"
#include "platform/qt/graphic_control.h"
#include "platform/qt/guard.h"
#include "platform/qt/picture.h"

namespace vos {
namespace {

namespace fs = std::filesystem;

struct PictureFixture : ::testing::Test {
    Form form{"TForm1", FormStyle::Borderless};
    Picture& fond = form.addPicture("Fond");
    fs::path dir;

    PictureFixture() {
        dir = fs::temp_directory_path() /
              ("vos_picture_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
        form.setClientSize(100, 80);
        fond.setBounds({0, 0, 100, 80});
    }
    ~PictureFixture() override { fs::remove_all(dir); }

    // A 64 x 48 JPEG: left half red, right half blue.
    std::string writeJpeg(const std::string& name) {
        QImage img(64, 48, QImage::Format_RGB32);
        img.fill(QColor(200, 0, 0));
        for (int y = 0; y < 48; ++y)
            for (int x = 32; x < 64; ++x) img.setPixelColor(x, y, QColor(0, 0, 200));
        const std::string path = (dir / name).string();
        EXPECT_TRUE(img.save(QString::fromStdString(path), "JPEG", 95));
        return path;
    }
    static bool near(design::Rgb a, design::Rgb b) {
        return std::abs(a.r - b.r) < 24 && std::abs(a.g - b.g) < 24 && std::abs(a.b - b.b) < 24;
    }
    static std::string errorOf(const std::function<void()>& f) {
        try {
            f();
        } catch (const Error& e) {
            return e.what();
        }
        return "";
    }
};

TEST_F(PictureFixture, JpegIsDecodedAndDrawnUnscaledAtTheTopLeft) {
    const std::string path = writeJpeg("num760t.jpg");
    fond.loadFromFile(path);
    EXPECT_EQ(fond.fileName(), path);
    EXPECT_TRUE(near(fond.pixel(5, 5), {200, 0, 0}));
    EXPECT_TRUE(near(fond.pixel(60, 40), {0, 0, 200}));
    const Bitmap shot = form.grab();
    EXPECT_TRUE(near(shot.pixel(10, 10), {200, 0, 0}));
    EXPECT_TRUE(near(shot.pixel(50, 10), {0, 0, 200}));
    EXPECT_EQ(shot.pixel(80, 10), design::colors::Black);  // beyond the picture: the form
}

TEST_F(PictureFixture, ExtensionAndNameMatchIgnoringCase) {
    writeJpeg("num760f.jpg");
    fond.loadFromFile((dir / "NUM760F.JPG").string());
    EXPECT_TRUE(near(fond.pixel(5, 5), {200, 0, 0}));
    const std::string jpeg = writeJpeg("skin.JPEG");
    fond.loadFromFile(jpeg);
    EXPECT_TRUE(near(fond.pixel(60, 5), {0, 0, 200}));
}

TEST_F(PictureFixture, BadFilesRaiseAFrenchErrorNamingTheFileAndKeepThePicture) {
    fond.loadFromFile(writeJpeg("good.jpg"));
    const std::string good = fond.fileName();

    const std::string damaged = (dir / "damaged.jpg").string();
    {
        std::ifstream in(good, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), {});
        std::ofstream(damaged, std::ios::binary) << bytes.substr(0, bytes.size() / 3);
    }
    const std::string garbage = (dir / "garbage.jpeg").string();
    std::ofstream(garbage) << "not a picture at all";
    const std::string unknown = (dir / "skin.gif").string();
    std::ofstream(unknown) << "GIF89a";
    const std::string missing = (dir / "absent.jpg").string();

    const struct { std::string path; const char* word; } cases[] = {
        {damaged, "endommag"}, {garbage, "endommag"}, {unknown, "inconnu"}, {missing, "introuvable"},
    };
    for (const auto& c : cases) {
        const std::string msg = errorOf([&] { fond.loadFromFile(c.path); });
        EXPECT_NE(msg.find(c.path), std::string::npos) << msg;
        EXPECT_NE(msg.find(c.word), std::string::npos) << msg;
        EXPECT_EQ(fond.fileName(), good);
        EXPECT_TRUE(near(fond.pixel(5, 5), {200, 0, 0}));
    }
}

TEST_F(PictureFixture, DesignPictureFillsThePanelSize) {
    fond.loadDesignPicture();
    EXPECT_TRUE(fond.fileName().empty());
    const design::Rgb p = fond.pixel(5, 5);
    EXPECT_NE(p, design::colors::Black);
    EXPECT_LT(p.r, 128);  // a dark panel
    Bitmap b;
    EXPECT_TRUE(b.empty());
    b.loadFromFile(writeJpeg("glyph.jpg"));
    EXPECT_EQ(b.width(), 64);
    EXPECT_EQ(b.height(), 48);
}

}  // namespace
}  // namespace vos
