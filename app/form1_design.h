#pragma once
// Design values of the main window that belong to no other module: its
// caption, the start-up banner, the scale it takes at creation and the names
// of the program's files. Its geometry is design/window.h's, the
// pixels-per-inch table design/scaling.h's.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "design/scaling.h"
#include "design/window.h"  // kClientWidth, kClientHeight

namespace vos::app {

inline constexpr std::string_view kCaption = "Vostrelle";
inline constexpr std::string_view NomIni = "Vostrelle.ini";
inline constexpr std::string_view kSkinsFolder = "Skins/";
inline constexpr std::string_view kFontFile = "ltypeb.ttf";
inline constexpr std::string_view kHelpPage = "Vostrelle.htm";
// Why the screen is kept on, for the desktops that list it.
inline constexpr std::string_view kIdleReason = "Pupitre de la machine en service";

// The start-up banner: line 4 is 39 characters long, all other lines and
// every cursor strip 40 blanks.
inline constexpr int kBannerLine = 4;
inline constexpr std::string_view kBannerText = "         Vostrelle  Version 1.00       ";
inline constexpr std::string_view kBlankLine = "                                        ";
static_assert(kBannerText.size() == 39);
static_assert(kBlankLine.size() == 40);

struct ScaleRatio {
    int num, den;
    constexpr bool operator==(const ScaleRatio&) const = default;
};

// The factor the window is scaled by at creation: the table's for the
// screen's pixels per inch (on top of the platform's own scaling), made
// smaller where the window would not fit the screen's available area
// (`availWidth` x `availHeight` in the window's pixels; 0 = unknown), which
// a panel wider or higher than its screen would not be usable. Nothing when
// the window keeps its design size.
constexpr std::optional<ScaleRatio> panelScale(int ppi, int availWidth, int availHeight) {
    ScaleRatio best{1, 1};
    const auto consider = [&best](ScaleRatio r) {
        if (r.num > 0 && static_cast<long long>(r.num) * best.den < static_cast<long long>(best.num) * r.den)
            best = r;
    };
    if (const auto num = design::scalingNumerator(ppi)) best = {*num, design::kPpiScaleDenominator};
    consider({availWidth, design::kClientWidth});
    consider({availHeight, design::kClientHeight});
    if (best.num == best.den) return std::nullopt;
    return best;
}

// The panel's scale to fill a screen of `width` x `height` (the window's
// pixels) with its proportions kept: the smaller of the two fits.
constexpr ScaleRatio fullScreenScale(int width, int height) {
    if (width <= 0 || height <= 0) return {1, 1};
    if (static_cast<long long>(width) * design::kClientHeight <= static_cast<long long>(height) * design::kClientWidth)
        return {width, design::kClientWidth};
    return {height, design::kClientHeight};
}
static_assert(fullScreenScale(1920, 1080) == ScaleRatio{1080, 720});
static_assert(fullScreenScale(1024, 768) == ScaleRatio{768, 720});
static_assert(fullScreenScale(1080, 1920) == ScaleRatio{1080, 870});

// The key that puts the panel to full screen and back. No key code of the
// control is sent for it (F11 has none).
inline constexpr std::uint16_t kFullScreenKey = 0x7A;  // F11
// The command-line argument that starts the panel full screen (the station
// session passes it), beside the configuration's [Contexte] PleinEcran=1.
inline constexpr std::string_view kFullScreenArgument = "--plein-ecran";

// The main window's design settings of the port component.
inline constexpr int kDesignComNumber = 1;
inline constexpr int kDesignBaud = 9600;
inline constexpr int kDesignOutSize = 256;
inline constexpr int kDesignBufferFull = 248;
inline constexpr int kDesignBufferResume = 10;

}  // namespace vos::app
