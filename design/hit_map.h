#pragma once
// Where the keys of the panel picture are, which highlight frame each key has
// and which code it sends. Pure data, no Qt, shared by the hit map
// (input/hit_map.h, input/hit_map_tables.h) and the skin generator, which
// draws the keys and their legends at these very rectangles so the picture
// and the hit map cannot drift apart.
//
// Coordinates are client pixels of the unscaled 870 x 720 main window. Every
// range is inclusive at both ends.
#include <array>
#include <cstddef>
#include <cstdint>

#include "design/types.h"

namespace vos::design::hitmap {

struct Span {
    int lo = 0, hi = 0;
    constexpr bool contains(int v) const { return lo <= v && v <= hi; }
};

struct Column {
    Span x;
    int frameLeft = 0;
};

inline constexpr int kFrameCount = 120;
inline constexpr int kFrameSize = 36;
inline constexpr int kLargeFrameSize = 44;
inline constexpr int kFramePenWidth = 2;
inline constexpr Rgb kFrameDesignPen = colors::White;
// Pen of the frames listed in kActivationFrames, set at each activation.
inline constexpr Rgb kActivationPen{226, 220, 172};

// ---------------------------------------------------------------- left block
// Soft-key row A and the alphanumeric pad, rows B to F, ten columns each.

inline constexpr std::array<Column, 10> kLeftColumns{{
    {{76, 106}, 73},   {{116, 146}, 112}, {{154, 184}, 151}, {{194, 224}, 190},
    {{232, 262}, 229}, {{272, 302}, 268}, {{311, 340}, 307}, {{350, 379}, 346},
    {{389, 417}, 385}, {{428, 456}, 424},
}};

struct LeftRow {
    char name;       // 'A' (soft keys) to 'F'
    Span y;
    int frameTop;
    int firstFrame;  // frame of column 1; column c uses firstFrame + c - 1
};

inline constexpr std::array<LeftRow, 6> kLeftRows{{
    {'A', {395, 427}, 393, 56},
    {'B', {440, 472}, 438, 66},
    {'C', {511, 543}, 509, 76},
    {'D', {556, 588}, 554, 86},
    {'E', {600, 632}, 598, 96},
    {'F', {644, 676}, 643, 106},
}};

// Codes of the soft keys (row A) in the normal map, columns 1 to 10. The first
// two are swapped against the others; keys 9 and 10 are 0x98/0x99.
inline constexpr std::array<std::uint8_t, 10> kSoftKeyCodes{
    0x81, 0x80, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x98, 0x99};

// ---------------------------------------------------------------- machine pad

inline constexpr std::array<Column, 8> kMachineColumns{{
    {{524, 557}, 522}, {{562, 595}, 561}, {{600, 635}, 600}, {{640, 673}, 639},
    {{678, 712}, 678}, {{717, 750}, 717}, {{755, 790}, 756}, {{795, 830}, 795},
}};

// Machine row r (1..7) column c (1..8) has frame (r - 1) * 8 + c - 1; only
// the columns firstColumn..lastColumn are keys. The frames of the other
// columns (Shape24, 31, 32, 39, 40, 41, 46, 47) exist but are never shown.
struct MachineRow {
    Span y;
    int frameTop;
    int firstColumn, lastColumn;
    // Normal-map codes of columns 1..8; 0 = the key only shows its frame.
    std::array<std::uint8_t, 8> codes;
};

inline constexpr std::array<MachineRow, 7> kMachineRows{{
    {{51, 83}, 49, 1, 8, {0, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17}},
    {{90, 122}, 88, 1, 8, {0, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F}},
    {{144, 176}, 141, 1, 8, {0x40, 0x41, 0, 0, 0, 0, 0, 0}},
    {{255, 288}, 253, 2, 7, {}},
    {{327, 361}, 326, 2, 7, {}},
    {{367, 401}, 366, 3, 6, {}},
    {{421, 454}, 419, 1, 8, {}},
}};

constexpr int machineFrame(int row, int column) { return (row - 1) * 8 + column - 1; }

// ---------------------------------------------------------------- large keys
// Three large keys below machine row 7, 44 x 44 frames. Shape116 is a fourth
// large frame that belongs to no key; it is placed one step left of the first.

inline constexpr Span kLargeBand{496, 534};
inline constexpr int kLargeFrameTop = 494;

struct LargeKey {
    Span x;
    int frame;
    int frameLeft;
};

inline constexpr std::array<LargeKey, 3> kLargeKeys{{
    {{633, 672}, 117, 629},
    {{681, 720}, 118, 681},
    {{754, 794}, 119, 753},
}};
inline constexpr int kUnusedLargeFrame = 116;
inline constexpr int kUnusedLargeFrameLeft = 577;

// ---------------------------------------------------------------- shifted map
// Rows C to F of the left block (kLeftRows[2..5]), columns 1 to 10; 0 = the
// key sends nothing. Every shifted press shows kShiftedFrame only.

inline constexpr int kShiftedFirstRow = 2;  // index of row C in kLeftRows
inline constexpr int kShiftedFrame = 106;

inline constexpr std::array<std::array<std::uint8_t, 10>, 4> kShiftedCodes{{
    {0xA5, 0xA1, 0xA2, 0xA6, 0xA7, 0xAC, 0xBF, 0xC1, 0xC2, 0xC3},  // C
    {0xDB, 0xDC, 0xDD, 0xDE, 0xDF, 0x90, 0x91, 0xC4, 0xC5, 0xC6},  // D
    {0xA4, 0xC0, 0xBB, 0xBD, 0xAA, 0xBA, 0xAF, 0xB7, 0xB8, 0xB9},  // E
    {0x00, 0xA8, 0xBC, 0xBE, 0xA9, 0x93, 0xA0, 0x00, 0x00, 0x00},  // F
}};

// The character a key code carries: codes 0xA0-0xDF are ASCII 0x20-0x5F with
// bit 7 set; other codes carry none ('\0').
constexpr char carriedChar(std::uint8_t code) {
    return code >= 0xA0 && code <= 0xDF ? static_cast<char>(code - 0x80) : '\0';
}

// Legends of the shifted map, for drawing the keys ('\0' = no character).
inline constexpr std::array<std::array<char, 10>, 4> kShiftedChars = [] {
    std::array<std::array<char, 10>, 4> out{};
    for (std::size_t r = 0; r < out.size(); ++r)
        for (std::size_t c = 0; c < out[r].size(); ++c) out[r][c] = carriedChar(kShiftedCodes[r][c]);
    return out;
}();

// ---------------------------------------------------------------- frames
// The 36 frames whose pen takes kActivationPen (machine rows 5 to 7 and the
// left block's columns 8 to 10 in rows C to F).
inline constexpr std::array<int, 36> kActivationFrames = [] {
    std::array<int, 36> out{};
    std::size_t i = 0;
    for (int f = 32; f <= 55; ++f) out[i++] = f;
    for (int first : {83, 93, 103, 113})
        for (int f = first; f < first + 3; ++f) out[i++] = f;
    return out;
}();

// Place of frame `index` (0..119), including the frames that are never shown.
constexpr Bounds frameBounds(int index) {
    if (index < 56) {
        const int row = index / 8, col = index % 8;
        return {kMachineColumns[col].frameLeft, kMachineRows[row].frameTop, kFrameSize, kFrameSize};
    }
    if (index < 116) {
        const int row = (index - 56) / 10, col = (index - 56) % 10;
        return {kLeftColumns[col].frameLeft, kLeftRows[row].frameTop, kFrameSize, kFrameSize};
    }
    int left = kUnusedLargeFrameLeft;
    for (const auto& k : kLargeKeys)
        if (k.frame == index) left = k.frameLeft;
    return {left, kLargeFrameTop, kLargeFrameSize, kLargeFrameSize};
}

}  // namespace vos::design::hitmap
