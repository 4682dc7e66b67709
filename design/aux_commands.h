#pragma once
// Design values of the auxiliary commands that the skin does not show: the
// customer label, the two buttons, the areas that drag the borderless window
// and the about box's place. The command areas of the shell, drawn in the
// skin, are kAuxAreas (design/commands.h). Pure data, no Qt.
#include <array>
#include <string_view>

#include "design/types.h"
#include "design/window.h"

namespace vos::design {

// The customer label: centred, Arial 13, red on transparent until the first
// AfficherClient, which makes it white, underlined, on opaque black.
inline constexpr Bounds kLabelClientBounds{50, 362, 433, 17};
inline constexpr int kLabelClientFontPixels = 13;
inline constexpr Rgb kLabelClientDesignColor = colors::Red;
inline constexpr Rgb kClientTextColor = colors::White;
inline constexpr Rgb kClientBackground = colors::Black;

inline constexpr Bounds kBoutonQuitterBounds{826, 3, 36, 27};
inline constexpr std::string_view kBoutonQuitterCaption = "&Fin";
inline constexpr Bounds kBoutonEditerIniBounds{8, 8, 105, 25};
inline constexpr std::string_view kBoutonEditerIniCaption = "Editer .ini";
inline constexpr int kBoutonEditerIniFontPixels = 12;

// Client rectangles that act as the caption bar (left <= x < right,
// top <= y < bottom), in design pixels: a point of a scaled window is taken
// back to design pixels before the test; right and bottom edges are the
// design client size.
struct DragRect {
    int left, top, right, bottom;
    constexpr bool contains(int x, int y) const { return left <= x && x < right && top <= y && y < bottom; }
};
inline constexpr std::array<DragRect, 4> kDragRects{{
    {0, 0, kClientWidth, 14},                       // top strip
    {211, 0, kClientWidth, 50},                     // top band right of the logo
    {460, 538, 837, kClientHeight},                 // lower right block
    {0, 680, kClientWidth, kClientHeight},  // bottom strip
}};

constexpr bool isDragArea(int x, int y) {
    for (const DragRect& r : kDragRects)
        if (r.contains(x, y)) return true;
    return false;
}

// Offset of the about box's top-left corner from the window's.
inline constexpr int kAboutDx = 150;
inline constexpr int kAboutDy = 100;

}  // namespace vos::design
