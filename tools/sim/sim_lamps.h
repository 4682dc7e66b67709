#pragma once
// The lamps the simulated control wants lit, and the lamp commands that
// bring the panel there.
//
// The panel remembers the last value of each selector group and ignores a
// value equal to it; after a panel restart that memory is back at its start
// value with every lamp off. So a forced send (on (re)connection) first
// sends another value of the group and then the wanted one.

#include <cstdint>
#include <string>

namespace vos::sim {

inline constexpr uint8_t kNoSelection = 0xFF;

struct LampState {
    uint8_t select16 = kNoSelection;  // 0..15, or none yet
    uint8_t select32 = 0;             // 0 = no lamp of the group
    uint8_t bits40 = 0;               // low nibbles of the bit groups
    uint8_t bits50 = 0;
    uint8_t bits60 = 0;
    uint8_t bits70 = 0;
    friend bool operator==(const LampState&, const LampState&) = default;
};

// Appends the commands that turn `shown` into `want` (all groups when
// `force`), and makes `shown` equal to `want`.
void SendLamps(LampState& shown, const LampState& want, bool force, std::string& out);

}  // namespace vos::sim
