#include "tests/support/gui_pump.h"

#include <algorithm>
#include <chrono>

namespace vos::test {

using Clock = std::chrono::steady_clock;

bool PumpedHandover::runSync(std::function<void()> job, int timeoutMs) {
    auto j = std::make_shared<Job>();
    j->fn = std::move(job);
    std::unique_lock lk(m_);
    pending_.push_back(j);
    changed_.notify_all();
    const auto finished = [&] { return j->state == State::Done; };
    if (timeoutMs < 0) {
        changed_.wait(lk, finished);
        return true;
    }
    if (changed_.wait_for(lk, std::chrono::milliseconds(timeoutMs), finished)) return true;
    if (j->state == State::Pending) {
        pending_.erase(std::find(pending_.begin(), pending_.end(), j));
        j->state = State::Abandoned;
        ++abandoned_;
        return false;
    }
    changed_.wait(lk, finished);  // started before the deadline: wait for its end
    return true;
}

bool PumpedHandover::serveOnePending() {
    std::shared_ptr<Job> j;
    {
        std::lock_guard lk(m_);
        if (pending_.empty()) return false;
        j = pending_.front();
        pending_.pop_front();
        j->state = State::Running;
    }
    std::exception_ptr failure;
    try {
        j->fn();
    } catch (...) {
        failure = std::current_exception();
    }
    j->fn = nullptr;
    {
        std::lock_guard lk(m_);
        j->state = State::Done;
    }
    changed_.notify_all();
    if (failure) std::rethrow_exception(failure);
    return true;
}

bool PumpedHandover::serveOne(int waitMs) {
    {
        std::unique_lock lk(m_);
        if (!changed_.wait_for(lk, std::chrono::milliseconds(waitMs), [&] { return !pending_.empty(); }))
            return false;
    }
    return serveOnePending();
}

bool PumpedHandover::pumpUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (Clock::now() >= deadline) return done();
        serveOne(2);
    }
    return true;
}

void PumpedHandover::pumpFor(int ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < deadline) serveOne(2);
}

int PumpedHandover::pendingCount() const {
    std::lock_guard lk(m_);
    return static_cast<int>(pending_.size());
}

int PumpedHandover::abandonedCount() const {
    std::lock_guard lk(m_);
    return abandoned_;
}

GuiThread::GuiThread()
    : thread_([this] {
          while (!quit_.load()) {
              try {
                  pump_.serveOne(20);
              } catch (...) {
                  ++failures_;
              }
          }
      }) {}

GuiThread::~GuiThread() {
    quit_ = true;
    thread_.join();
}

bool GuiThread::runSync(std::function<void()> job, int timeoutMs) {
    return pump_.runSync(std::move(job), timeoutMs);
}

bool GuiThread::serveOnePending() { return pump_.serveOnePending(); }

void GuiThread::invoke(std::function<void()> fn) {
    if (std::this_thread::get_id() == thread_.get_id()) {
        fn();
        return;
    }
    std::exception_ptr failure;
    pump_.runSync(
        [&] {
            try {
                fn();
            } catch (...) {
                failure = std::current_exception();
            }
        },
        -1);
    if (failure) std::rethrow_exception(failure);
}

}  // namespace vos::test
