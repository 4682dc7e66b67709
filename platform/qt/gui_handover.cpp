#include "platform/qt/gui_handover.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QObject>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/qt/guard.h"

namespace vos {

namespace {

QEvent::Type serveEventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

struct Job {
    enum class State { Pending, Running, Done, Abandoned };
    explicit Job(std::function<void()> f) : fn(std::move(f)) {}
    std::function<void()> fn;
    State state = State::Pending;  // guarded by Impl::m
};

}  // namespace

struct GuiHandover::Impl {
    mutable std::mutex m;
    std::condition_variable changed;  // a job reached Done or Abandoned
    std::deque<std::shared_ptr<Job>> pending;
    std::thread::id guiThread = std::this_thread::get_id();
    bool running = false;  // a job is running on the GUI thread (maybe nested)
    bool closed = false;
    QObject* receiver = nullptr;  // lives on the GUI thread; null once closed

    // Asks the GUI loop to serve the queue. Caller holds m.
    void postWakeLocked() {
        if (receiver) QCoreApplication::postEvent(receiver, new QEvent(serveEventType()));
    }

    // GUI thread: claims and runs the oldest pending job, if none is running.
    bool serveNext() {
        std::shared_ptr<Job> job;
        {
            std::lock_guard lk(m);
            if (running || pending.empty()) return false;
            job = std::move(pending.front());
            pending.pop_front();
            job->state = Job::State::Running;
            running = true;
        }
        guarded(job->fn);
        job->fn = nullptr;  // release the captures on this thread
        {
            std::lock_guard lk(m);
            job->state = Job::State::Done;
            running = false;
            // A wake-up that arrived while the job ran (nested loop) was
            // dropped; make sure the queue is served again.
            if (!pending.empty()) postWakeLocked();
        }
        changed.notify_all();
        return true;
    }
};

namespace {

class ServeReceiver final : public QObject {
public:
    explicit ServeReceiver(GuiHandover::Impl& impl) : impl_(impl) {}
    bool event(QEvent* e) override {
        if (e->type() != serveEventType()) return QObject::event(e);
        impl_.serveNext();
        return true;
    }

private:
    GuiHandover::Impl& impl_;
};

}  // namespace

GuiHandover::GuiHandover() : impl_(std::make_shared<Impl>()) {
    impl_->receiver = new ServeReceiver(*impl_);
}

GuiHandover::~GuiHandover() {
    QObject* receiver = nullptr;
    {
        std::lock_guard lk(impl_->m);
        impl_->closed = true;
        for (auto& job : impl_->pending) job->state = Job::State::Abandoned;
        impl_->pending.clear();
        receiver = std::exchange(impl_->receiver, nullptr);
    }
    impl_->changed.notify_all();
    delete receiver;  // also drops its posted wake-ups
}

bool GuiHandover::runSync(std::function<void()> job, int timeoutMs) {
    auto impl = impl_;  // a waiter keeps the state alive on its own
    if (std::this_thread::get_id() == impl->guiThread) {
        guarded(job);
        return true;
    }
    auto j = std::make_shared<Job>(std::move(job));
    std::unique_lock lk(impl->m);
    if (impl->closed) return false;
    impl->pending.push_back(j);
    impl->postWakeLocked();

    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    const auto finished = [&] {
        return j->state == Job::State::Done || j->state == Job::State::Abandoned;
    };
    if (impl->changed.wait_until(lk, deadline, finished)) return j->state == Job::State::Done;
    if (j->state == Job::State::Pending) {
        // The deadline claims the job: it leaves the queue and never runs.
        auto& q = impl->pending;
        q.erase(std::remove(q.begin(), q.end(), j), q.end());
        j->state = Job::State::Abandoned;
        return false;
    }
    // Started before the deadline: wait for its end, however long it takes.
    impl->changed.wait(lk, finished);
    return true;
}

void GuiHandover::post(std::function<void()> job) {
    auto j = std::make_shared<Job>(std::move(job));
    std::lock_guard lk(impl_->m);
    if (impl_->closed) return;
    impl_->pending.push_back(std::move(j));
    impl_->postWakeLocked();
}

void GuiHandover::postOutside(std::function<void()> job) {
    std::lock_guard lk(impl_->m);
    if (impl_->closed || !impl_->receiver) return;
    QMetaObject::invokeMethod(impl_->receiver, [job = std::move(job)] { guarded(job); }, Qt::QueuedConnection);
}

bool GuiHandover::serveOnePending() { return impl_->serveNext(); }

int GuiHandover::pendingCount() const {
    std::lock_guard lk(impl_->m);
    return static_cast<int>(impl_->pending.size());
}

}  // namespace vos
