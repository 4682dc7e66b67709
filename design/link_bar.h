#pragma once
// The link bar along the main window's bottom edge: the port and speed
// lists, the OK, TXD and RXD lights with their captions, the status text and
// the list of ports found; hidden but for the lights until CONF shows them.
// Client pixels of the unscaled window. Pure data, no Qt.
#include "design/types.h"

namespace vos::design::linkbar {

// Every text of the bar is Arial; the lists' texts are bold black on lime.
inline constexpr const char* kFace = "Arial";
inline constexpr int kFontPixels = 12;
inline constexpr Rgb kListColor = colors::Lime;
inline constexpr Rgb kListTextColor = colors::Black;

inline constexpr Bounds kComboNoCom{8, 689, 80, 23};
inline constexpr Bounds kComboBauds{96, 689, 73, 23};
inline constexpr Bounds kCheckInit{788, 691, 43, 19};

struct Light {
    const char* name;
    Bounds bounds;
    Rgb lit, notLit;
};
inline constexpr Light kOKLight{"OKLight", {190, 700, 20, 9}, colors::Yellow, colors::Red};
inline constexpr Light kTXDLight{"TXDLight", {385, 700, 20, 9}, colors::Lime, colors::Silver};
inline constexpr Light kRXDLight{"RXDLight", {448, 700, 20, 9}, colors::Yellow, colors::Silver};

struct Text {
    const char* name;
    int left, top;
    const char* caption;
    const char* hint;
    int fontPixels;
    Rgb color;
};
inline constexpr Text kLabelNoCom{"LabelNoCom", 220, 697, "COM NON DISPONIBLE", "", kFontPixels, colors::White};
inline constexpr Text kLabelTXD{"LabelTXD", 360, 697, "TXD", "", kFontPixels, colors::White};
inline constexpr Text kLabelRXD{"LabelRXD", 420, 697, "RXD", "", kFontPixels, colors::White};
inline constexpr const char* kPortsDisposStart = "Ports disponibles : com ";
inline constexpr Text kLabelPortsDispos{"LabelPortsDispos", 490, 696, kPortsDisposStart,
                                        "Ports visibles par Corvexa", 15, colors::Aqua};

// The status text stops this far before the TXD caption, and shrinks down
// to this size at the most to keep to it.
inline constexpr int kStatusGap = 3;
inline constexpr int kStatusMinPixels = 8;

}  // namespace vos::design::linkbar
