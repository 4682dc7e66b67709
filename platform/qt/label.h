#pragma once
// A text label. Shows its caption in its font; "&" is shown literally, except
// that "&&" is shown as one "&" (the character screen keeps every "&" of a
// line doubled in its caption). Transparent labels let what lies below show
// through and still take presses over their area.
//
// Grid mode (the character screen): each character is drawn in a fixed cell
// from the left edge, whatever the face's own advance, so columns line up:
// cells of cellWidth pixels, or a number of columns sharing the label's
// width (a fraction of a pixel each where it does not divide: 40 columns in
// 770 pixels); text beyond the label's height is clipped. A label that shows
// only the top of its text (a cursor strip) draws the top of its capitals at
// its top edge, and that top stroke down to its bottom edge, so its few rows
// show the mark as a bar as high as the label whatever the face's ascent and
// stroke.
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
    void setFontColor(design::Rgb c);
    void setUnderline(bool on);

    bool transparent() const { return transparent_; }
    void setTransparent(bool on);
    design::Rgb color() const { return color_; }   // background when opaque
    void setColor(design::Rgb c);

    // Width follows the caption (as drawn) when on; height follows the font.
    bool autoSize() const { return autoSize_; }
    void setAutoSize(bool on);
    void setAlignment(Alignment a);

    // 0 = proportional text; > 0 = fixed cells of that many pixels.
    double cellWidth() const;
    void setCellWidth(double px);
    // n > 0: n cells across the label's width, whatever it is set to (the
    // cell width follows it); 0: back to setCellWidth's cells.
    void setGridColumns(int n);

    // Draws the top of the capitals at the label's top edge (instead of the
    // face's ascent below it); for a label lower than its text.
    bool capTopAligned() const { return capTopAligned_; }
    void setCapTopAligned(bool on);

    // The caption as it is drawn: "&&" collapsed to "&".
    std::string shownText() const;

    void scaleBy(int num, int den) override;

private:
    void adjustSize();
    std::string caption_;
    FontSpec font_;
    bool transparent_ = false;
    design::Rgb color_ = design::colors::Black;
    bool autoSize_ = false;
    Alignment alignment_ = Alignment::Left;
    double cellWidth_ = 0;
    int gridColumns_ = 0;
    bool capTopAligned_ = false;
};

}  // namespace vos
