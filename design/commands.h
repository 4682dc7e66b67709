#pragma once
// The small command areas laid over buttons drawn in the skin: where each one
// is, its tooltip, and the white caption beneath it. Pure data, no Qt: the
// modules create their areas from these entries (platform/qt/command_area.h),
// and the skin generator draws its buttons under the same rectangles.
#include <array>

#include "design/types.h"

namespace vos::design {

struct CommandArea {
    const char* name;
    Bounds bounds;
    const char* hint;          // UTF-8 tooltip
    const char* captionName;
    const char* caption;       // text of the caption beneath
    int captionLeft, captionTop;
};

// Every caption: white Arial of 9 pixels.
inline constexpr int kCaptionFontPixels = 9;
inline constexpr Rgb kCaptionColor = colors::White;

// ZOOM: switches the big screen (input/zoom.h).
inline constexpr CommandArea kZoomArea{"LabelChgtEcran", {8, 53, 25, 25}, "Zoom",
                                       "LabelChgtEcranLegende", "ZOOM", 6, 81};
// T/F: swaps the lathe's and the milling machine's skins (input/machine_switch.h).
inline constexpr CommandArea kTFArea{"LabelTF", {8, 250, 25, 25}, "Tour/Fraiseuse",
                                     "LabelTFLegende", "T/F", 13, 279};
// PORTS: searches the serial ports (serial/port_selection.h).
inline constexpr CommandArea kDetectePorts{"LabelDetectePorts", {8, 445, 25, 25}, "Détection des ports",
                                           "LabelDetectePortsLegende", "PORTS", 5, 476};

// A command area of the shell (app/aux_commands.h); captionHint overrides the
// caption's tooltip (nullptr: the area's own). An area without a caption has
// captionName nullptr.
struct AuxArea {
    CommandArea area;
    const char* captionHint;
};

enum AuxAreaIndex { kLogo, kFin, kAide, kAccesCfg, kIconiser, kAuxAreaCount };

// In creation (z-) order.
inline constexpr std::array<AuxArea, kAuxAreaCount> kAuxAreas{{
    {{"LabelLogo", {50, 15, 160, 34}, "Informations de version", nullptr, nullptr, 0, 0}, nullptr},
    {{"LabelFin", {840, 52, 24, 29}, "Fin", "LabelFinLegende", "FIN", 842, 81}, "Quitter"},
    {{"LabelAide", {838, 250, 25, 25}, "Aide (Html)", "LabelAideLegende", "AIDE", 839, 278}, nullptr},
    {{"LabelAccesCfg", {8, 643, 25, 25}, "Configuration liaison", "LabelAccesCfgLegende", "CONF", 8, 669},
     nullptr},
    {{"LabelIconiser", {838, 104, 22, 33}, "Réduire", nullptr, nullptr, 0, 0}, nullptr},
}};

}  // namespace vos::design
