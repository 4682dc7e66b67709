#include "input/zoom.h"

#include "input/command_area.h"
#include "panel/screen.h"

namespace vos {

namespace {

static_assert(kBigLayout.fontPixels == 2 * kNormalLayout.fontPixels &&
                  kBigLayout.cellWidth == 2 * kNormalLayout.cellWidth &&
                  kBigLayout.lineHeight == 2 * kNormalLayout.lineHeight &&
                  kBigLayout.stripHeight == 2 * kNormalLayout.stripHeight &&
                  kBigLayout.step == 2 * kNormalLayout.step,
              "the big screen doubles every size of the normal one");

constexpr CommandArea kZoomArea{"LabelChgtEcran", kLabelChgtEcranBounds, "Zoom",
                                "LabelChgtEcranLegende", "ZOOM", 6, 81};

Shape& createGrandeVisu(Form& form) {
    Shape& s = form.addShape("GrandeVisu");
    s.setKind(ShapeKind::Rectangle);
    s.setBrushClear(false);
    s.setBrushColor(colors::Black);
    s.setPenColor(colors::Black);
    s.setBounds(kGrandeVisuBounds);
    s.hide();
    return s;
}

}  // namespace

Zoom::Zoom(Form& form, panel::Screen& screen)
    : screen_(screen),
      grandeVisu_(createGrandeVisu(form)),
      labelChgtEcran_(createCommandArea(form, kZoomArea)),
      legende_(createCommandCaption(form, kZoomArea)) {
    // Any button switches the screen (right and middle included).
    labelChgtEcran_.onMouseDown = [this](MouseButton, ShiftState, int, int) { ChangerEcran(); };
}

void Zoom::appliquer(const ScreenLayout& l) {
    for (int n = 1; n <= 12; ++n) {
        Label& line = screen_.ligne(n);
        line.setFontPixels(l.fontPixels);
        line.setCellWidth(l.cellWidth);
        line.setHeight(l.lineHeight);
        line.setTop(l.lineFirstTop + l.step * (n - 1));
        // A line's width follows its text: 40 cells, unless the label sizes
        // itself to its caption.
        if (!line.autoSize()) line.setWidth(40 * l.cellWidth);
    }
    for (int n = 1; n <= 12; ++n) {
        Label& strip = screen_.ligneC(n);
        strip.setFontPixels(l.fontPixels);
        strip.setCellWidth(l.cellWidth);
        strip.setHeight(l.stripHeight);
        strip.setWidth(l.stripWidth);
        strip.setTop(l.stripFirstTop + l.step * (n - 1));
    }
}

void Zoom::ChangerEcran() {
    if (modeZoom_) {
        grandeVisu_.hide();
        appliquer(kNormalLayout);
        modeZoom_ = false;
    } else {
        grandeVisu_.show();
        appliquer(kBigLayout);
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

}  // namespace vos
