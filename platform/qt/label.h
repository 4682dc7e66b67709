#pragma once
// A text label. Shows its caption in its font; "&" is shown literally, except
// that "&&" is shown as one "&" (the character screen keeps every "&" of a
// line doubled in its caption). Transparent labels let what lies below show
// through and still take presses over their area.
//
// Grid mode (the character screen): each character is drawn in a fixed cell
// of cellWidth pixels from the left edge, whatever the face's own advance, so
// columns line up; text beyond the label's height is clipped (the 4-pixel
// cursor strips show only the top of the mark).
#include "platform/qt/control.h"

namespace vos {

enum class Alignment { Left, Center, Right };

class Label : public Control {
public:
    Label(Form& owner, std::string name);

    // Caption as UTF-8. Setting the same value again does nothing.
    const std::string& caption() const { return caption_; }
    void setCaption(std::string utf8);

    const FontSpec& font() const { return font_; }
    void setFont(const FontSpec& f);
    void setFontPixels(int pixelHeight);
    void setFontColor(Rgb c);
    void setUnderline(bool on);

    bool transparent() const { return transparent_; }
    void setTransparent(bool on);
    Rgb color() const { return color_; }   // background when opaque
    void setColor(Rgb c);

    // Width follows the caption (as drawn) when on; height follows the font.
    bool autoSize() const { return autoSize_; }
    void setAutoSize(bool on);
    void setAlignment(Alignment a);

    // 0 = proportional text; > 0 = fixed cells of that many pixels.
    int cellWidth() const { return cellWidth_; }
    void setCellWidth(int px);

    // The caption as it is drawn: "&&" collapsed to "&".
    std::string shownText() const;

    void scaleBy(int num, int den) override;

private:
    void adjustSize();
    std::string caption_;
    FontSpec font_;
    bool transparent_ = false;
    Rgb color_ = colors::Black;
    bool autoSize_ = false;
    Alignment alignment_ = Alignment::Left;
    int cellWidth_ = 0;
};

}  // namespace vos
