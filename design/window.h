#pragma once
// The main window's geometry: its client size, the skin picture that fills
// it, and the big screen's black frame. Client pixels of the unscaled window;
// the window scales every control by its pixels-per-inch factor at creation.
#include "design/types.h"

namespace vos::design {

inline constexpr int kClientWidth = 870;
inline constexpr int kClientHeight = 720;

// The skin picture (Fond) covers the whole client area, under every control.
inline constexpr Bounds kSkinBounds{0, 0, kClientWidth, kClientHeight};

// The big screen's black frame (GrandeVisu): it hides the keys and lamps
// while the character screen is shown doubled.
inline constexpr Bounds kGrandeVisuBounds{40, 49, 792, 630};

}  // namespace vos::design
