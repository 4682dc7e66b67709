// The port selection dialog: its layout, the ports it lists and what each way
// of leaving it gives.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <set>

#include "platform/qt/form.h"
#include "platform/qt/label.h"
#include "platform/qt/list_controls.h"
#include "serial/com_select_form.h"

namespace vos {
namespace {

class ComSelectDialog : public ::testing::Test {
protected:
    // The program's first form is its main window; the dialog never is.
    Form main_{"TestMain", FormStyle::Borderless};

    static std::function<bool(int)> present(std::set<int> ports) {
        return [ports](int n) { return ports.count(n) > 0; };
    }

    // Runs `act` on the dialog's window once it is shown modally.
    static void whenShown(serial::TComSelectForm& dialog, std::function<void(QWidget&)> act) {
        QWidget* window = dialog.form().window();
        auto* timer = new QTimer(qApp);
        QObject::connect(timer, &QTimer::timeout, timer, [timer, window, act] {
            if (!window->isVisible()) return;
            timer->stop();
            timer->deleteLater();
            act(*window);
        });
        timer->start(5);
    }

    static void click(QWidget& window, const char* button) {
        window.findChild<QPushButton*>(button)->click();
    }
};

TEST_F(ComSelectDialog, HasTheDesignedLayout) {
    serial::TComSelectForm dialog(present({}));
    Form& f = dialog.form();
    EXPECT_EQ(f.caption(), "Select Port");
    EXPECT_EQ(f.clientWidth(), 220);
    EXPECT_EQ(f.clientHeight(), 131);
    EXPECT_EQ(f.left(), (f.screenWidth() - 220) / 2);  // centred on the screen
    EXPECT_EQ(f.top(), (f.screenHeight() - 131) / 2);
    const struct {
        const char* name;
        int left, top;
    } places[] = {{"Label1", 18, 14}, {"Label2", 18, 30}, {"Bevel1", 8, 8},
                  {"PortsComboBox", 8, 64}, {"OkBtn", 8, 95}, {"AbortBtn", 124, 95}};
    for (const auto& p : places) {
        Control* c = f.find(p.name);
        ASSERT_NE(c, nullptr) << p.name;
        EXPECT_EQ(c->left(), p.left) << p.name;
        EXPECT_EQ(c->top(), p.top) << p.name;
    }
    EXPECT_EQ(static_cast<Label*>(f.find("Label1"))->caption(), "The configured serial port is not valid.");
    EXPECT_EQ(static_cast<Label*>(f.find("Label2"))->caption(), "Please choose another port.");
    EXPECT_EQ(f.find("PortsComboBox")->width(), 201);
    EXPECT_EQ(f.find("OkBtn")->bounds(), (design::Bounds{8, 95, 85, 27}));
    EXPECT_EQ(f.find("AbortBtn")->bounds(), (design::Bounds{124, 95, 85, 27}));
    EXPECT_EQ(static_cast<Button*>(f.find("OkBtn"))->caption(), "OK");
    EXPECT_EQ(static_cast<Button*>(f.find("AbortBtn"))->caption(), "Cancel");
}

TEST_F(ComSelectDialog, ListsThePresentPortsWithTheFirstSelected) {
    serial::TComSelectForm dialog(present({2, 12, 50, 51}));
    ComboBox& list = dialog.PortsComboBox();
    ASSERT_EQ(list.count(), 3);
    EXPECT_EQ(list.item(0), "COM2");
    EXPECT_EQ(list.item(1), "COM12");
    EXPECT_EQ(list.item(2), "COM50");
    EXPECT_EQ(list.itemIndex(), 0);
}

TEST_F(ComSelectDialog, OkGivesTheSelectedPortsNumber) {
    serial::TComSelectForm dialog(present({2, 12}));
    whenShown(dialog, [](QWidget& w) {
        w.findChild<QComboBox*>("PortsComboBox")->setCurrentIndex(1);
        click(w, "OkBtn");
    });
    EXPECT_EQ(dialog.Execute(), 12);
    EXPECT_FALSE(dialog.form().visible());
}

TEST_F(ComSelectDialog, ReturnChoosesOk) {
    serial::TComSelectForm dialog(present({7}));
    whenShown(dialog, [](QWidget& w) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
        QApplication::sendEvent(w.findChild<QComboBox*>("PortsComboBox"), &press);
    });
    EXPECT_EQ(dialog.Execute(), 7);
}

TEST_F(ComSelectDialog, CancelClosingOrAnEmptyListGiveNoPort) {
    {
        serial::TComSelectForm dialog(present({2}));
        whenShown(dialog, [](QWidget& w) { click(w, "AbortBtn"); });
        EXPECT_EQ(dialog.Execute(), 0);
    }
    {
        serial::TComSelectForm dialog(present({2}));
        whenShown(dialog, [](QWidget& w) { w.close(); });
        EXPECT_EQ(dialog.Execute(), 0);
    }
    {
        serial::TComSelectForm dialog(present({}));
        whenShown(dialog, [](QWidget& w) { click(w, "OkBtn"); });
        EXPECT_EQ(dialog.Execute(), 0);
    }
}

}  // namespace
}  // namespace vos
