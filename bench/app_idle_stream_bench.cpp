// The idle stream of the real main window as the control receives it: the
// window runs its event loop with COM1 a pseudo-terminal and sends one 0x00
// per 2-ms tick; a reader thread time-stamps every byte on the master side.
// Prints the rate over the measured window and the gaps between idle bytes.
//
// Usage: app_idle_stream_bench [seconds (default 10)] [warm-up seconds (default 2)]
// Goal on the reference machine: 500 bytes/s within 1 %, p99 gap <= 4 ms.
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <functional>
#include <cstdlib>

#include "bench/app_bench_support.h"

using namespace vos::bench;

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    const double warmup = argc > 2 ? std::atof(argv[2]) : 2.0;
    prepareQtEnvironment();
    QApplication app(argc, argv);
    printBoxes();

    BenchWindow window;
    LineRecorder recorder(window.pty().master());
    const Clock::time_point start = Clock::now();
    const auto from = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(warmup));
    const auto to = from + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    QTimer::singleShot(static_cast<int>((warmup + seconds) * 1000) + 200, &app, [] { QCoreApplication::quit(); });
    app.exec();
    recorder.stop();

    // The bytes that arrived inside [from, to): rate and gaps.
    const auto& t = recorder.times();
    const auto& b = recorder.bytes();
    std::size_t inWindow = 0, other = 0;
    std::vector<double> gaps;
    Clock::time_point last{};
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i] < from || t[i] >= to) continue;
        ++inWindow;
        if (b[i] != 0) ++other;
        if (last != Clock::time_point{}) gaps.push_back(msBetween(last, t[i]));
        last = t[i];
    }
    // The largest gaps and how many bytes came together right after each: a
    // burst means the bytes were queued and the writer was late; none means
    // the ticks themselves were late (the GUI thread).
    std::vector<std::pair<double, std::size_t>> largest;
    for (std::size_t i = 1; i < t.size(); ++i) {
        if (t[i] < from || t[i] >= to) continue;
        std::size_t burst = 1;
        while (i + burst < t.size() && t[i + burst] == t[i]) ++burst;
        largest.emplace_back(msBetween(t[i - 1], t[i]), burst);
    }
    std::sort(largest.begin(), largest.end(), std::greater<>());
    if (largest.size() > 5) largest.resize(5);
    const double rate = static_cast<double>(inWindow) / seconds;
    const Summary g = summarize(gaps);
    std::size_t over4 = 0, over10 = 0;
    for (double x : gaps) {
        over4 += x > 4.0 ? 1 : 0;
        over10 += x > 10.0 ? 1 : 0;
    }
    std::printf("idle stream over %.1f s (after %.1f s warm-up), platform %s, reader %s\n", seconds, warmup,
                qgetenv("QT_QPA_PLATFORM").constData(), recorder.realTime() ? "real-time" : "normal priority");
    std::printf("bytes received: %zu (non-idle %zu)  rate %.1f bytes/s  (%.2f %% from 500)\n", inWindow, other,
                rate, 100.0 * (rate - 500.0) / 500.0);
    printSummary("gap between bytes", g, "ms");
    std::printf("gaps > 4 ms: %zu (%.3f %%)  gaps > 10 ms: %zu\n", over4,
                gaps.empty() ? 0.0 : 100.0 * static_cast<double>(over4) / static_cast<double>(gaps.size()), over10);
    std::printf("largest gaps (ms, bytes read together after):");
    for (const auto& [gap, burst] : largest) std::printf("  %.1f/%zu", gap, burst);
    std::printf("\n");
    const bool rateOk = std::fabs(rate - 500.0) <= 5.0;
    const bool gapOk = g.p99 <= 4.0;
    std::printf("goal rate 500 +-1 %%: %s   goal p99 gap <= 4 ms: %s\n", rateOk ? "met" : "MISSED",
                gapOk ? "met" : "MISSED");
    return 0;
}
