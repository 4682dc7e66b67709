// The real main window on a network port served by Debian's ser2net on
// loopback (private configuration, its device a pseudo-terminal whose
// master stands for the control), against the same window on the local
// pseudo-terminal, in the same run.
//
// Key latency: a key every 7 ms through the form's key handler (F3, code
// 0x82), time-stamped just before; the n-th code read on the control's
// master is matched with the n-th key. First on a local COM1, then on a
// COM1 linked to rfc2217://127.0.0.1:PORT.
//
// Server restart: each round kills ser2net (the window sees the line lost),
// waits a random 0-1000 ms, starts it again; the figure is the time from
// the start of the new ser2net process to the first byte the window writes
// on the control's terminal through it (an idle byte). The window reconnects
// by itself (its port watch, retrying at least every second).
//
// Usage: app_network_bench [keys per path (default 1500)] [restart rounds (default 40)]
// Goals: key p99 within 1 ms of the local terminal's; restart p99 <= 2.5 s.
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "bench/app_bench_support.h"
#include "platform/qt/label.h"
#include "tests/support/ser2net.h"

using namespace vos::bench;

namespace {

constexpr std::uint16_t kF3Key = vos::vk::F1 + 2;
constexpr std::uint8_t kF3Code = 0x82;

// A window whose COM1 is the control's terminal itself, or ser2net's URL
// with that terminal as its device.
struct Rig {
    vos::test::ProgramFolder folder;
    vos::test::PtyPair pty;
    std::unique_ptr<vos::test::Ser2net> server;
    std::unique_ptr<LineRecorder> recorder;  // null: the master is read by the caller
    std::unique_ptr<vos::app::TForm1> form;

    Rig(bool network, bool record) {
        if (network) {
            server = std::make_unique<vos::test::Ser2net>(pty.slavePath(), vos::test::Ser2net::Options{});
            if (!server->start()) std::fprintf(stderr, "ser2net does not start: %s\n", server->log().c_str());
            folder.linkPort(1, server->url());
        } else {
            folder.linkPort(1, pty.slavePath());
        }
        folder.writeFile("Vostrelle.ini",
                         "[Port]\r\nCom=1\r\nBauds=9600\r\nBufferFull=248\r\nBufferResume=10\r\n"
                         "OutSize=256\r\nInSize=4096\r\n\r\n[Perso]\r\nFond=\r\n\r\n[Contexte]\r\n"
                         "Editeur=notepad.exe\r\n");
        if (record) recorder = std::make_unique<LineRecorder>(pty.master());
        form = std::make_unique<vos::app::TForm1>(folder.path());
        form->form().show();
    }
    ~Rig() {
        form.reset();
        if (recorder) recorder->stop();
    }
    // The status text says the line is lost.
    bool lost() const {
        auto* label = dynamic_cast<vos::Label*>(form->form().find("LabelNoCom"));
        return label && label->caption() == "COM1 LIAISON PERDUE";
    }
    bool sending() {
        if (!recorder) return serveUntil([&] { return pty.read(4096, 0).size() > 0; }, 10000);
        const std::size_t mark = recorder->count();
        return serveUntil([&] { return recorder->count() > mark + 20; }, 10000);
    }
};

// `keys` keys through the key handler, one every 7 ms; the latencies.
std::vector<double> keyLatencies(Rig& rig, int keys) {
    std::vector<Clock::time_point> injected;
    injected.reserve(keys);
    const std::size_t start = rig.recorder->count();
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (static_cast<int>(injected.size()) == keys) return QCoreApplication::quit();
        injected.push_back(Clock::now());
        rig.form->form().onKeyDown(kF3Key, vos::ShiftState{});
    });
    timer.start(7);
    QCoreApplication::exec();
    timer.stop();
    serveUntil([] { return false; }, 300);  // the last codes on their way
    rig.recorder->stop();
    std::vector<double> out;
    std::size_t k = 0;
    const auto& bytes = rig.recorder->bytes();
    for (std::size_t i = start; i < bytes.size() && k < injected.size(); ++i)
        if (bytes[i] == kF3Code) out.push_back(msBetween(injected[k++], rig.recorder->times()[i]));
    if (k != injected.size()) std::printf("warning: %zu of %zu codes read\n", k, injected.size());
    return out;
}

// Server killed, restarted after a random pause: restart -> first byte.
// The master is read here, on the GUI thread's loop, between events.
Summary restarts(Rig& rig, int rounds, int& failures) {
    std::mt19937 random(2121);
    std::uniform_int_distribution<int> pause(0, 1000);
    auto drain = [&] { return !rig.pty.read(4096, 0).empty(); };
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        rig.server->kill();
        if (!serveUntil([&] { drain(); return rig.lost(); }, 10000)) {
            ++failures;
            continue;
        }
        serveUntil([&] { drain(); return false; }, pause(random));
        drain();
        const auto t0 = Clock::now();
        if (!rig.server->start()) {
            ++failures;
            continue;
        }
        Clock::time_point first{};
        if (!serveUntil([&] {
                if (drain()) first = Clock::now();
                return first != Clock::time_point{};
            }, 10000)) {
            ++failures;
            continue;
        }
        ms.push_back(msBetween(t0, first));
        serveUntil([&] { drain(); return false; }, 50);
    }
    return summarize(ms);
}

}  // namespace

int main(int argc, char** argv) {
    const int keys = argc > 1 ? std::atoi(argv[1]) : 1500;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 40;
    prepareQtEnvironment();
    QApplication app(argc, argv);
    printBoxes();
    if (!vos::test::Ser2net::installed()) {
        std::fprintf(stderr, "ser2net is not installed\n");
        return 1;
    }
    Summary local, remote;
    {
        Rig rig(false, true);
        if (!rig.sending()) return 1;
        local = summarize(keyLatencies(rig, keys));
    }
    {
        Rig rig(true, true);
        if (!rig.sending()) return 1;
        remote = summarize(keyLatencies(rig, keys));
    }
    std::printf("key handler -> control's terminal, %d keys every 7 ms, reader %s\n", keys,
                qEnvironmentVariableIntValue("VOS_BENCH_RT_READER") == 1 ? "real-time (if allowed)" : "normal priority");
    printSummary("local pseudo-terminal", local, "ms");
    printSummary("rfc2217 via ser2net, loopback", remote, "ms");
    std::printf("goal p99 within 1 ms of local: %s (%.3f ms more)\n",
                remote.p99 - local.p99 <= 1.0 ? "met" : "MISSED", remote.p99 - local.p99);
    int failures = 0;
    Summary restart;
    {
        Rig rig(true, false);
        if (!rig.sending()) return 1;
        restart = restarts(rig, rounds, failures);
    }
    printSummary("ser2net restart -> first idle byte", restart, "ms");
    std::printf("goal p99 <= 2.5 s: %s; failed rounds: %d\n", restart.n > 0 && restart.p99 <= 2500 ? "met" : "MISSED",
                failures);
    return failures == 0 ? 0 : 1;
}
