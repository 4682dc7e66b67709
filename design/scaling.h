#pragma once
// Extra scaling by the screen's pixels per inch, on top of the platform's
// own: the main window and the port-search window scale every control,
// place and font by numerator / 1000 at creation; any other density (96
// included) leaves the design as it is. Pure data, no Qt.
#include <array>
#include <optional>

namespace vos::design {

struct PpiScale {
    int ppi;
    int numerator;
};
inline constexpr int kPpiScaleDenominator = 1000;
inline constexpr std::array<PpiScale, 4> kPpiScaling{{{72, 1400}, {120, 875}, {144, 735}, {192, 558}}};

constexpr std::optional<int> scalingNumerator(int ppi) {
    for (const auto& s : kPpiScaling)
        if (s.ppi == ppi) return s.numerator;
    return std::nullopt;
}

}  // namespace vos::design
