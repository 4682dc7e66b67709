#include "serial/core/port_availability.h"

#include "platform/core/port_map.h"
#include "platform/core/serial_device.h"

namespace vos::serial {

bool PortAvailable(const std::string& programFolder, int n) {
    if (n == 0) return false;
    const std::string path = devicePathForPort(programFolder, n);
    if (path.empty()) return false;
    return openCodeMeansPresent(probeDevice(path));
}

}  // namespace vos::serial
