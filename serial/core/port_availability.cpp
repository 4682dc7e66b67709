#include "serial/core/port_availability.h"

#include <pthread.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/core/port_map.h"
#include "platform/core/serial_device.h"

namespace vos::serial {

namespace {

// Shared with the probe's thread, which may outlive the wait.
struct Probe {
    std::mutex mutex;
    std::condition_variable answered;
    std::optional<int> code;
};

}  // namespace

bool PortAvailable(const std::string& programFolder, int n, int timeoutMs) {
    if (n == 0) return false;
    const std::string path = devicePathForPort(programFolder, n);
    if (path.empty()) return false;
    auto probe = std::make_shared<Probe>();
    std::thread thread([probe, path] {
        const int code = probeDevice(path);
        std::lock_guard lk(probe->mutex);
        probe->code = code;
        probe->answered.notify_all();
    });
    ::pthread_setname_np(thread.native_handle(), "vos-port-probe");
    thread.detach();
    std::unique_lock lk(probe->mutex);
    if (!probe->answered.wait_for(lk, std::chrono::milliseconds(timeoutMs), [&] { return probe->code.has_value(); }))
        return true;
    return openCodeMeansPresent(*probe->code);
}

}  // namespace vos::serial
