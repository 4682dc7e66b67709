#pragma once
// The control's end of the serial line in an end-to-end test: a thread that
// reads everything the panel sends on the pseudo-terminal master and keeps it
// in order. Reading all the time matters: the panel sends an idle byte every
// 2 ms, and a terminal nobody reads fills up and stalls the panel's writer.
//
// Threads: the reading thread is private; every public call is safe from the
// test's thread. stop() must come before the master is closed (a closed
// descriptor does not wake a poll on it).
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/support/pty.h"

namespace vos::e2e {

class LineRecorder {
public:
    explicit LineRecorder(test::PtyPair& pty);
    ~LineRecorder();
    LineRecorder(const LineRecorder&) = delete;
    LineRecorder& operator=(const LineRecorder&) = delete;

    void stop();

    // Bytes received so far; a mark for since().
    std::size_t size() const;
    std::vector<std::uint8_t> since(std::size_t mark) const;
    // The bytes since mark that are not the idle byte 0x00.
    std::vector<std::uint8_t> codesSince(std::size_t mark) const;
    // Waits until the bytes since mark satisfy done, at most timeoutMs.
    bool waitFor(std::size_t mark, const std::function<bool(const std::vector<std::uint8_t>&)>& done,
                 int timeoutMs) const;

private:
    void run();

    test::PtyPair& pty_;
    mutable std::mutex m_;
    std::vector<std::uint8_t> bytes_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace vos::e2e
