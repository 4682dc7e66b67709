// What the operator feels when the port he chooses is slow to open: COM2's
// open takes 2 s (the preloaded shim of the end-to-end tests delays every
// open of Ports/COM2, as a Bluetooth line connecting or a stuck adapter
// would), COM1 is the port that works.
//
// Each round chooses COM2 in the port list (as the list does it), then
// measures, until COM2's first idle byte:
//   - the GUI thread's longest stall: the largest gap between the ticks of a
//     1-ms timer (what a click or a key would wait for);
//   - COM1's longest gap between idle bytes (the working port's stream);
//   - the choice -> COM2's first byte;
// then chooses COM1 again (a normal open) for the next round.
//
// Usage: app_slow_open_bench [rounds (default 10)]. It runs itself again
// with the shim preloaded.
// Goals: the GUI thread's p99 stall under 100 ms; COM1's stream goes on.
#include <unistd.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench/app_bench_support.h"
#include "platform/qt/list_controls.h"

using namespace vos::bench;

namespace {

struct Rig {
    vos::test::ProgramFolder folder;
    vos::test::PtyPair com1, com2;
    std::unique_ptr<LineRecorder> line1, line2;
    std::unique_ptr<vos::app::TForm1> form;

    Rig() {
        folder.linkPort(1, com1.slavePath());
        folder.linkPort(2, com2.slavePath());
        folder.writeFile("Vostrelle.ini",
                         "[Port]\r\nCom=1\r\nBauds=9600\r\nBufferFull=248\r\nBufferResume=10\r\n"
                         "OutSize=256\r\nInSize=4096\r\n\r\n[Perso]\r\nFond=\r\n\r\n[Contexte]\r\n"
                         "Editeur=notepad.exe\r\n");
        line1 = std::make_unique<LineRecorder>(com1.master());
        line2 = std::make_unique<LineRecorder>(com2.master());
        form = std::make_unique<vos::app::TForm1>(folder.path());
        form->form().show();
    }
    ~Rig() {
        form.reset();
        line1->stop();
        line2->stop();
    }
    void choose(int index) {
        auto* combo = dynamic_cast<vos::ComboBox*>(form->form().find("ComboBox_NoCom"));
        combo->setItemIndex(index);
        emit qobject_cast<QComboBox*>(combo->widget())->activated(index);
    }
};

struct Round {
    double guiStallMs, com1GapMs, toCom2Ms;
};

// The largest gap between COM1's bytes that arrived in [from, to].
double largestGap(LineRecorder& line, std::size_t firstIndex, Clock::time_point to) {
    // The recorder's arrays may only be read after stop(): count() marks what
    // is complete, and those elements are not written again.
    double gap = 0;
    const std::size_t n = line.count();
    const auto* times = line.times().data();
    for (std::size_t i = firstIndex + 1; i < n && times[i] <= to; ++i)
        gap = std::max(gap, msBetween(times[i - 1], times[i]));
    return gap;
}

bool oneRound(Rig& rig, Round& r) {
    const std::size_t com2Before = rig.line2->count();
    const std::size_t com1Mark = rig.line1->count();
    std::vector<Clock::time_point> ticks;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] { ticks.push_back(Clock::now()); });
    tick.start(1);
    const auto chosen = Clock::now();
    rig.choose(1);  // "COM  2"
    if (!serveUntil([&] { return rig.line2->count() > com2Before; }, 10000)) return false;
    const auto first = Clock::now();
    tick.stop();
    r.toCom2Ms = msBetween(chosen, first);
    r.guiStallMs = 0;
    for (std::size_t i = 1; i < ticks.size(); ++i) r.guiStallMs = std::max(r.guiStallMs, msBetween(ticks[i - 1], ticks[i]));
    r.com1GapMs = largestGap(*rig.line1, com1Mark, first - std::chrono::milliseconds(50));
    const std::size_t com1Back = rig.line1->count();
    rig.choose(0);  // "COM  1" again
    return serveUntil([&] { return rig.line1->count() > com1Back + 20; }, 10000);
}

}  // namespace

int main(int argc, char** argv) {
    const char* preload = std::getenv("LD_PRELOAD");
    if (!preload || !std::strstr(preload, "vos_slow_open")) {
        ::setenv("LD_PRELOAD", VOS_SLOW_OPEN_LIB, 1);
        ::setenv("VOS_SLOW_OPEN_MATCH", "/Ports/COM2", 1);
        ::setenv("VOS_SLOW_OPEN_MS", "2000", 1);
        ::execv("/proc/self/exe", argv);
        std::perror("execv");
        return 1;
    }
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 10;
    prepareQtEnvironment();
    QApplication app(argc, argv);
    printBoxes();
    Rig rig;
    if (!serveUntil([&] { return rig.line1->count() > 100; }, 20000)) {
        std::fprintf(stderr, "the window does not send on COM1\n");
        return 1;
    }
    std::vector<double> stall, gap, open;
    int failures = 0;
    for (int i = 0; i < rounds; ++i) {
        Round r{};
        if (!oneRound(rig, r)) {
            ++failures;
            continue;
        }
        stall.push_back(r.guiStallMs);
        gap.push_back(r.com1GapMs);
        open.push_back(r.toCom2Ms);
    }
    printSummary("GUI thread's longest stall", summarize(stall), "ms");
    printSummary("COM1's longest idle gap", summarize(gap), "ms");
    printSummary("choice -> COM2's first byte", summarize(open), "ms");
    std::printf("failed rounds: %d\n", failures);
    return failures == 0 ? 0 : 1;
}
