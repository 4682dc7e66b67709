// How fast the real main window takes its port back, and what it costs while
// the port is missing.
//
// Reconnection: COM1 is a pseudo-terminal; each round pulls it out (the
// Ports/COM1 link goes, the master closes: the program sees the line lost),
// waits a random 0-1000 ms (so that the rounds fall anywhere in the
// fallback's second), then makes a new pseudo-terminal and links it as
// Ports/COM1. The time from that link to the first byte the program writes
// on the new terminal (an idle byte) is the figure, through the real main
// window (with the folder notifications). The same rounds with the fallback
// alone (notifications off) are timed at the device opener that the window
// reconnects through: link -> device open and handed over.
//
// Idle cost: the CPU time of this process (the program on the offscreen
// platform) over a few seconds while COM1 stays missing.
//
// Usage: app_reconnect_bench [rounds per run (default 60)] [idle seconds (default 10)]
// Goals on the reference machine: p99 <= 200 ms with notifications,
// <= 1.2 s by the fallback alone; < 1 % of one core while the port is missing.
#include <time.h>

#include <QCoreApplication>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <random>

#include <atomic>

#include "bench/app_bench_support.h"
#include "platform/core/port_map.h"
#include "platform/qt/label.h"
#include "serial/core/device_opener.h"

using namespace vos::bench;

namespace {

double processCpuMs() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

void serveFor(int ms) {
    serveUntil([] { return false; }, ms);
}

struct Rig {
    vos::test::ProgramFolder folder;
    std::unique_ptr<vos::test::PtyPair> pty = std::make_unique<vos::test::PtyPair>();
    std::unique_ptr<vos::app::TForm1> form;
    std::string link = folder.path() + "Ports/COM1";

    Rig() {
        folder.linkPort(1, pty->slavePath());
        folder.writeFile("Vostrelle.ini",
                         "[Port]\r\nCom=1\r\nBauds=9600\r\nBufferFull=248\r\nBufferResume=10\r\n"
                         "OutSize=256\r\nInSize=4096\r\n\r\n[Perso]\r\nFond=\r\n\r\n[Contexte]\r\n"
                         "Editeur=notepad.exe\r\n");
        form = std::make_unique<vos::app::TForm1>(folder.path());
        form->form().show();
    }
    // What the status text says of COM1.
    std::string status() const {
        auto* label = dynamic_cast<vos::Label*>(form->form().find("LabelNoCom"));
        return label ? label->caption() : std::string();
    }
    bool lost() const { return status() == "COM1 LIAISON PERDUE"; }

    void unplug() {
        std::error_code ec;
        std::filesystem::remove(link, ec);
        pty->closeMaster();
    }
    // Links a new terminal; returns the time from the link to its first byte, or -1.
    double plugAndTime() {
        pty = std::make_unique<vos::test::PtyPair>();
        const auto t0 = Clock::now();
        std::filesystem::create_symlink(pty->slavePath(), link);
        Clock::time_point first{};
        const bool got = serveUntil([&] {
            if (!pty->read(1, 0).empty()) first = Clock::now();
            return first != Clock::time_point{};
        }, 10000);
        return got ? msBetween(t0, first) : -1;
    }
};

Summary reconnections(Rig& rig, int rounds, int& failures) {
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> pause(0, 1000);
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        rig.unplug();
        if (!serveUntil([&] { return rig.lost(); }, 5000)) {
            ++failures;
            continue;
        }
        serveFor(pause(random));
        const double t = rig.plugAndTime();
        if (t < 0) ++failures;
        else ms.push_back(t);
        serveFor(20);
    }
    return summarize(ms);
}

// The device opener alone, notifications off: link -> device handed over.
Summary fallbackAlone(int rounds, int& failures) {
    vos::test::ProgramFolder folder;
    const std::string path = vos::devicePathForPort(folder.path(), 1);
    std::atomic<std::uint64_t> ready{0};
    vos::serial::DeviceOpener opener([&](std::uint64_t t) { ready = t; }, {1000, false});
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> pause(0, 1000);
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        vos::test::PtyPair pty;
        const std::uint64_t ticket = opener.openWhenPresent(path);
        std::this_thread::sleep_for(std::chrono::milliseconds(pause(random)));
        const auto t0 = Clock::now();
        folder.linkPort(1, pty.slavePath());
        while (ready.load() != ticket && Clock::now() - t0 < std::chrono::seconds(10))
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        if (ready.load() == ticket)
            ms.push_back(msBetween(t0, Clock::now()));
        else
            ++failures;
        opener.cancel();
        std::filesystem::remove(path);
    }
    return summarize(ms);
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 60;
    const int idleSeconds = argc > 2 ? std::atoi(argv[2]) : 10;
    prepareQtEnvironment();
    QApplication app(argc, argv);
    printBoxes();
    Rig rig;
    if (!serveUntil([&] { return !rig.pty->read(1, 0).empty(); }, 10000)) {
        std::fprintf(stderr, "the window does not send on COM1\n");
        return 1;
    }

    int failures = 0;
    printSummary("link -> first byte, notifications", reconnections(rig, rounds, failures), "ms");
    printSummary("link -> device open, fallback alone", fallbackAlone(rounds, failures), "ms");

    rig.unplug();
    serveUntil([&] { return rig.lost(); }, 5000);
    serveFor(1000);
    // The event loop itself, as the program idles (not the polling above).
    const double cpu0 = processCpuMs();
    const auto t0 = Clock::now();
    QTimer::singleShot(idleSeconds * 1000, &app, &QCoreApplication::quit);
    app.exec();
    const double cpu = 100.0 * (processCpuMs() - cpu0) / msBetween(t0, Clock::now());
    std::printf("CPU while COM1 is missing: %.2f %% of one core over %d s (goal < 1 %%)\n", cpu, idleSeconds);
    std::printf("failed rounds: %d\n", failures);
    rig.form.reset();
    return failures == 0 ? 0 : 1;
}
