#include "tests/support/e2e/line_recorder.h"

#include <chrono>

namespace vos::e2e {

LineRecorder::LineRecorder(test::PtyPair& pty) : pty_(pty), thread_([this] { run(); }) {}

LineRecorder::~LineRecorder() { stop(); }

void LineRecorder::stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

void LineRecorder::run() {
    while (!stop_) {
        // Returns after at most 20 ms with whatever came (nothing while no
        // program holds the slave open).
        auto chunk = pty_.read(4096, 20);
        if (chunk.empty()) continue;
        std::lock_guard lock(m_);
        bytes_.insert(bytes_.end(), chunk.begin(), chunk.end());
    }
}

std::size_t LineRecorder::size() const {
    std::lock_guard lock(m_);
    return bytes_.size();
}

std::vector<std::uint8_t> LineRecorder::since(std::size_t mark) const {
    std::lock_guard lock(m_);
    if (mark >= bytes_.size()) return {};
    return {bytes_.begin() + static_cast<std::ptrdiff_t>(mark), bytes_.end()};
}

std::vector<std::uint8_t> LineRecorder::codesSince(std::size_t mark) const {
    std::vector<std::uint8_t> codes;
    for (std::uint8_t b : since(mark))
        if (b != 0x00) codes.push_back(b);
    return codes;
}

bool LineRecorder::waitFor(std::size_t mark,
                           const std::function<bool(const std::vector<std::uint8_t>&)>& done,
                           int timeoutMs) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (done(since(mark))) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace vos::e2e
