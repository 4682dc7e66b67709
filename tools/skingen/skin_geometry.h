#pragma once
// Where the skin generator draws: every place is derived from the program's
// own design tables (design/: hit map, lamp table, screen layout, command
// areas, window), so a picture made here lines up with the controls the
// program lays over it. Pure constexpr data, no Qt.
#include <array>
#include <cstddef>

#include "design/commands.h"
#include "design/hit_map.h"
#include "design/lamps.h"
#include "design/screen.h"
#include "design/types.h"
#include "design/window.h"

namespace vos::skingen {

// The design tables this tool reads most, by their short names.
namespace hitmap = design::hitmap;
namespace lamps = design::lamps;

// The picture fills the main window's client area.
inline constexpr int kWidth = design::kClientWidth;
inline constexpr int kHeight = design::kClientHeight;

// A hit-map range pair as a rectangle: both ends of each range are inside.
constexpr design::Bounds spanBounds(hitmap::Span x, hitmap::Span y) {
    return {x.lo, y.lo, x.hi - x.lo + 1, y.hi - y.lo + 1};
}

enum class KeyBlock { Soft, Alpha, Machine, Large };

// One key of the panel. Rows and columns count from 1: Alpha rows are 2..6
// for the pad rows B..F (row 1 is the soft-key row A); Machine rows are 1..7.
struct KeyPlace {
    KeyBlock block;
    int row;
    int column;
    design::Bounds bounds;
};

constexpr std::size_t machineKeyCount() {
    std::size_t n = 0;
    for (const auto& r : hitmap::kMachineRows) n += static_cast<std::size_t>(r.lastColumn - r.firstColumn + 1);
    return n;
}

inline constexpr std::size_t kKeyCount =
    hitmap::kLeftRows.size() * hitmap::kLeftColumns.size() + machineKeyCount() + hitmap::kLargeKeys.size();

// Every key region of the normal map, left block first, then the machine pad
// row by row, then the large keys.
inline constexpr std::array<KeyPlace, kKeyCount> kKeys = [] {
    std::array<KeyPlace, kKeyCount> out{};
    std::size_t i = 0;
    for (std::size_t r = 0; r < hitmap::kLeftRows.size(); ++r)
        for (std::size_t c = 0; c < hitmap::kLeftColumns.size(); ++c)
            out[i++] = {r == 0 ? KeyBlock::Soft : KeyBlock::Alpha, static_cast<int>(r) + 1,
                        static_cast<int>(c) + 1, spanBounds(hitmap::kLeftColumns[c].x, hitmap::kLeftRows[r].y)};
    for (std::size_t r = 0; r < hitmap::kMachineRows.size(); ++r) {
        const auto& row = hitmap::kMachineRows[r];
        for (int c = row.firstColumn; c <= row.lastColumn; ++c)
            out[i++] = {KeyBlock::Machine, static_cast<int>(r) + 1, c,
                        spanBounds(hitmap::kMachineColumns[c - 1].x, row.y)};
    }
    for (std::size_t k = 0; k < hitmap::kLargeKeys.size(); ++k)
        out[i++] = {KeyBlock::Large, 1, static_cast<int>(k) + 1,
                    spanBounds(hitmap::kLargeKeys[k].x, hitmap::kLargeBand)};
    return out;
}();

// The lamp place of lamp i (its 9 x 9 disc).
constexpr design::Bounds lampBounds(int i) {
    const auto& l = lamps::kTable[static_cast<std::size_t>(i)];
    return {l.left, l.top, lamps::kSize, lamps::kSize};
}

// The area the twelve screen lines and their cursor strips cover in the
// normal layout; it must stay black.
inline constexpr design::Bounds kScreenLinesBounds = [] {
    const design::Bounds first = design::layout::lineBounds(1);
    const design::Bounds lastStrip = design::layout::stripBounds(12);
    return design::Bounds{first.left, first.top, first.width, lastStrip.top + lastStrip.height - first.top};
}();

// The command areas drawn as small buttons under their transparent labels.
enum class CommandIcon { Logo, Fin, Aide, AccesCfg, Iconiser, Zoom, TF, Ports };

struct CommandPlace {
    CommandIcon icon;
    design::Bounds bounds;
};

inline constexpr std::array<CommandPlace, 8> kCommands{{
    {CommandIcon::Logo, design::kAuxAreas[design::kLogo].area.bounds},
    {CommandIcon::Fin, design::kAuxAreas[design::kFin].area.bounds},
    {CommandIcon::Aide, design::kAuxAreas[design::kAide].area.bounds},
    {CommandIcon::AccesCfg, design::kAuxAreas[design::kAccesCfg].area.bounds},
    {CommandIcon::Iconiser, design::kAuxAreas[design::kIconiser].area.bounds},
    {CommandIcon::Zoom, design::kZoomArea.bounds},
    {CommandIcon::TF, design::kTFArea.bounds},
    {CommandIcon::Ports, design::kDetectePorts.bounds},
}};

}  // namespace vos::skingen
