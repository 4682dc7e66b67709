// Soak run of the real program: the main window on a pseudo-terminal as
// COM1 (19200 bit/s in its configuration), for SOAK_SECONDS (default 600).
// A control stand-in sends screen and lamp traffic at the line's full rate,
// 1920 bytes a second, while a key is typed every 50 ms. Measured, and
// checked at the end:
//   - control -> program: the last page is on the screen exactly;
//   - program -> control: every key arrives, in order, among the idle bytes,
//     and every idle byte queued arrives;
//   - resident memory does not grow after the first minute (growth at the end
//     over the one-minute mark below SOAK_RSS_SLACK_KB, default 4096);
//   - no error box.
// Prints the figures; exits 1 when a check fails.
//
// Run: <build>/bench/app_soak_bench   (SOAK_SECONDS=60 for a short run)
#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/form1.h"
#include "app/port_link.h"
#include "panel/lamps.h"
#include "panel/receiver.h"
#include "platform/qt/dialogs.h"
#include "platform/qt/guard.h"
#include "platform/qt/shape.h"
#include "platform/qt/timer.h"
#include "tests/support/program_under_test.h"
#include "tests/support/pty.h"
#include "tests/support/qt/qt_environment.h"

namespace {

using SteadyClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

long envOr(const char* name, long fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::strtol(v, nullptr, 10) : fallback;
}

long residentKb() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long kb = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> kb;
            return kb;
        }
        status.ignore(4096, '\n');
    }
    return 0;
}

// One 96-byte slice of the control's traffic (50 ms at 1920 bytes/s): a
// screen line with cursor moves, and lamp commands of every group.
std::vector<std::uint8_t> slice(std::uint64_t k) {
    std::vector<std::uint8_t> s(96);
    std::size_t n = 0;
    if (k % 12 == 0) s[n++] = 131;  // a new page every 12 lines
    for (std::uint64_t group = 1; group <= 7; ++group)  // lamp groups 16 .. 112
        s[n++] = static_cast<std::uint8_t>(16 * group + (k * group) % 16);
    s[n++] = static_cast<std::uint8_t>(k % 2 ? 132 : 133);  // blinking / steady cursor
    while (n < 95) {
        s[n] = static_cast<std::uint8_t>(160 + (k * 7 + n) % 95);
        ++n;
    }
    s[n++] = 142;  // end of line, next line
    s.resize(n);
    return s;
}

struct Figures {
    std::uint64_t sent = 0;
    std::uint64_t keysTyped = 0, idleQueued = 0;
    std::uint64_t ringFullTicks = 0;  // ticks that found no room for the idle byte
    long rssAtMinute = 0, rssMaxAfter = 0, rssEnd = 0;
    std::vector<std::string> errors;
};

}  // namespace

