#pragma once
// A small status light of the link group: a filled rectangle with a raised
// edge (white top and left, grey right and bottom), red when lit and green
// when not lit unless told otherwise; or, with a glyph, the left (lit) or
// right (not lit) half of that picture over the parent's background.
//
// Threading: GUI thread only. Ownership: the light creates its graphic
// control on the Form, which owns that control; the light object itself is
// owned by whoever created it (the port selection, for the main window) and
// must not outlive the Form.
#include <string>

#include "platform/qt/form.h"
#include "platform/qt/graphic_control.h"

namespace vos::serial {

class TSerialCustomStatusLight {
public:
    static constexpr int kDefaultSize = 13;
    static constexpr design::Rgb kDefaultLitColor = design::colors::Red;
    static constexpr design::Rgb kDefaultNotLitColor = design::colors::Green;
    static constexpr design::Rgb kEdgeLight = design::colors::White;
    static constexpr design::Rgb kEdgeShadow = design::colors::Gray;

    // Creates the graphic control `name` on the form, 13 x 13 at 0,0, not lit.
    TSerialCustomStatusLight(Form& form, std::string name);
    virtual ~TSerialCustomStatusLight();
    TSerialCustomStatusLight(const TSerialCustomStatusLight&) = delete;
    TSerialCustomStatusLight& operator=(const TSerialCustomStatusLight&) = delete;

    bool Lit() const { return lit_; }
    void setLit(bool on);                // a change repaints
    design::Rgb LitColor() const { return litColor_; }
    void setLitColor(design::Rgb c);             // repaints only if lit and without glyph
    design::Rgb NotLitColor() const { return notLitColor_; }
    void setNotLitColor(design::Rgb c);          // repaints only if not lit and without glyph
    // Two images side by side: left half = lit, right half = not lit. A
    // non-empty glyph forces the size to half its width x its height.
    const Bitmap& Glyph() const { return glyph_; }
    void setGlyph(const Bitmap& glyph);

    // Place and size; with a glyph the size requested is replaced by the
    // glyph's (the place is kept).
    void setBounds(design::Bounds b);
    design::Bounds bounds() const { return control_.bounds(); }

    // The control on the form (visibility, hint, name lookups).
    GraphicControl& control() { return control_; }
    const GraphicControl& control() const { return control_; }

    // Draws the light on `canvas` at the given size (the paint callback).
    void Paint(Canvas& canvas, int width, int height) const;

private:
    void paintPlain(Canvas& canvas, int width, int height) const;
    void paintGlyph(Canvas& canvas, int width, int height) const;

    GraphicControl& control_;
    bool lit_ = false;
    design::Rgb litColor_ = kDefaultLitColor;
    design::Rgb notLitColor_ = kDefaultNotLitColor;
    Bitmap glyph_;
};

// The light as laid on a form.
class TSerialStatusLight : public TSerialCustomStatusLight {
public:
    using TSerialCustomStatusLight::TSerialCustomStatusLight;
};

}  // namespace vos::serial
