#pragma once
// The simulator's I/O loop over the pseudo-terminal master.
//
// A panel counts as connected from the first byte it sends (it sends an idle
// byte every 2 ms once running). The full screen is sent kStartDelayMs after
// that first byte, so that the panel's own start-up (port search, banner)
// is over and does not overwrite it. Nothing is written while no panel is
// connected: the pair would keep the bytes and hand stale ones to the next
// panel. When the panel closes the line (hang-up: POLLHUP, EIO or a 0-byte
// read) the loop waits for a new opening by polling every kHangupPollMs,
// never spinning; the simulator's state is kept and redrawn for the next
// panel.
//
// Thread: runs on the calling thread until `stopFd` becomes readable.

#include <cstdio>

#include "tools/sim/control_simulator.h"

namespace vos::sim {

inline constexpr int kStartDelayMs = 500;
inline constexpr int kHangupPollMs = 100;

struct LoopIo {
    int master = -1;
    int stopFd = -1;           // readable = stop (a signal's self-pipe)
    std::FILE* log = nullptr;  // every received byte as two hex digits and a newline
};

// Returns 0 on a stop request, 1 on an unexpected error of the master.
int RunLoop(const LoopIo& io, ControlSimulator& sim);

}  // namespace vos::sim