int main(int argc, char** argv) {
    vos::test::prepareQtEnvironment();
    QApplication app(argc, argv);
    const long seconds = envOr("SOAK_SECONDS", 600);
    const long slackKb = envOr("SOAK_RSS_SLACK_KB", 4096);
    Figures fig;
    vos::setMessageSink([&](const std::string& kind, const std::string& text) {
        if (kind == "error") fig.errors.push_back(text);
    });

    vos::test::ProgramFolder programFolder;
    vos::test::InstalledFolder folder(programFolder);
    std::string ini(vos::test::kShippedIni);
    ini.replace(ini.find("Bauds=9600"), 10, "Bauds=19200");
    folder.writeIni(ini);
    vos::test::Peer peer(folder.folder(), 1);
    auto program = std::make_unique<vos::app::TForm1>(folder.path());
    program->form().show();
    const auto opened = SteadyClock::now() + 10s;
    while (peer.idleBytes() == 0 && SteadyClock::now() < opened)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    if (peer.idleBytes() == 0) {
        std::fprintf(stderr, "soak: the port did not open\n");
        return 1;
    }

    // Program side of the count: idle bytes queued by the 2-ms timer (the
    // link has room for one whenever it says so).
    auto tick = program->Timer1.onTimer;
    program->Timer1.onTimer = [&, tick] {
        if (program->link().canSendIdle())
            ++fig.idleQueued;
        else
            ++fig.ringFullTicks;
        tick();
    };

    // The control: 96 bytes every 50 ms, paced on the clock, until told to stop.
    std::atomic<bool> stopSending{false};
    std::atomic<std::uint64_t> sent{0};
    const auto t0 = SteadyClock::now();
    std::thread control([&] {
        for (std::uint64_t k = 0; !stopSending; ++k) {
            std::this_thread::sleep_until(t0 + k * 50ms);
            const auto bytes = slice(k);
            if (!peer.send(bytes)) break;
            sent += bytes.size();
        }
    });

    const std::string keys = "0123456789ABCDEFGHIJKLMNPQRST";
    std::vector<std::uint8_t> typed;
    QTimer keyTimer;
    QObject::connect(&keyTimer, &QTimer::timeout, [&] {
        const char c = keys[fig.keysTyped % keys.size()];
        vos::guarded([&] { program->form().onKeyPress(static_cast<std::uint8_t>(c)); });
        typed.push_back(static_cast<std::uint8_t>(c + 0x80));
        ++fig.keysTyped;
    });
    keyTimer.start(50);

    // The program's event loop. Not the application's own quit, which would
    // close the main window (and with it the port) first.
    QEventLoop run;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        const auto elapsed = SteadyClock::now() - t0;
        const long rss = residentKb();
        if (elapsed >= 60s && fig.rssAtMinute == 0) fig.rssAtMinute = rss;
        if (fig.rssAtMinute) fig.rssMaxAfter = std::max(fig.rssMaxAfter, rss);
        if (elapsed >= std::chrono::seconds(seconds)) run.quit();
    });
    sampler.start(1000);
    run.exec();
    keyTimer.stop();
    stopSending = true;
    control.join();
    fig.sent = sent;
    fig.rssEnd = residentKb();
    if (fig.rssAtMinute == 0) fig.rssAtMinute = fig.rssMaxAfter = fig.rssEnd;  // shorter than a minute

    // Drain: the last page, then quiet until every count has settled.
    const std::string last = "FIN DE L'ESSAI D'ENDURANCE";
    std::vector<std::uint8_t> page{131};
    for (char c : last) page.push_back(static_cast<std::uint8_t>(c + 0x80));
    peer.send(page);
    fig.sent += page.size();
    const auto drainEnd = SteadyClock::now() + 30s;
    std::string shown;
    while (SteadyClock::now() < drainEnd) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(1ms);
        shown.clear();
        for (int n = 1; n <= 12; ++n) shown += program->screen().lineText(n);
        if (peer.keys().size() == typed.size() &&
            shown.rfind(last, 0) == 0)
            break;
    }
    program->Timer1.setEnabled(false);  // no idle byte queued from here on
    const auto settle = SteadyClock::now() + 10s;
    while (SteadyClock::now() < settle && peer.idleBytes() < fig.idleQueued) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(1ms);
    }
    const auto pause = SteadyClock::now() + 500ms;  // and nothing more comes
    while (SteadyClock::now() < pause) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

    std::string expected = last + std::string(480 - last.size(), ' ');
    for (char& c : expected)
        if (c == 'O') c = '\xD8';
    const bool keysOk = peer.keys() == typed;
    const bool idleOk = peer.idleBytes() == fig.idleQueued;
    const bool screenOk = shown == expected;
    const long growth = fig.rssEnd - fig.rssAtMinute;
    const bool rssOk = growth < slackKb && fig.rssMaxAfter - fig.rssAtMinute < slackKb;
    const bool boxesOk = fig.errors.empty();

    std::printf("soak: %ld s on a pseudo-terminal at 19200 bit/s\n", seconds);
    std::printf("control -> program: %llu bytes sent\n", static_cast<unsigned long long>(fig.sent));
    std::printf("program -> control: %llu keys typed, %zu received (%s); %llu idle bytes queued, %llu received (%s)\n",
                static_cast<unsigned long long>(fig.keysTyped), peer.keys().size(),
                keysOk ? "in order" : "MISMATCH", static_cast<unsigned long long>(fig.idleQueued),
                static_cast<unsigned long long>(peer.idleBytes()), idleOk ? "all" : "MISMATCH");
    std::printf("idle timer ticks that found the output ring full: %llu\n",
                static_cast<unsigned long long>(fig.ringFullTicks));
    std::printf("last page on screen: %s\n", screenOk ? "exact" : "DIFFERENT");
    std::printf("resident memory: %ld kB at 1 min, %ld kB max after, %ld kB at the end (growth %ld kB, %s)\n",
                fig.rssAtMinute, fig.rssMaxAfter, fig.rssEnd, growth, rssOk ? "flat" : "GROWING");
    std::printf("error boxes: %zu%s%s\n", fig.errors.size(), boxesOk ? "" : ", first: ",
                boxesOk ? "" : fig.errors.front().c_str());
    const bool ok = keysOk && idleOk && screenOk && rssOk && boxesOk;
    std::printf("result: %s\n", ok ? "PASS" : "FAIL");
    program.reset();
    return ok ? 0 : 1;
}
