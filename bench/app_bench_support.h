#pragma once
// Shared parts of the main window's benchmarks: the application object on the
// offscreen platform, the real TForm1 on a private program folder whose COM1
// is a fresh pseudo-terminal, a reader thread that time-stamps every byte the
// window sends, and the order statistics the benchmarks print.
//
// Threads: the window lives on the main (GUI) thread; the reader runs on its
// own thread and only touches the master side of the pseudo-terminal and its
// own arrays until stop() has joined it.
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/form1.h"
#include "platform/qt/dialogs.h"
#include "platform/qt/form.h"
#include "tests/support/pty.h"
#include "tests/support/qt/qt_environment.h"

namespace vos::bench {

using Clock = std::chrono::steady_clock;

inline double msBetween(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// Offscreen platform unless told otherwise and a private runtime folder;
// message boxes printed instead of shown (a box would stop the benchmark).
using vos::test::prepareQtEnvironment;

inline void printBoxes() {
    setMessageSink([](const std::string& kind, const std::string& text) {
        std::fprintf(stderr, "[%s box] %s\n", kind.c_str(), text.c_str());
    });
}

// Serves the window's events until `done` holds (at most limitMs); false
// when the time ran out.
template <class F>
bool serveUntil(F done, int limitMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(limitMs);
    while (!done()) {
        if (Clock::now() >= deadline) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

// The program as the workshop runs it, on a private folder: Vostrelle.ini
// with port 1 at 9600 bit/s and no skin file, COM1 a pseudo-terminal.
class BenchWindow {
public:
    BenchWindow() {
        folder_.linkPort(1, pty_.slavePath());
        folder_.writeFile("Vostrelle.ini",
                          "[Port]\r\nCom=1\r\nBauds=9600\r\nBufferFull=248\r\nBufferResume=10\r\n"
                          "OutSize=256\r\nInSize=4096\r\n\r\n[Perso]\r\nFond=\r\n\r\n[Contexte]\r\n"
                          "Editeur=notepad.exe\r\n");
        form_ = std::make_unique<app::TForm1>(folder_.path());
        form_->form().show();
    }
    ~BenchWindow() { form_.reset(); }

    app::TForm1& form() { return *form_; }
    test::PtyPair& pty() { return pty_; }

private:
    test::ProgramFolder folder_;
    test::PtyPair pty_;
    std::unique_ptr<app::TForm1> form_;
};

// Reads the master as fast as bytes come and keeps (time, byte) for each.
// The reader stands for the control at the other end of the line, a machine
// of its own: with VOS_BENCH_RT_READER=1 it runs at a real-time priority
// (root or CAP_SYS_NICE), so that its own wake-ups on a loaded machine do not
// count as the program's delays.
class LineRecorder {
public:
    explicit LineRecorder(int master, std::size_t reserve = 1 << 20) : master_(master) {
        times_.reserve(reserve);
        bytes_.reserve(reserve);
        thread_ = std::thread([this] { run(); });
        if (qEnvironmentVariableIntValue("VOS_BENCH_RT_READER") == 1) {
            sched_param p{};
            p.sched_priority = 50;
            realTime_ = ::pthread_setschedparam(thread_.native_handle(), SCHED_FIFO, &p) == 0;
        }
    }
    // Whether the reader got its real-time priority.
    bool realTime() const { return realTime_; }
    ~LineRecorder() { stop(); }

    void stop() {
        quit_ = true;
        if (thread_.joinable()) thread_.join();
    }
    // Valid after stop().
    const std::vector<Clock::time_point>& times() const { return times_; }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    std::size_t count() const { return count_.load(std::memory_order_acquire); }

private:
    void run() {
        std::uint8_t buf[4096];
        while (!quit_) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            const ssize_t n = ::read(master_, buf, sizeof buf);
            const Clock::time_point now = Clock::now();
            if (n <= 0) {
                // No slave open at the moment (EIO): do not spin.
                if (n < 0 && errno != EAGAIN) std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            for (ssize_t i = 0; i < n; ++i) {
                times_.push_back(now);
                bytes_.push_back(buf[i]);
            }
            count_.store(times_.size(), std::memory_order_release);
        }
    }

    int master_;
    bool realTime_ = false;
    std::atomic<bool> quit_{false};
    std::atomic<std::size_t> count_{0};
    std::vector<Clock::time_point> times_;
    std::vector<std::uint8_t> bytes_;
    std::thread thread_;
};

// Order statistics of a sample (copied, sorted).
struct Summary {
    std::size_t n = 0;
    double min = 0, median = 0, p90 = 0, p99 = 0, p999 = 0, max = 0, mean = 0;
};

inline double quantile(const std::vector<double>& sorted, double q) {
    if (sorted.empty()) return 0;
    const auto i = static_cast<std::size_t>(q * static_cast<double>(sorted.size() - 1) + 0.5);
    return sorted[std::min(i, sorted.size() - 1)];
}

inline Summary summarize(std::vector<double> v) {
    Summary s;
    if (v.empty()) return s;
    std::sort(v.begin(), v.end());
    s.n = v.size();
    s.min = v.front();
    s.max = v.back();
    s.median = quantile(v, 0.5);
    s.p90 = quantile(v, 0.9);
    s.p99 = quantile(v, 0.99);
    s.p999 = quantile(v, 0.999);
    double sum = 0;
    for (double x : v) sum += x;
    s.mean = sum / static_cast<double>(v.size());
    return s;
}

inline void printSummary(const char* what, const Summary& s, const char* unit) {
    std::printf("%-34s n=%zu  min %.3f  median %.3f  mean %.3f  p90 %.3f  p99 %.3f  p99.9 %.3f  max %.3f %s\n",
                what, s.n, s.min, s.median, s.mean, s.p90, s.p99, s.p999, s.max, unit);
}

}  // namespace vos::bench
