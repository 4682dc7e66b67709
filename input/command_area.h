#pragma once
// The small command areas laid over buttons drawn in the skin: a transparent
// label without text that takes presses, and the white caption beneath it.
// GUI thread only; the labels belong to the Form.
#include <string>

#include "platform/qt/form.h"
#include "platform/qt/label.h"

namespace vos {

struct CommandArea {
    const char* name;
    Bounds bounds;
    const char* hint;          // UTF-8 tooltip
    const char* captionName;
    const char* caption;       // text of the caption beneath
    int captionLeft, captionTop;
};

inline constexpr int kCaptionFontPixels = 9;
inline constexpr Rgb kCaptionColor = colors::White;

// The transparent area, with its tooltip and no text.
Label& createCommandArea(Form& form, const CommandArea& area);
// The caption beneath: white Arial 9 px, transparent, sized to its text, same
// tooltip as its area; it takes presses over itself and does nothing.
Label& createCommandCaption(Form& form, const CommandArea& area);

}  // namespace vos
