#include "platform/core/clock.h"

#include <chrono>

namespace vos {

std::uint32_t SteadyClock::nowMs() {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<std::uint32_t>(ms.count());
}

}  // namespace vos
