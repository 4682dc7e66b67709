#pragma once
// The availability test of the port search: is there a usable device behind
// port n? The device is opened exactly as a dispatcher opens it, without
// threads, and closed at once.
//
// The test runs on a thread of its own and is waited for at most
// kProbeTimeoutMs: a healthy device (a UART, a USB adapter, a
// pseudo-terminal) opens in well under a millisecond, so a device still in
// open() after that long is one that blocks there (a Bluetooth line
// connecting, a stuck adapter). It exists and has not refused: it counts as
// present, so the operator can still choose it (the link then opens it off
// the GUI thread), and the search, which holds the GUI thread, goes on. So a
// hung device stops the panel's idle stream for this long at the most.
#include <string>

#include "platform/core/errno_codes.h"

namespace vos::serial {

inline constexpr int kProbeTimeoutMs = 100;

// Present: it opens, or it exists but another program holds it (-5), or it
// exists but this user may not open it (-13).
constexpr bool openCodeMeansPresent(int code) {
    return code == 0 || code == kCodeAccessDenied || code == kCodeNoPermission;
}

// `programFolder` as for devicePathForPort() (platform/core/port_map.h).
// Port 0 is never available. Any thread; it touches no dispatcher. Waits at
// most `timeoutMs` for the device; one that has not answered by then counts
// as present, and is closed by the probe's thread when its open returns.
bool PortAvailable(const std::string& programFolder, int n, int timeoutMs = kProbeTimeoutMs);

}  // namespace vos::serial
