#pragma once
// The availability test of the port search: is there a usable device behind
// port n? The device is opened exactly as a dispatcher opens it, without
// threads, and closed at once.
#include <string>

#include "platform/core/errno_codes.h"

namespace vos::serial {

// Present: it opens, or it exists but another program holds it (-5), or it
// exists but this user may not open it (-13).
constexpr bool openCodeMeansPresent(int code) {
    return code == 0 || code == kCodeAccessDenied || code == kCodeNoPermission;
}

// `programFolder` as for devicePathForPort() (platform/core/port_map.h).
// Port 0 is never available. Any thread; it touches no dispatcher.
bool PortAvailable(const std::string& programFolder, int n);

}  // namespace vos::serial
