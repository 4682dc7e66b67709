#pragma once
// Waits for a condition in tests: polls `done` every millisecond until it
// holds or `timeoutMs` passes. Use generous limits: tests run on a loaded
// machine; the limit only bounds a failing test.
#include <chrono>
#include <functional>
#include <thread>

namespace vos::test {

inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return done();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace vos::test
