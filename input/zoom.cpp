#include "input/zoom.h"

#include <algorithm>
#include <cmath>

#include "design/window.h"
#include "panel/screen.h"
#include "platform/qt/command_area.h"

namespace vos::input {

namespace {

Shape& createGrandeVisu(Form& form) {
    Shape& s = form.addShape("GrandeVisu");
    s.setKind(ShapeKind::Rectangle);
    s.setBrushClear(false);
    s.setBrushColor(design::colors::Black);
    s.setPenColor(design::colors::Black);
    s.setBounds(design::kGrandeVisuBounds);
    s.hide();
    return s;
}

}  // namespace

Zoom::Zoom(Form& form, panel::Screen& screen)
    : form_(form),
      screen_(screen),
      grandeVisu_(createGrandeVisu(form)),
      labelChgtEcran_(createCommandArea(form, design::kZoomArea)),
      caption_(createCommandCaption(form, design::kZoomArea)) {
    // Any button switches the screen (right and middle included).
    labelChgtEcran_.onMouseDown = [this](MouseButton, ShiftState, int, int) { ChangerEcran(); };
}

// Design values scaled as the window's controls are, so leaving the big
// screen gives back exactly the start-up layout. A strip is never less high
// than the layout's least height in device pixels, whatever the scale.
void Zoom::apply(const design::ScreenLayout& l) {
    const auto px = [this](int design) { return form_.scaled(design); };
    const double dpr = std::max(1.0, form_.devicePixelRatio());
    const int minStrip = static_cast<int>(std::ceil(l.stripMinDevicePixels / dpr - 1e-9));
    for (int n = 1; n <= 12; ++n) {
        Label& line = screen_.ligne(n);
        line.setFontPixels(std::max(1, px(l.fontPixels)));
        line.setHeight(px(l.lineHeight));
        line.setTop(px(l.lineFirstTop + l.step * (n - 1)));
        // A line's width follows its text: 40 cells, unless the label sizes
        // itself to its caption.
        if (!line.autoSize()) line.setWidth(px(l.width));
    }
    for (int n = 1; n <= 12; ++n) {
        Label& strip = screen_.ligneC(n);
        strip.setFontPixels(std::max(1, px(l.fontPixels)));
        strip.setHeight(std::max(px(l.stripHeight), minStrip));
        strip.setWidth(px(l.width));
        strip.setTop(px(l.stripFirstTop + l.step * (n - 1)));
    }
}

void Zoom::relayout() { apply(modeZoom_ ? design::kBigLayout : design::kNormalLayout); }

void Zoom::ChangerEcran() {
    if (modeZoom_) {
        grandeVisu_.hide();
        apply(design::kNormalLayout);
        modeZoom_ = false;
    } else {
        grandeVisu_.show();
        apply(design::kBigLayout);
        modeZoom_ = true;
    }
}

void Zoom::setLinkControls(const Control& labelNoCom, Control& txd, Control& rxd, Control& ok) {
    labelNoCom_ = &labelNoCom;
    txd_ = &txd;
    rxd_ = &rxd;
    ok_ = &ok;
}

void Zoom::Timer3Timer() {
    screen_.blink();
    if (labelNoCom_ && !labelNoCom_->visible()) {
        txd_->hide();
        rxd_->hide();
        ok_->hide();
    }
}

}  // namespace vos::input
