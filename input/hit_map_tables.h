#pragma once
// Which key a press on the panel picture means: the look-ups of the normal
// and the shifted map over the key tables of design/hit_map.h. Constexpr and
// Qt-free, so the table tests check them over every pixel.
//
// Coordinates are client pixels of the unscaled 870 x 720 main window.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "design/hit_map.h"

namespace vos::input {

// A key of a map: the frame to show and the code to send (none = frame only).
struct Hit {
    int frame = -1;
    std::optional<std::uint8_t> code;
    constexpr bool operator==(const Hit&) const = default;
};

// The normal map at (x, y): at most one key, since the regions do not overlap.
constexpr std::optional<Hit> normalHit(int x, int y) {
    namespace hm = design::hitmap;
    for (std::size_t r = 0; r < hm::kLeftRows.size(); ++r) {
        if (!hm::kLeftRows[r].y.contains(y)) continue;
        for (std::size_t c = 0; c < hm::kLeftColumns.size(); ++c) {
            if (!hm::kLeftColumns[c].x.contains(x)) continue;
            Hit h{hm::kLeftRows[r].firstFrame + static_cast<int>(c), std::nullopt};
            if (hm::kLeftRows[r].name == 'A') h.code = hm::kSoftKeyCodes[c];
            return h;
        }
    }
    for (std::size_t r = 0; r < hm::kMachineRows.size(); ++r) {
        const hm::MachineRow& row = hm::kMachineRows[r];
        if (!row.y.contains(y)) continue;
        for (int c = row.firstColumn; c <= row.lastColumn; ++c) {
            if (!hm::kMachineColumns[c - 1].x.contains(x)) continue;
            Hit h{hm::machineFrame(static_cast<int>(r) + 1, c), std::nullopt};
            if (row.codes[c - 1] != 0) h.code = row.codes[c - 1];
            return h;
        }
    }
    if (hm::kLargeBand.contains(y))
        for (const auto& k : hm::kLargeKeys)
            if (k.x.contains(x)) return Hit{k.frame, std::nullopt};
    return std::nullopt;
}

// The shifted map at (x, y): any y in the band of rows C to F shows the
// shifted frame, whatever x; the code is the one of the column under x.
constexpr std::optional<Hit> shiftedHit(int x, int y) {
    namespace hm = design::hitmap;
    for (std::size_t r = 0; r < hm::kShiftedCodes.size(); ++r) {
        if (!hm::kLeftRows[hm::kShiftedFirstRow + r].y.contains(y)) continue;
        Hit h{hm::kShiftedFrame, std::nullopt};
        for (std::size_t c = 0; c < hm::kLeftColumns.size(); ++c)
            if (hm::kLeftColumns[c].x.contains(x) && hm::kShiftedCodes[r][c] != 0)
                h.code = hm::kShiftedCodes[r][c];
        return h;
    }
    return std::nullopt;
}

}  // namespace vos::input
