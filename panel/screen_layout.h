#pragma once
// Design layout of the character screen in the normal (not enlarged) mode.
// The zoom restores these values when it leaves the big screen.
#include "panel/screen_text.h"  // kColumns
#include "platform/qt/control.h"

namespace vos::panel::layout {

inline constexpr const char* kFontFace = "Lucida Sans Typewriter";
inline constexpr int kFontPixels = 16;
inline constexpr int kCellWidth = 10;   // one column, whatever the face's advance
inline constexpr int kLeft = 62;
inline constexpr int kWidth = panel::kColumns * kCellWidth;
inline constexpr int kLineTop0 = 78;    // top of line 1
inline constexpr int kPitch = 22;       // from one line to the next
inline constexpr int kLineHeight = 18;
// A strip lies right under its line, where the line does not cover it, and
// shows the top stroke of the cursor mark there: a bar 2 pixels high under
// the cursor cell (its labels draw the top of their capitals at their top).
inline constexpr int kStripTop0 = kLineTop0 + kLineHeight;
inline constexpr int kStripHeight = 2;
inline constexpr Rgb kTextColour = colors::White;
inline constexpr Rgb kBackground = colors::Black;

inline constexpr const char* kInitialCaption = "1234567890123456789012345678901234567890";
inline constexpr const char* kInitialLastStrip = "E234567890123456789012345678901234567890";

constexpr Bounds lineBounds(int n) {
    return {kLeft, kLineTop0 + kPitch * (n - 1), kWidth, kLineHeight};
}
constexpr Bounds stripBounds(int n) {
    return {kLeft, kStripTop0 + kPitch * (n - 1), kWidth, kStripHeight};
}

}  // namespace vos::panel::layout
