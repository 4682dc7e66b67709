// The program's run: what ends it and with which status. Each case runs in a
// child process of its own (the application object exists once per process).
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

#include <QCoreApplication>
#include <QEvent>

#include "platform/qt/desktop.h"
#include "platform/qt/dialogs.h"
#include "platform/qt/form.h"
#include "platform/qt/guard.h"
#include "platform/qt/timer.h"

namespace vos {
namespace {

char arg0[] = "vostrelle";
char* argv0[] = {arg0, nullptr};

// Boxes go to stderr, where the death-test machinery can match them.
void boxesToStderr() {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setMessageSink([](const std::string& kind, const std::string& text) {
        std::fprintf(stderr, "[%s] %s\n", kind.c_str(), text.c_str());
    });
}

// As the program's main() does: the main form lives in the caller and goes
// after runApplication has returned.
int run(const std::function<void(Form&)>& wire) {
    boxesToStderr();
    std::unique_ptr<Form> mainForm;
    return runApplication(1, argv0, [&] {
        mainForm = std::make_unique<Form>("TForm1", FormStyle::Borderless);
        mainForm->setClientSize(100, 100);
        wire(*mainForm);
    });
}

struct RunApplication : ::testing::Test {
    RunApplication() { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(RunApplication, ExceptionWhileBuildingShowsTheBoxAndEndsWithStatus1) {
    EXPECT_EXIT(boxesToStderr();
                std::exit(runApplication(1, argv0, [] { throw Error("Fichier de configuration illisible"); })),
                ::testing::ExitedWithCode(1), "\\[error\\] Fichier de configuration illisible");
}

TEST_F(RunApplication, ExceptionInTheStartUpSequenceEndsWithStatus1) {
    EXPECT_EXIT(std::exit(run([](Form& f) { f.onShow = [] { throw Error("Image introuvable"); }; })),
                ::testing::ExitedWithCode(1), "\\[error\\] Image introuvable");
}

TEST_F(RunApplication, QuitDuringStartUpEndsWithoutEnteringTheLoop) {
    EXPECT_EXIT(std::exit(run([](Form& f) {
                    f.onShow = [] {
                        showErrorBox("Fichier Vostrelle.ini introuvable, réinstaller Vostrelle");
                        quitApplication(0);
                    };
                    f.onActivate = [] { std::fprintf(stderr, "activated\n"); };
                })),
                ::testing::ExitedWithCode(0), "introuvable, réinstaller Vostrelle\n$");
}

TEST_F(RunApplication, ClosingTheMainFormEndsTheLoopAfterErrorsInHandlers) {
    EXPECT_EXIT(std::exit(run([](Form& f) {
                    Timer& t = f.addTimer("Timer3", 10);
                    auto ticks = std::make_shared<int>(0);
                    t.onTimer = [&f, ticks] {
                        if (++*ticks == 1) throw Error("tick en erreur");
                        if (*ticks == 5) f.close();
                    };
                    f.onClose = [] { std::fprintf(stderr, "closed\n"); };
                })),
                ::testing::ExitedWithCode(0), "tick en erreur\nclosed\n");
}

// The system's requests to end the program (signals, the session manager's
// end of session) run the main form's close, which ends the program
// normally; so does the platform plugin's exit() when the display is lost
// (here a timer calls exit() as the plugin would).
TEST_F(RunApplication, TerminationSignalsAndExitRunTheCloseOnce) {
    struct End {
        const char* what;
        std::function<void()> now;
        int status;
    };
    const End ends[] = {{"SIGTERM", [] { ::raise(SIGTERM); }, 0},
                        {"SIGHUP", [] { ::raise(SIGHUP); }, 0},
                        {"SIGINT", [] { ::raise(SIGINT); }, 0},
                        {"the session manager's end", [] {
                             QEvent quit(QEvent::Quit);  // what its "die" message sends
                             QCoreApplication::sendEvent(qApp, &quit);
                         }, 0},
                        {"exit()", [] { std::exit(1); }, 1}};
    for (const End& end : ends) {
        SCOPED_TRACE(end.what);
        EXPECT_EXIT(std::exit(run([&end](Form& f) {
                        Timer& t = f.addTimer("Timer2", 20);
                        t.onTimer = [&end] { end.now(); };
                        f.onClose = [] {
                            showErrorBox("fichier en lecture seule");
                            std::fprintf(stderr, "closed\n");
                        };
                    })),
                    ::testing::ExitedWithCode(end.status), "fichier en lecture seule\nclosed\n$");
    }
}

}  // namespace
}  // namespace vos
