#pragma once
// Design of the 43 panel lamps Led00..Led42 and of the commands that drive
// them. Pure data, no Qt: the lamp bank (panel/lamps.h) lays its lamps and
// reads its commands from this table, and the skin generator draws its lamp
// windows from it, so picture and lamps cannot drift apart.
#include <array>
#include <cstdint>

#include "design/types.h"

namespace vos::design::lamps {

inline constexpr int kCount = 43;
inline constexpr int kSize = 9;  // a filled disc of 9 x 9 pixels

struct LampSpec {
    int left = 0;  // top-left corner in client pixels of the 870 x 720 window
    int top = 0;
    Rgb color;
};

inline constexpr Rgb R = colors::Red;
inline constexpr Rgb Y = colors::Yellow;
inline constexpr Rgb G = colors::Lime;

// Indexed by lamp number: kTable[16] is Led16.
inline constexpr std::array<LampSpec, kCount> kTable = {{
    {525, 52, R},  {564, 52, R},  {603, 52, R},  {642, 52, R},    // Led00-03
    {681, 52, R},  {720, 52, R},  {759, 52, R},  {798, 52, R},    // Led04-07
    {525, 91, R},  {564, 91, R},  {603, 91, R},  {642, 91, R},    // Led08-11
    {681, 91, R},  {720, 91, R},  {759, 91, R},  {798, 91, R},    // Led12-15
    {525, 144, R}, {564, 144, R}, {603, 144, Y}, {642, 144, Y},   // Led16-19
    {681, 144, Y}, {720, 144, G}, {759, 144, R}, {798, 144, R},   // Led20-23
    {564, 256, R}, {603, 256, R}, {642, 256, R}, {681, 256, R},   // Led24-27
    {720, 256, R}, {759, 256, R},                                 // Led28-29
    {564, 329, R}, {603, 329, R}, {642, 329, R}, {681, 329, R},   // Led30-33
    {720, 329, R}, {759, 329, R},                                 // Led34-35
    {603, 369, R}, {642, 369, R}, {681, 369, R}, {720, 369, R},   // Led36-39
    {632, 497, R}, {684, 497, R}, {756, 497, G},                  // Led40-42
}};

inline constexpr int kNoLamp = -1;

// Selector of bytes 16-31: value v lights Led(v).
inline constexpr int kSelector16First = 0;
// Selector of bytes 32-47: value -> lamp, kNoLamp for values with none.
inline constexpr std::array<int, 16> kSelector32 = {
    kNoLamp, 30, 31, 32, 33, 34, 35, kNoLamp, kNoLamp, kNoLamp, 36, 37, 38, 39, kNoLamp, kNoLamp,
};

// Start values of the selector memories: equal to a value whose lamp is off,
// so the first byte 16 or 38 lights nothing.
inline constexpr std::uint8_t kDernierChoix16Start = 0;
inline constexpr std::uint8_t kDernierChoix32Start = 6;

// One bit of a bit group and the lamp it drives.
struct BitLamp {
    std::uint8_t bit;
    std::uint8_t lamp;
};

// Bit groups, bits in the order they are applied.
inline constexpr std::array<BitLamp, 2> kGroup48Fraiseuse = {{{0, 28}, {1, 25}}};
inline constexpr std::array<BitLamp, 2> kGroup48Tour = {{{0, 24}, {1, 29}}};
inline constexpr std::array<BitLamp, 4> kGroup64 = {{{0, 16}, {1, 17}, {2, 18}, {3, 19}}};
inline constexpr std::array<BitLamp, 4> kGroup80 = {{{0, 20}, {1, 21}, {2, 22}, {3, 23}}};
inline constexpr std::array<BitLamp, 1> kGroup96 = {{{3, 40}}};
inline constexpr std::array<BitLamp, 2> kGroup112 = {{{0, 41}, {2, 42}}};

// The one lamp that is lit even while the big screen covers the panel.
inline constexpr int kAlwaysLit = 41;

}  // namespace vos::design::lamps
