// Throughput of the receive side with the real controls on the offscreen
// platform: bytes per second through PortTriggerAvail -> TraiterOctet on a
// mixed stream (text, cursor moves, clears, lamp bytes), with and without
// the repaint that follows each event. Then checks that one event's burst
// costs at most one paint of a line label, however many bytes changed it.
//
//   QT_QPA_PLATFORM=offscreen <build>/bench/panel_decoder_bench
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEvent>
#include <QObject>
#include <QWidget>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "panel/decoder.h"
#include "panel/lamps.h"
#include "panel/machine_type.h"
#include "panel/receiver.h"
#include "panel/screen.h"
#include "platform/qt/form.h"
#include "platform/qt/label.h"

using namespace vos::panel;

namespace {

// A screenful as a control sends it: home, lines of text ended by "clear to
// end of line", cursor moves, lamp commands, an occasional clear.
std::vector<std::uint8_t> mixedStream() {
    std::vector<std::uint8_t> s;
    auto text = [&](const std::string& t) {
        for (char c : t) s.push_back(static_cast<std::uint8_t>(c + 128));
    };
    for (int screen = 0; screen < 8; ++screen) {
        s.push_back(screen % 4 == 0 ? 131 : 140);
        for (int line = 0; line < 12; ++line) {
            text("N" + std::to_string(100 + line) + " G01 X12.500 Z-4.250 F0.2 & OUTIL");
            s.push_back(142);
        }
        for (std::uint8_t b : {17, 18, 35, 36, 79, 70, 51, 111, 117, 122}) s.push_back(b);
        for (std::uint8_t b : {136, 136, 137, 138, 139, 141, 133, 132}) s.push_back(b);
        text("X=");
        s.push_back(143);
    }
    return s;
}

struct CyclingSource : ByteSource {
    explicit CyclingSource(std::vector<std::uint8_t> b) : bytes(std::move(b)) {}
    std::uint8_t TakeByte() override {
        const std::uint8_t b = bytes[pos];
        if (++pos == bytes.size()) pos = 0;
        return b;
    }
    std::vector<std::uint8_t> bytes;
    std::size_t pos = 0;
};

struct Panel {
    vos::Form form{"TForm1", vos::FormStyle::Borderless};
    vos::panel::MachineType type;
    LampBank lamps{form, type};
    Screen screen{form};
    Decoder decoder{screen, lamps, nullptr};
    Receiver receiver{form, decoder};
    CyclingSource source{mixedStream()};

    Panel() {
        form.setClientSize(870, 720);
        form.show();
        QApplication::processEvents();
    }
};

Panel* g_panel = nullptr;

void BM_PortTriggerAvail(benchmark::State& state) {
    const auto count = static_cast<std::uint16_t>(state.range(0));
    for (auto _ : state) g_panel->receiver.PortTriggerAvail(g_panel->source, count);
    state.SetBytesProcessed(state.iterations() * count);
    QApplication::processEvents();
}
BENCHMARK(BM_PortTriggerAvail)->Arg(16)->Arg(256)->Arg(4096);

// The same with the repaint that the event loop does after each event.
void BM_PortTriggerAvailAndRepaint(benchmark::State& state) {
    const auto count = static_cast<std::uint16_t>(state.range(0));
    for (auto _ : state) {
        g_panel->receiver.PortTriggerAvail(g_panel->source, count);
        QApplication::processEvents();
    }
    state.SetBytesProcessed(state.iterations() * count);
}
BENCHMARK(BM_PortTriggerAvailAndRepaint)->Arg(16)->Arg(256)->Arg(4096);

class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};

// One event that rewrites line 1 forty times: the label must be painted at
// most once afterwards. Returns false when it is painted more often.
bool checkOnePaintPerEvent(Panel& p) {
    QWidget* line = p.screen.ligne(1).widget();
    PaintCounter counter;
    line->installEventFilter(&counter);
    std::vector<std::uint8_t> burst = {140, 133};
    for (int i = 0; i < 40; ++i) burst.push_back(static_cast<std::uint8_t>(160 + 33 + i % 60));
    burst.push_back(140);
    for (int i = 0; i < 40; ++i) burst.push_back(static_cast<std::uint8_t>(160 + 65 + i % 26));
    CyclingSource src(burst);
    QApplication::processEvents();
    counter.paints = 0;
    p.receiver.PortTriggerAvail(src, static_cast<std::uint16_t>(burst.size()));
    const int duringEvent = counter.paints;
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    line->removeEventFilter(&counter);
    std::printf("repaint check: %zu bytes in one event -> %d paint(s) of Ligne01 during the event, "
                "%d in total afterwards (goal: 0 during, at most 1 in total)\n",
                burst.size(), duringEvent, counter.paints);
    return duringEvent == 0 && counter.paints <= 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    Panel panel;
    g_panel = &panel;
    const bool onePaint = checkOnePaintPerEvent(panel);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_panel = nullptr;
    return onePaint ? 0 : 1;
}
