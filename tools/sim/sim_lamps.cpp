#include "tools/sim/sim_lamps.h"

#include "tools/sim/sim_codes.h"

namespace vos::sim {
namespace {

void Push(std::string& out, uint8_t group, uint8_t value) {
    out.push_back(static_cast<char>(group | (value & 0x0F)));
}

struct BitGroup {
    uint8_t code;
    uint8_t LampState::*field;
};

constexpr BitGroup kBitGroups[] = {
    {out::kLampBits40, &LampState::bits40},
    {out::kLampBits50, &LampState::bits50},
    {out::kLampBits60, &LampState::bits60},
    {out::kLampBits70, &LampState::bits70},
};

}  // namespace

void SendLamps(LampState& shown, const LampState& want, bool force, std::string& out) {
    if (want.select16 != kNoSelection && (force || want.select16 != shown.select16)) {
        if (force) Push(out, out::kLampSelect16, want.select16 ^ 1);
        Push(out, out::kLampSelect16, want.select16);
    }
    if (force || want.select32 != shown.select32) {
        if (force) Push(out, out::kLampSelect32, want.select32 == 0 ? 7 : 0);  // 0, 7: no lamp
        Push(out, out::kLampSelect32, want.select32);
    }
    for (const BitGroup& g : kBitGroups)
        if (force || want.*g.field != shown.*g.field) Push(out, g.code, want.*g.field);
    shown = want;
}

}  // namespace vos::sim
