#pragma once
// Design layout of the character screen: its 40 columns, its lines and
// cursor strips in the normal mode (the panel's screen lays them out so at
// creation, the zoom gives them back when it leaves the big screen) and in
// the big screen's. Pure data, no Qt: the skin generator keeps the screen's
// area black from the same values.
#include "design/types.h"
#include "design/window.h"

namespace vos::design {

inline constexpr int kColumns = 40;

}  // namespace vos::design

namespace vos::design::layout {

inline constexpr const char* kFontFace = "Lucida Sans Typewriter";
inline constexpr int kFontPixels = 16;
inline constexpr int kCellWidth = 10;   // one column, whatever the face's advance
inline constexpr int kLeft = 62;
inline constexpr int kWidth = kColumns * kCellWidth;
inline constexpr int kLineTop0 = 78;    // top of line 1
inline constexpr int kPitch = 22;       // from one line to the next
inline constexpr int kLineHeight = 18;
// A strip lies right under its line, where the line does not cover it, and
// shows the top stroke of the cursor mark there: a bar 2 pixels high under
// the cursor cell (its labels draw the top of their capitals at their top).
inline constexpr int kStripTop0 = kLineTop0 + kLineHeight;
inline constexpr int kStripHeight = 2;
inline constexpr Rgb kTextColor = colors::White;
inline constexpr Rgb kBackground = colors::Black;

inline constexpr const char* kInitialCaption = "1234567890123456789012345678901234567890";
inline constexpr const char* kInitialLastStrip = "E234567890123456789012345678901234567890";

constexpr Bounds lineBounds(int n) {
    return {kLeft, kLineTop0 + kPitch * (n - 1), kWidth, kLineHeight};
}
constexpr Bounds stripBounds(int n) {
    return {kLeft, kStripTop0 + kPitch * (n - 1), kWidth, kStripHeight};
}

}  // namespace vos::design::layout

namespace vos::design {

// Layout of the screen lines and cursor strips in one mode, in design
// pixels (the zoom scales them as the window was scaled); line or strip n
// (1..12) lies at firstTop + step * (n - 1). Lines and strips are `width`
// wide, 40 cells of width / 40 pixels each.
struct ScreenLayout {
    int fontPixels;   // 16 px = 12 pt at 96 ppi
    int width;
    int lineHeight, lineFirstTop;
    int stripHeight, stripFirstTop;
    int step;
    // The least a strip is high in the screen's own (device) pixels, however
    // small the window is scaled: a thinner cursor bar is hard to see.
    int stripMinDevicePixels;
};

// The normal layout is the screen's design layout. The big screen doubles
// the font and the line spacing; its 40 cells share the 770 pixels from the
// lines' left edge to the right edge of its black frame (19.25 pixels a
// cell, about the doubled face's own advance), so nothing of it lies over
// the right bezel (AIDE, minimise, FIN). Its strips lie under their lines
// like the normal ones, twice as high.
inline constexpr ScreenLayout kNormalLayout{layout::kFontPixels,  layout::kWidth,
                                            layout::kLineHeight,  layout::kLineTop0,
                                            layout::kStripHeight, layout::kStripTop0,
                                            layout::kPitch,       layout::kStripHeight};
inline constexpr ScreenLayout kBigLayout{32, 770, 36, 78, 4, 78 + 36, 44, 4};

static_assert(kBigLayout.fontPixels == 2 * kNormalLayout.fontPixels &&
                  kBigLayout.lineHeight == 2 * kNormalLayout.lineHeight &&
                  kBigLayout.stripHeight == 2 * kNormalLayout.stripHeight &&
                  kBigLayout.step == 2 * kNormalLayout.step,
              "the big screen doubles the font, the lines and the strips of the normal one");
static_assert(kNormalLayout.stripMinDevicePixels <= kNormalLayout.step - kNormalLayout.lineHeight &&
                  kBigLayout.stripMinDevicePixels <= kBigLayout.step - kBigLayout.lineHeight,
              "a strip at its least height fits between its line and the next one");
static_assert(layout::kLeft + kBigLayout.width == kGrandeVisuBounds.left + kGrandeVisuBounds.width,
              "the big screen's lines end at the right edge of its black frame");
static_assert(kBigLayout.stripFirstTop + kBigLayout.step * 11 + kBigLayout.stripHeight <=
                  kGrandeVisuBounds.top + kGrandeVisuBounds.height,
              "the last strip lies inside the black frame");
static_assert(kNormalLayout.stripFirstTop == kNormalLayout.lineFirstTop + kNormalLayout.lineHeight &&
                  kBigLayout.stripFirstTop == kBigLayout.lineFirstTop + kBigLayout.lineHeight,
              "a strip lies right under its line, where the line does not cover it");

}  // namespace vos::design
