#pragma once
// The two small windows of the serial link: the port-search progress window
// (TForm2) and the port selection dialog (TComSelectForm), as designed. Pure
// data, no Qt: window pixels before any scaling.
#include "design/types.h"

namespace vos::design {

struct TextDesign {
    const char* name;
    int left, top;
    const char* caption;
    int fontPixels;
    bool bold;
    Rgb color;
};

namespace searchwindow {
inline constexpr const char* kCaption = "Vostrelle";
inline constexpr int kClientWidth = 459, kClientHeight = 110;
inline constexpr int kScreenLeft = 240, kScreenTop = 100;
inline constexpr Rgb kBackground = colors::Gray;
inline constexpr const char* kFace = "Arial";
inline constexpr Bounds kProgressBounds{9, 57, 441, 10};
inline constexpr int kProgressMax = 100;
inline constexpr Rgb kBarColor = colors::Blue;
inline constexpr Rgb kBarBackground = colors::White;
inline constexpr TextDesign kLabel1{"Label1", 156, 8, "Recherche des ports", 16, true, colors::White};
inline constexpr TextDesign kLabel2{"Label2", 204, 32, "com 0", 17, true, colors::White};
// Drawn in the window's own background color: the numbers found are there
// but do not show.
inline constexpr TextDesign kLabel3{"Label3", 9, 73, "Ports détectés :", 12, true, kBackground};
}  // namespace searchwindow

namespace portdialog {
inline constexpr const char* kCaption = "Select Port";
inline constexpr int kClientWidth = 220, kClientHeight = 131;
inline constexpr const char* kFace = "MS Sans Serif";
inline constexpr int kFontPixels = 11;
inline constexpr Rgb kColor{240, 240, 240};
inline constexpr Bounds kBevel{8, 8, 201, 42};
inline constexpr Bounds kCombo{8, 64, 201, 21};
inline constexpr TextDesign kLabels[] = {
    {"Label1", 18, 14, "The configured serial port is not valid.", kFontPixels, false, colors::Black},
    {"Label2", 18, 30, "Please choose another port.", kFontPixels, false, colors::Black},
};
struct ButtonDesign {
    const char* name;
    Bounds bounds;
    const char* caption;
    bool ok;  // closes with OK, else with Abort
};
inline constexpr ButtonDesign kButtons[] = {
    {"OkBtn", {8, 95, 85, 27}, "OK", true},
    {"AbortBtn", {124, 95, 85, 27}, "Cancel", false},
};
}  // namespace portdialog

}  // namespace vos::design
