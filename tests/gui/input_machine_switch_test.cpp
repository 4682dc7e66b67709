// The lathe/milling switch over real JPEG skins in a private folder.
#include <gtest/gtest.h>

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <string>
#include <vector>

#include "input/machine_switch.h"
#include "platform/qt/form.h"
#include "platform/qt/dialogs.h"
#include "platform/qt/guard.h"
#include "platform/qt/label.h"
#include "platform/qt/picture.h"

namespace vos {
namespace {

constexpr design::Rgb kMillingColor{200, 30, 30};
constexpr design::Rgb kLatheColor{30, 30, 200};
constexpr design::Rgb kDesignColor{30, 200, 30};

bool near(design::Rgb a, design::Rgb b) {  // JPEG is lossy
    auto d = [](int x, int y) { return x > y ? x - y : y - x; };
    return d(a.r, b.r) < 24 && d(a.g, b.g) < 24 && d(a.b, b.b) < 24;
}

class MachineSwitchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        skins = dir.path().toStdString() + "/Skins/";
        ASSERT_TRUE(QDir().mkpath(QString::fromStdString(skins)));
        writeJpeg("num760f.jpg", kMillingColor);
        writeJpeg("num760t.jpg", kLatheColor);
        writeJpeg("design.jpg", kDesignColor);
        fond.loadFromFile(skins + "design.jpg");
    }

    void writeJpeg(const std::string& name, design::Rgb c) {
        QImage img(64, 48, QImage::Format_RGB32);
        img.fill(QColor(c.r, c.g, c.b));
        ASSERT_TRUE(img.save(QString::fromStdString(skins + name), "JPEG", 95));
    }

    void click() { input::LabelTFClick(fichierFond, skins, fond, type); }
    bool milling() const { return type.EstFraiseuse && !type.EstTour; }
    bool lathe() const { return type.EstTour && !type.EstFraiseuse; }

    QTemporaryDir dir;
    std::string skins;
    Form form{"TForm1", FormStyle::Borderless};
    Picture& fond = form.addPicture("Fond");
    panel::MachineType type;
    std::string fichierFond;
};

TEST(InputMachineSwitchRule, NextSkinName) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "num760f.jpg"},
        {"num760t.jpg", "num760f.jpg"},
        {"num760f.jpg", "num760t.jpg"},
        {"NUM760F.JPG", "num760t.jpg"},
        {"NUM760T.JPG", "num760t.jpg"},
        {"autre.jpg", "num760t.jpg"},
        {"num760t.jpg ", "num760t.jpg"},
    };
    for (const auto& [from, to] : cases) EXPECT_EQ(input::skinAfterSwitch(from), to) << from;
}

TEST_F(MachineSwitchTest, MillingToLatheAndBack) {
    fichierFond = "num760f.jpg";
    panel::applyMachineTypeRule(fichierFond, type);
    click();
    EXPECT_EQ(fichierFond, "num760t.jpg");
    EXPECT_TRUE(lathe());
    EXPECT_EQ(fond.fileName(), skins + "num760t.jpg");
    EXPECT_TRUE(near(fond.pixel(10, 10), kLatheColor));
    click();
    EXPECT_EQ(fichierFond, "num760f.jpg");
    EXPECT_TRUE(milling());
    EXPECT_TRUE(near(fond.pixel(10, 10), kMillingColor));
}

TEST_F(MachineSwitchTest, UpperCaseMillingNameIsALathe) {
    fichierFond = "NUM760F.JPG";
    panel::applyMachineTypeRule(fichierFond, type);
    EXPECT_TRUE(lathe());
    click();
    EXPECT_EQ(fichierFond, "num760t.jpg");
    EXPECT_TRUE(lathe());
}

TEST_F(MachineSwitchTest, OtherAndEmptyNames) {
    for (const std::string start : {"autre.jpg", ""}) {
        fichierFond = start;
        panel::applyMachineTypeRule(fichierFond, type);
        EXPECT_TRUE(lathe()) << start;
        click();
        if (start.empty()) {
            EXPECT_EQ(fichierFond, "num760f.jpg");
            EXPECT_TRUE(milling());
            continue;
        }
        EXPECT_EQ(fichierFond, "num760t.jpg");
        EXPECT_TRUE(lathe());
        click();
        EXPECT_EQ(fichierFond, "num760f.jpg");
        EXPECT_TRUE(milling());
    }
}

TEST_F(MachineSwitchTest, MissingSkinKeepsPictureAndTypeButNotTheName) {
    fichierFond = "num760f.jpg";
    click();  // to lathe
    click();  // back to milling, picture shown
    ASSERT_TRUE(milling());
    ASSERT_TRUE(QFile::remove(QString::fromStdString(skins + "num760t.jpg")));
    EXPECT_THROW(click(), Error);
    EXPECT_EQ(fichierFond, "num760t.jpg");  // saved at exit with the new name
    EXPECT_TRUE(milling());
    EXPECT_EQ(fond.fileName(), skins + "num760f.jpg");
    EXPECT_TRUE(near(fond.pixel(10, 10), kMillingColor));

    // The error reaches the operator through the guard, with its message.
    std::vector<std::string> shown;
    setMessageSink([&](const std::string&, const std::string& text) { shown.push_back(text); });
    fichierFond = "num760f.jpg";
    guarded([&] { click(); });
    setMessageSink(nullptr);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("num760t.jpg"), std::string::npos) << shown[0];
    EXPECT_TRUE(milling());
}

TEST_F(MachineSwitchTest, DamagedSkinIsReportedLikeAMissingOne) {
    fichierFond = "num760t.jpg";
    click();  // milling
    {
        QFile f(QString::fromStdString(skins + "num760t.jpg"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("\xFF\xD8\xFF not a picture");
    }
    EXPECT_THROW(click(), Error);
    EXPECT_TRUE(milling());
    EXPECT_TRUE(near(fond.pixel(10, 10), kMillingColor));
}

TEST_F(MachineSwitchTest, TFAreaAndCaption) {
    int clicks = 0;
    input::MachineSwitch sw(form, [&] { ++clicks; });
    Label& area = sw.labelTF();
    EXPECT_EQ(form.find("LabelTF"), &area);
    EXPECT_EQ(area.bounds(), (design::Bounds{8, 250, 25, 25}));
    EXPECT_TRUE(area.transparent());
    EXPECT_EQ(area.hint(), "Tour/Fraiseuse");
    EXPECT_EQ(area.caption(), "");
    Label& caption = sw.caption();
    EXPECT_EQ(caption.caption(), "T/F");
    EXPECT_EQ(caption.left(), 13);
    EXPECT_EQ(caption.top(), 279);
    EXPECT_EQ(caption.font().pixelHeight, 9);
    EXPECT_EQ(caption.font().color, design::colors::White);
    EXPECT_FALSE(caption.onClick);  // the caption has no action
    ASSERT_TRUE(area.onClick);
    area.onClick();
    EXPECT_EQ(clicks, 1);
}

}  // namespace
}  // namespace vos
