#pragma once
// A filled or outlined geometric shape: the lamps (filled discs), the key
// highlight frames (rounded squares, no fill) and the big-screen rectangle.
#include "platform/qt/control.h"

namespace vos {

enum class ShapeKind { Rectangle, Circle, RoundSquare };

class Shape : public Control {
public:
    Shape(Form& owner, std::string name);

    ShapeKind kind() const { return kind_; }
    void setKind(ShapeKind k);
    design::Rgb penColor() const { return penColor_; }
    void setPenColor(design::Rgb c);
    int penWidth() const { return penWidth_; }
    void setPenWidth(int w);   // 0 = hairline of one pixel
    design::Rgb brushColor() const { return brushColor_; }
    void setBrushColor(design::Rgb c);
    bool brushClear() const { return brushClear_; }
    void setBrushClear(bool clear);  // true: outline only, inside transparent

    // The pen width scales with the place and size (at least one pixel).
    void scaleBy(int num, int den) override;

private:
    ShapeKind kind_ = ShapeKind::Rectangle;
    design::Rgb penColor_ = design::colors::Black;
    int penWidth_ = 1;
    design::Rgb brushColor_ = design::colors::White;
    bool brushClear_ = false;
};

}  // namespace vos
