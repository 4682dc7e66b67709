#include "platform/qt/timer.h"

#include <QTimer>

#include "platform/qt/guard.h"

namespace vos {

// Below this interval the tick uses Qt's precise timers (the 2-ms send
// timer); coarse timers may be late by 5 %, which the slow ones tolerate.
constexpr int kPreciseBelowMs = 50;

struct Timer::Impl {
    QTimer qt;
    bool enabled = true;
    bool running = false;  // a tick is being handled (maybe under a nested loop)
    int interval = 0;

    void apply() {
        qt.stop();
        qt.setTimerType(interval < kPreciseBelowMs ? Qt::PreciseTimer : Qt::CoarseTimer);
        if (enabled && interval > 0) qt.start(interval);
    }
};

Timer::Timer(Form&, std::string name, int intervalMs)
    : name_(std::move(name)), impl_(std::make_unique<Impl>()) {
    impl_->interval = intervalMs;
    impl_->qt.setObjectName(QString::fromStdString(name_));
    // A tick that arrives while the previous one is still being handled (its
    // handler showed a box) is dropped, so no handler runs inside itself.
    QObject::connect(&impl_->qt, &QTimer::timeout, [this] {
        if (impl_->running || !onTimer) return;
        impl_->running = true;
        const auto handler = onTimer;  // the handler may replace onTimer
        guarded(handler);
        impl_->running = false;
    });
    impl_->apply();
}

Timer::~Timer() = default;

int Timer::interval() const { return impl_->interval; }

void Timer::setInterval(int ms) {
    if (ms == impl_->interval) return;
    impl_->interval = ms;
    impl_->apply();
}

bool Timer::enabled() const { return impl_->enabled; }

void Timer::setEnabled(bool on) {
    if (on == impl_->enabled) return;
    impl_->enabled = on;
    impl_->apply();
}

}  // namespace vos
