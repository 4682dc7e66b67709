#pragma once
// What is written on the keys. The alphanumeric pad's shifted legends come
// from the hit map's shifted table (the characters the right button sends);
// everything else is engraving of our own choice: the normal map sends no
// code for those keys, the control reads them from the soft keys and the
// machine keys only.
#include <array>

#include "design/hit_map.h"
#include "design/skins.h"
#include "tools/skingen/skin_geometry.h"

namespace vos::skingen {

enum class Machine { Fraiseuse, Tour };

inline constexpr const char* kSkinFile[] = {design::kSkinMilling, design::kSkinLathe};  // by Machine
// The double-size pictures beside them (the program looks for "@2x").
inline constexpr const char* kSharpSkinFile[] = {design::kSharpSkinMilling, design::kSharpSkinLathe};
constexpr const char* skinFile(Machine m, int scale = 1) {
    return (scale == 2 ? kSharpSkinFile : kSkinFile)[static_cast<int>(m)];
}

// A symbol drawn on a key instead of (or besides) text.
enum class Mark { None, CycleStart, CycleStop, FeedHold };

// Legend of one key: an optional small caption on top, the main legend
// (UTF-8; nullptr = blank cap) and a symbol.
struct KeyLegend {
    const char* caption = nullptr;
    const char* main = nullptr;
    Mark mark = Mark::None;
};

// ---------------------------------------------------------------- left block
// Normal faces of the pad rows B to F (index 0 = row B), columns 1 to 10:
// letters on the left, a warm-colored numeric pad in columns 8 to 10 of
// rows C to F, the shift key at row F column 1 (its frame is the one every
// shifted press shows).
inline constexpr std::array<std::array<const char*, 10>, 5> kAlphaFaces{{
    {"N", "G", "M", "T", "S", "F", "D", "H", "L", "P"},
    {"A", "B", "C", "E", "I", "J", "K", "7", "8", "9"},
    {"O", "Q", "R", "U", "V", "W", "X", "4", "5", "6"},
    {"Y", "Z", "+", "−", "#", "=", ",", "1", "2", "3"},
    {"MAJ", "EOB", "INS", "SUP", "EFF", "ANN", "ENT", "0", ".", "±"},
}};

// Row index (1-based, as in KeyPlace) of pad row C, the first with a
// shifted legend.
inline constexpr int kFirstShiftedRow = hitmap::kShiftedFirstRow + 1;

// The shifted character of an alpha key ('\0' = none), from the hit map.
constexpr char shiftedLegend(int row, int column) {
    if (row < kFirstShiftedRow || row >= kFirstShiftedRow + static_cast<int>(hitmap::kShiftedChars.size()))
        return '\0';
    return hitmap::kShiftedChars[static_cast<std::size_t>(row - kFirstShiftedRow)]
                                [static_cast<std::size_t>(column - 1)];
}

// Keys drawn with the warm keycap: the numeric pad and machine rows 5 to 7
// (the keys whose highlight frames take the warm pen at activation).
constexpr bool isWarmKey(const KeyPlace& k) {
    if (k.block == KeyBlock::Alpha) return k.row >= kFirstShiftedRow && k.column >= 8;
    if (k.block == KeyBlock::Machine) return k.row >= 5;
    return false;
}

// ---------------------------------------------------------------- machine pad
// By row 1..7 and column 1..8; columns without a key are ignored.
inline constexpr std::array<std::array<KeyLegend, 8>, 7> kMachineLegends{{
    // Operating modes (lamps Led00..Led07).
    {{{nullptr, "PROG"}, {nullptr, "CONT"}, {nullptr, "SEQ"}, {nullptr, "IMD"},
      {nullptr, "MANU"}, {nullptr, "PAS"}, {nullptr, "ORIG"}, {nullptr, "TEST"}}},
    // Tools, offsets, increments, block skip (Led08..Led15).
    {{{nullptr, "OUTIL"}, {nullptr, "DÉCAL"}, {nullptr, "x1"}, {nullptr, "x10"},
      {nullptr, "x100"}, {nullptr, "x1000"}, {nullptr, "SAUT"}, {nullptr, "M01"}}},
    // Reset, acknowledge, auxiliaries (Led16..Led23).
    {{{nullptr, "RAZ"}, {nullptr, "ACQ"}, {nullptr, "ARROS"}, {nullptr, "LUBR"},
      {nullptr, "ÉCL"}, {nullptr, "PORTE"}, {nullptr, "CONV"}, {nullptr, "MES"}}},
    // Clamping, probe, tool magazine (columns 2..7).
    {{{}, {nullptr, "SERR"}, {nullptr, "DESS"}, {nullptr, "PALP"},
      {nullptr, "OUT+"}, {nullptr, "OUT−"}, {nullptr, "MAG"}, {}}},
    // Row 5, the axis keys: see kAxisLegends.
    {{}},
    // Jog (columns 3..6).
    {{{}, {}, {"JOG", "−"}, {nullptr, "RAPIDE"}, {"JOG", "+"}, {nullptr, "PRÉS"}, {}, {}}},
    // Feed and spindle.
    {{{"AVANCE", "−"}, {"AVANCE", "100%"}, {"AVANCE", "+"}, {"BROCHE", "↻"},
      {"BROCHE", "■"}, {"BROCHE", "↺"}, {"BROCHE", "−"}, {"BROCHE", "+"}}},
}};

// The axis keys, machine row 5 columns 2..7: where the two pictures differ.
// A lathe has the X and Z axes, a milling machine X, Y and Z (and a fourth);
// the keys of axes a machine lacks are blank caps.
inline constexpr int kAxisRow = 5;
inline constexpr std::array<std::array<KeyLegend, 8>, 2> kAxisLegends{{
    {{{}, {nullptr, "X"}, {nullptr, "Y"}, {nullptr, "Z"}, {nullptr, "4"}, {}, {nullptr, "MANIV"}, {}}},
    {{{}, {nullptr, "X"}, {nullptr, "Z"}, {}, {}, {}, {nullptr, "MANIV"}, {}}},
}};

// Large keys 1..3 below the machine pad. The panel sends no code for them, so
// they are blank caps: a legend such as a cycle stop on a key that does
// nothing would mislead the operator about the machine's safety.
inline constexpr std::array<KeyLegend, 3> kLargeLegends{{{}, {}, {}}};

constexpr KeyLegend machineLegend(Machine m, int row, int column) {
    if (row == kAxisRow) return kAxisLegends[static_cast<std::size_t>(m)][static_cast<std::size_t>(column - 1)];
    return kMachineLegends[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(column - 1)];
}

}  // namespace vos::skingen
