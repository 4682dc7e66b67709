#include "platform/qt/session_end.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <QSocketNotifier>
#include <QThread>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/qt/app_services.h"
#include "platform/qt/form.h"

namespace vos {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

// The pipe from the signal handler to the GUI thread (read end first).
int wakePipe[2] = {-1, -1};
bool endRequested = false;
bool duringStartUp = false;

extern "C" void onEndSignal(int sig) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(sig);
    [[maybe_unused]] const ssize_t n = ::write(wakePipe[1], &byte, 1);  // async-signal-safe
    errno = saved;
}

// Boxes that nobody would dismiss: their texts go to the standard error.
void unattended() {
    AppServices& s = appServices();
    if (s.messageSink) return;
    s.messageSink = [](const std::string& kind, const std::string& text) {
        std::fprintf(stderr, "vostrelle: %s: %s\n", kind.c_str(), text.c_str());
    };
}

void onWake() {
    unsigned char bytes[16];
    while (::read(wakePipe[0], bytes, sizeof bytes) > 0) {
    }
    if (endRequested) return;
    endRequested = true;
    unattended();
    AppServices& s = appServices();
    if (s.inEventLoop && s.mainForm) {
        s.mainForm->close();  // its close ends the loop, a box's loop with it
        return;
    }
    // Start-up: a box up now returns at once, as any later one; the close
    // comes once start-up is over.
    duringStartUp = true;
    QCoreApplication::exit(0);
}

// The session manager's end of session reaches the application as a Quit
// event, on which Qt closes every window, the main form first among them.
class QuitWatch final : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == qApp && e->type() == QEvent::Quit) unattended();
        return false;
    }
};

void atExit() {
    AppServices& s = appServices();
    if (!s.mainForm || !qApp || QThread::currentThread() != qApp->thread()) return;
    unattended();
    s.mainForm->closeAtExit();
}

}  // namespace

void installSessionEnd() {
    if (wakePipe[0] >= 0) return;
    if (::pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(wakePipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] { onWake(); });
    struct sigaction sa {};
    sa.sa_handler = onEndSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (const int sig : kSignals) ::sigaction(sig, &sa, nullptr);
    qApp->installEventFilter(new QuitWatch(qApp));
}

bool endRequestedDuringStartUp() { return duringStartUp; }

void closeMainFormAtExit() {
    static bool registered = false;
    if (!registered) registered = std::atexit(atExit) == 0;
}

}  // namespace vos
