// The guard, the timers and the message boxes: an exception in a callback is
// shown once and the loop goes on; boxes do not stack; timers tick at 2 ms;
// a real box has the program's title and gives the focus back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <algorithm>

#include "platform/qt/dialogs.h"
#include "platform/qt/form.h"
#include "platform/qt/guard.h"
#include "platform/qt/timer.h"
#include "tests/support/qt/gui_test_support.h"

namespace vos {
namespace {

using namespace std::chrono_literals;

struct GuardFixture : ::testing::Test {
    Form form{"TForm1", FormStyle::Borderless};
    GuardFixture() { test::clearRecordedMessages(); }
    ~GuardFixture() override { test::installRecordingSink(); }
};

TEST_F(GuardFixture, ExceptionInATimerIsShownOnceAndTheLoopGoesOn) {
    Timer& t = form.addTimer("Timer3", 5);
    int ticks = 0;
    t.onTimer = [&] {
        if (++ticks == 1) throw Error("Erreur de lecture");
    };
    ASSERT_TRUE(test::waitUntil([&] { return ticks >= 5; }));
    EXPECT_EQ(test::recordedErrors(), std::vector<std::string>{"Erreur de lecture"});
}

TEST_F(GuardFixture, GuardedReportsWhatEscapesAndSaysSo) {
    EXPECT_TRUE(guarded([] {}));
    EXPECT_FALSE(guarded([] { throw std::runtime_error("panne"); }));
    EXPECT_FALSE(guarded([] { throw 42; }));
    auto wrapped = guard(std::function<void(int)>([](int v) {
        if (v) throw Error("valeur " + std::to_string(v));
    }));
    wrapped(0);
    wrapped(7);
    EXPECT_EQ(test::recordedErrors(),
              (std::vector<std::string>{"panne", "Erreur inattendue", "valeur 7"}));
}

// While a box is up its nested loop keeps serving events: errors raised
// there wait for the box to close, each shown once, never one box over another.
TEST_F(GuardFixture, ErrorsWhileABoxIsUpAreQueuedNotStacked) {
    int depth = 0, maxDepth = 0;
    std::vector<std::string> shown;
    Timer& t = form.addTimer("Timer1", 2);
    t.setEnabled(false);
    int failures = 0;
    t.onTimer = [&] {
        ++failures;
        throw Error("tick");
    };
    setMessageSink([&](const std::string&, const std::string& text) {
        ++depth;
        maxDepth = std::max(maxDepth, depth);
        shown.push_back(text);
        if (text == "first") {
            reportException(std::make_exception_ptr(Error("second")));
            reportException(std::make_exception_ptr(Error("first")));  // same as on screen
            t.setEnabled(true);
            test::waitUntil([&] { return failures >= 5; });  // the box's nested loop
            t.setEnabled(false);
        }
        --depth;
    });
    reportException(std::make_exception_ptr(Error("first")));
    EXPECT_EQ(maxDepth, 1);
    EXPECT_GE(failures, 5);
    EXPECT_EQ(shown, (std::vector<std::string>{"first", "second", "tick"}));
}

TEST_F(GuardFixture, ATickDoesNotReenterItsOwnHandler) {
    Timer& t = form.addTimer("Timer3", 2);
    int depth = 0, maxDepth = 0, ticks = 0;
    t.onTimer = [&] {
        ++depth;
        ++ticks;
        maxDepth = std::max(maxDepth, depth);
        if (ticks == 1) test::serveEventsFor(100ms);  // as a box would
        --depth;
    };
    ASSERT_TRUE(test::waitUntil([&] { return ticks >= 3; }));
    EXPECT_EQ(maxDepth, 1);
}

TEST_F(GuardFixture, TwoMillisecondTimerTicksOftenAndStopsWhenDisabled) {
    Timer& t = form.addTimer("Timer1", 2);
    EXPECT_EQ(t.interval(), 2);
    EXPECT_TRUE(t.enabled());
    int ticks = 0;
    t.onTimer = [&] { ++ticks; };
    test::serveEventsFor(1000ms);
    // 500 expected; a loaded machine gets far fewer, but a timer coarsened to
    // the usual 10-20 ms granularity would not reach this.
    EXPECT_GE(ticks, 40);
    t.setEnabled(false);
    test::serveEventsFor(20ms);
    const int frozen = ticks;
    test::serveEventsFor(100ms);
    EXPECT_EQ(ticks, frozen);
    t.setEnabled(true);
    t.setInterval(0);  // an interval of 0 stops the timer too
    test::serveEventsFor(100ms);
    EXPECT_EQ(ticks, frozen);
}

// Closes the next modal box after recording its title, text and position.
struct BoxCloser {
    QString title, text;
    QPoint pos;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    void arm() {
        QTimer::singleShot(50, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return arm();
            title = box->windowTitle();
            text = box->text();
            pos = box->pos();
            icon = box->icon();
            box->accept();
        });
    }
};

TEST_F(GuardFixture, RealErrorBoxHasTheProgramTitle) {
    setMessageSink({});
    BoxCloser closer;
    closer.arm();
    guarded([] { throw Error("Port série introuvable"); });
    EXPECT_EQ(closer.title.toStdString(), "Vostrelle");
    EXPECT_EQ(closer.text.toStdString(), "Port série introuvable");
    EXPECT_EQ(closer.icon, QMessageBox::Critical);
}

TEST_F(GuardFixture, InfoBoxIsPlacedWhereAsked) {
    setMessageSink({});
    BoxCloser closer;
    closer.arm();
    showInfoBoxAt("A propos", 150, 100);
    EXPECT_EQ(closer.pos, QPoint(150, 100));
    EXPECT_EQ(closer.icon, QMessageBox::Information);
}

// Closing a box gives the focus back to the form, which raises its activation.
TEST_F(GuardFixture, FormIsActivatedAgainWhenABoxCloses) {
    int activations = 0;
    form.setClientSize(100, 100);
    form.onActivate = [&] { ++activations; };
    form.show();
    ASSERT_TRUE(test::waitUntil([&] { return form.isActive(); }));
    ASSERT_EQ(activations, 1);
    setMessageSink({});
    BoxCloser closer;
    closer.arm();
    showMessage("Fichier introuvable");
    EXPECT_EQ(closer.icon, QMessageBox::NoIcon);
    EXPECT_TRUE(test::waitUntil([&] { return activations == 2; }));
}

}  // namespace
}  // namespace vos
