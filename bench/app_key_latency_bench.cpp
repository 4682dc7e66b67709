// From a key event on the real main window to its code read on the master
// side of the pseudo-terminal that is COM1. The key is injected on the GUI
// thread (time-stamped just before), the reader thread time-stamps each byte;
// the n-th key code read is matched with the n-th injection.
//
// Two paths: the form's key handler called directly (the goal's figure), and
// a Qt key event sent to the window (key preview, guard, virtual-key mapping
// on top).
//
// Usage: app_key_latency_bench [keys per path (default 1500)] [interval ms (default 7)]
// Goal on the reference machine: p99 <= 2 ms through the key handler.
#include <QKeyEvent>
#include <QWidget>
#include <QTimer>
#include <cstdlib>

#include "bench/app_bench_support.h"

using namespace vos::bench;

namespace {

constexpr std::uint16_t kF3Key = vos::vk::F1 + 2;
constexpr std::uint8_t kF3Code = 0x82;  // handler path
constexpr std::uint8_t kF4Code = 0x83;  // Qt event path

struct Injector {
    vos::app::TForm1& form;
    int perPath;
    std::vector<Clock::time_point> handlerTimes, eventTimes;

    // One key per call, the two paths taken in turn so that both see the
    // same load; quits the loop after both are done.
    void tick() {
        if (handlerTimes.size() == eventTimes.size() && static_cast<int>(handlerTimes.size()) < perPath) {
            handlerTimes.push_back(Clock::now());
            form.form().onKeyDown(kF3Key, vos::ShiftState{});
        } else if (static_cast<int>(eventTimes.size()) < perPath) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_F4, Qt::NoModifier);
            eventTimes.push_back(Clock::now());
            QCoreApplication::sendEvent(form.form().window(), &press);
        } else {
            QCoreApplication::quit();
        }
    }
};

std::vector<double> latencies(const std::vector<Clock::time_point>& injected, const LineRecorder& rec,
                              std::uint8_t code) {
    std::vector<double> out;
    std::size_t k = 0;
    for (std::size_t i = 0; i < rec.bytes().size() && k < injected.size(); ++i)
        if (rec.bytes()[i] == code) out.push_back(msBetween(injected[k++], rec.times()[i]));
    if (k != injected.size()) std::printf("warning: %zu of %zu codes 0x%02X read\n", k, injected.size(), code);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    const int perPath = argc > 1 ? std::atoi(argv[1]) : 1500;
    const int intervalMs = argc > 2 ? std::atoi(argv[2]) : 7;
    prepareQtEnvironment();
    QApplication app(argc, argv);
    printBoxes();

    BenchWindow window;
    LineRecorder recorder(window.pty().master());
    Injector injector{window.form(), perPath, {}, {}};
    injector.handlerTimes.reserve(perPath);
    injector.eventTimes.reserve(perPath);
    QTimer keys;
    keys.setTimerType(Qt::PreciseTimer);
    QObject::connect(&keys, &QTimer::timeout, [&] { injector.tick(); });
    // Let the start-up settle and the idle stream run first.
    QTimer::singleShot(1000, [&] { keys.start(intervalMs); });
    app.exec();
    keys.stop();
    // The last codes may still be on their way.
    const auto until = Clock::now() + std::chrono::milliseconds(300);
    while (Clock::now() < until) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    recorder.stop();

    std::printf("key to byte on the master, %d keys per path every %d ms, platform %s, reader %s\n", perPath,
                intervalMs, qgetenv("QT_QPA_PLATFORM").constData(),
                recorder.realTime() ? "real-time" : "normal priority");
    const Summary h = summarize(latencies(injector.handlerTimes, recorder, kF3Code));
    const Summary e = summarize(latencies(injector.eventTimes, recorder, kF4Code));
    printSummary("key handler -> master", h, "ms");
    printSummary("Qt key event -> master", e, "ms");
    std::printf("goal p99 <= 2 ms (key handler): %s\n", h.n > 0 && h.p99 <= 2.0 ? "met" : "MISSED");
    return 0;
}
