// Combo boxes, progress bar, button, check box and the self-painted graphic
// control.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QTest>
#include <QWindow>

#include "platform/qt/form.h"
#include "platform/qt/graphic_control.h"
#include "platform/qt/guard.h"
#include "platform/qt/list_controls.h"
#include "tests/support/qt/gui_test_support.h"

namespace vos {
namespace {

struct ListFixture : ::testing::Test {
    Form form{"TForm1", FormStyle::Borderless};
    ListFixture() {
        form.setClientSize(300, 200);
        test::clearRecordedMessages();
    }
};

TEST_F(ListFixture, SortedComboKeepsByteOrderAndAddSelectsNothing) {
    ComboBox& c = form.addComboBox("ComboBox_NoCom");
    c.setSorted(true);
    EXPECT_EQ(c.add("COM 12"), 0);
    EXPECT_EQ(c.add("COM  3"), 0);   // two blanks sort before one
    EXPECT_EQ(c.add("COM100"), 2);
    EXPECT_EQ(c.add("COM 45"), 2);
    EXPECT_EQ(c.add("com  1"), 4);   // lower case after upper case
    const std::vector<std::string> want{"COM  3", "COM 12", "COM 45", "COM100", "com  1"};
    ASSERT_EQ(c.count(), 5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(c.item(i), want[i]);
    EXPECT_EQ(c.itemIndex(), -1);
    EXPECT_EQ(c.text(), "");
}

TEST_F(ListFixture, ItemIndexOutsideTheListSelectsNothing) {
    ComboBox& c = form.addComboBox("ComboBox_NoCom");
    c.add("COM  1");
    c.add("COM  2");
    int changes = 0;
    c.onChange = [&] { ++changes; };
    c.setItemIndex(1);
    EXPECT_EQ(c.text(), "COM  2");
    c.setItemIndex(254);
    EXPECT_EQ(c.itemIndex(), -1);
    c.setItemIndex(0);
    c.remove(0);  // the selected item goes: nothing is selected
    EXPECT_EQ(c.itemIndex(), -1);
    EXPECT_EQ(changes, 0) << "programmatic changes raise no onChange";
    c.setText("COM  2");
    EXPECT_EQ(c.itemIndex(), 0);
    c.clear();
    EXPECT_EQ(c.count(), 0);
}

TEST_F(ListFixture, EditableComboShowsItsNameUntilChosenAndReportsUserChanges) {
    ComboBox& c = form.addComboBox("ComboBox_Bauds");
    c.setStyle(ComboStyle::DropDown);
    c.add("9600");
    c.add("19200");
    EXPECT_EQ(c.text(), "ComboBox_Bauds");
    EXPECT_EQ(c.itemIndex(), -1);
    c.setItemIndex(1);
    EXPECT_EQ(c.text(), "19200");
    int changes = 0;
    c.onChange = [&] {
        ++changes;
        throw Error("choix refusé");  // goes to the error box, not to Qt
    };
    form.show();
    c.widget()->setFocus();
    ASSERT_TRUE(test::waitUntil([&] { return c.widget()->hasFocus(); }));
    QTest::keyClick(c.widget(), Qt::Key_Up);
    EXPECT_EQ(c.itemIndex(), 0);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(test::recordedErrors(), std::vector<std::string>{"choix refusé"});
}

TEST_F(ListFixture, ProgressBarDrawsItsColorsInProportion) {
    ProgressBar& p = form.addProgressBar("ProgressBar1");
    p.setBounds({0, 0, 200, 10});
    p.setRange(0, 100);
    p.setBarColor(design::colors::Blue);
    p.setBackgroundColor(design::colors::White);
    p.setPosition(50);
    EXPECT_EQ(p.position(), 50);
    Bitmap b = form.grab();
    EXPECT_EQ(b.pixel(10, 5), design::colors::Blue);
    EXPECT_EQ(b.pixel(98, 5), design::colors::Blue);
    EXPECT_EQ(b.pixel(102, 5), design::colors::White);
    p.setPosition(1000);
    EXPECT_EQ(p.position(), 100);
    EXPECT_EQ(p.barColor(), design::colors::Blue);
    EXPECT_EQ(p.backgroundColor(), design::colors::White);
}

TEST_F(ListFixture, ButtonAndCheckBoxReportUserClicksOnly) {
    Button& b = form.addButton("BoutonQuitter");
    b.setCaption("&Fin");
    EXPECT_EQ(b.caption(), "&Fin");
    b.setBounds({10, 10, 60, 25});
    CheckBox& cb = form.addCheckBox("CheckBox_InitPort");
    cb.setBounds({10, 50, 60, 20});
    cb.setCaption("Init");
    int buttonClicks = 0, checkClicks = 0;
    b.onClick = [&] { ++buttonClicks; };
    cb.onClick = [&] { ++checkClicks; };
    cb.setChecked(true);
    EXPECT_TRUE(cb.checked());
    EXPECT_EQ(checkClicks, 0);
    form.show();
    QWindow* w = form.window()->windowHandle();
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(30, 20));
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(15, 60));
    EXPECT_EQ(buttonClicks, 1);
    EXPECT_EQ(checkClicks, 1);
    EXPECT_FALSE(cb.checked());
}

TEST_F(ListFixture, GraphicControlPaintsThroughItsCallback) {
    GraphicControl& g = form.addGraphic("TXDLight");
    g.setBounds({20, 20, 20, 9});
    form.setColor(design::colors::Gray);
    g.onPaint = [&](Canvas& c) {
        c.fillRect({0, 0, g.width(), g.height()}, design::colors::Lime);
        c.line(0, 0, g.width(), 0, design::colors::White);             // top edge, all of it
        c.line(g.width() - 1, 1, g.width() - 1, g.height(), design::colors::Gray);
        c.line(0, 2, 5, 2, design::colors::Red);                        // end point excluded
    };
    const Bitmap r = g.render();
    EXPECT_EQ(r.width(), 20);
    EXPECT_EQ(r.pixel(19, 0), design::colors::White);
    EXPECT_EQ(r.pixel(19, 8), design::colors::Gray);
    EXPECT_EQ(r.pixel(4, 2), design::colors::Red);
    EXPECT_EQ(r.pixel(5, 2), design::colors::Lime);
    EXPECT_EQ(form.grab().pixel(25, 25), design::colors::Lime);

    // A glyph copied with its top-left color transparent.
    Bitmap glyph = Bitmap::filled(4, 2, design::colors::Aqua);
    glyph.setPixel(1, 1, design::colors::Red);
    g.onPaint = [&](Canvas& c) {
        c.fillRect({0, 0, g.width(), g.height()}, c.parentBackground());
        c.drawImage(glyph, {0, 0, 2, 2}, 0, 0, glyph.pixel(0, 0));
    };
    const Bitmap r2 = g.render();
    EXPECT_EQ(r2.pixel(0, 0), design::colors::Gray);
    EXPECT_EQ(r2.pixel(1, 1), design::colors::Red);

    g.onPaint = [](Canvas&) { throw Error("peinture"); };
    g.render();
    EXPECT_EQ(test::recordedErrors(), std::vector<std::string>{"peinture"});
}

}  // namespace
}  // namespace vos
