#pragma once
// The two vocabulary types of the design tables: a rectangle in client pixels
// of the unscaled 870 x 720 main window, and a color. Plain data, no Qt: the
// program's controls (platform/qt/control.h) and the skin generator both take
// them as they are.
#include <cstdint>

namespace vos::design {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    constexpr bool operator==(const Rgb&) const = default;
};

namespace colors {
inline constexpr Rgb Black{0, 0, 0};
inline constexpr Rgb White{255, 255, 255};
inline constexpr Rgb Red{255, 0, 0};
inline constexpr Rgb Yellow{255, 255, 0};
inline constexpr Rgb Lime{0, 255, 0};
inline constexpr Rgb Green{0, 128, 0};
inline constexpr Rgb Silver{192, 192, 192};
inline constexpr Rgb Gray{128, 128, 128};
inline constexpr Rgb Aqua{0, 255, 255};
inline constexpr Rgb Blue{0, 0, 255};
}  // namespace colors

struct Bounds {
    int left = 0, top = 0, width = 0, height = 0;
    constexpr bool operator==(const Bounds&) const = default;
};

}  // namespace vos::design
