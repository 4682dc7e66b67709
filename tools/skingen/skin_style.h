#pragma once
// Colors and sizes of the drawn panel. The alignment test classifies the
// pixels of the generated pictures with the same values, so a change of look
// here is a change the test sees.
#include "design/types.h"

namespace vos::skingen::style {

// Grey-blue metal of the panel, top and bottom of its gradient.
inline constexpr design::Rgb kPanelTop{70, 80, 97};
inline constexpr design::Rgb kPanelBottom{48, 56, 70};
// Raised plates that carry the key groups.
inline constexpr design::Rgb kPlate{60, 69, 85};
inline constexpr design::Rgb kPlateLight{104, 115, 134};
inline constexpr design::Rgb kPlateDark{24, 28, 36};
// The title band at the top and the strip at the bottom (link controls).
inline constexpr design::Rgb kHeader{36, 42, 53};
inline constexpr design::Rgb kBottomStrip{16, 18, 23};
// Engraved captions of the key groups.
inline constexpr design::Rgb kEngraving{160, 172, 192};

// Keycaps: light face with a highlight rim top-left and a shade rim
// bottom-right, on a dark drop shadow in the gap between keys.
inline constexpr design::Rgb kKeyFaceTop{234, 233, 226};
inline constexpr design::Rgb kKeyFaceBottom{210, 209, 201};
inline constexpr design::Rgb kKeyWarmTop{238, 231, 204};    // numeric pad and machine rows 5 to 7
inline constexpr design::Rgb kKeyWarmBottom{216, 208, 180};
inline constexpr design::Rgb kKeyHighlight{250, 249, 245};
inline constexpr design::Rgb kKeyShade{176, 174, 166};
inline constexpr design::Rgb kKeyShadow{16, 18, 24};
inline constexpr int kKeyRadius = 4;

// Legends.
inline constexpr design::Rgb kLegend{30, 32, 40};
inline constexpr design::Rgb kLegendShifted{24, 82, 170};
inline constexpr design::Rgb kLegendRed{186, 28, 28};
inline constexpr design::Rgb kLegendGreen{22, 132, 58};

// Lamp windows: a dark ring round a dark lens tinted with the lamp's color.
inline constexpr design::Rgb kLampRing{20, 20, 23};
inline constexpr int kLampRingMargin = 2;  // ring = disc + 2 px all round
inline constexpr design::Rgb kLensRed{74, 14, 14};
inline constexpr design::Rgb kLensYellow{70, 66, 12};
inline constexpr design::Rgb kLensGreen{14, 62, 20};

// Command buttons.
inline constexpr design::Rgb kButtonFace{112, 126, 148};
inline constexpr design::Rgb kButtonLight{168, 180, 198};
inline constexpr design::Rgb kButtonDark{30, 35, 45};
inline constexpr design::Rgb kButtonIcon{238, 241, 246};
inline constexpr design::Rgb kButtonIconRed{214, 54, 48};

// Screen: bezel round the black glass.
inline constexpr design::Rgb kBezel{30, 33, 39};
inline constexpr design::Rgb kBezelLight{92, 100, 116};
inline constexpr design::Rgb kGlass{0, 0, 0};

// Machine-type plate.
inline constexpr design::Rgb kNamePlate{196, 200, 206};
inline constexpr design::Rgb kNamePlateText{28, 34, 48};

inline constexpr const char* kFontFamily = "DejaVu Sans";

}  // namespace vos::skingen::style
