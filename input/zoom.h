#pragma once
// Screen change: the character screen shown in its normal place or doubled
// over a black big screen (GrandeVisu) that hides the keys and lamps; the
// ZOOM area that switches it; and the 300-ms tick that blinks the cursor mark
// and keeps the status lights hidden while the link controls are hidden.
//
// Threading: GUI thread only. Ownership: the main window owns the Zoom; the
// controls it creates belong to the Form. The Screen is only remembered by
// the constructor (it may be built after the Zoom, since its lines lie above
// GrandeVisu); it must exist before the first ChangerEcran or Timer3Timer.
#include "panel/screen_layout.h"
#include "platform/qt/form.h"
#include "platform/qt/label.h"
#include "platform/qt/shape.h"

namespace vos::panel {
class Screen;
}

namespace vos {

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
};

// The normal layout is the screen's design layout. The big screen doubles
// the font and the line spacing; its 40 cells share the 770 pixels from the
// lines' left edge to the right edge of its black frame (19.25 pixels a
// cell, about the doubled face's own advance), so nothing of it lies over
// the right bezel (AIDE, minimise, FIN). Its strips lie under their lines
// like the normal ones, twice as high.
inline constexpr ScreenLayout kNormalLayout{panel::layout::kFontPixels,  panel::layout::kWidth,
                                            panel::layout::kLineHeight,  panel::layout::kLineTop0,
                                            panel::layout::kStripHeight, panel::layout::kStripTop0,
                                            panel::layout::kPitch};
inline constexpr ScreenLayout kBigLayout{32, 770, 36, 78, 4, 78 + 36, 44};
inline constexpr Bounds kGrandeVisuBounds{40, 49, 792, 630};
inline constexpr Bounds kLabelChgtEcranBounds{8, 53, 25, 25};

class Zoom {
public:
    // Creates GrandeVisu (hidden), LabelChgtEcran and its caption "ZOOM".
    Zoom(Form& form, panel::Screen& screen);

    // Switches between the normal and the big screen; only the layout of the
    // lines and strips changes, never their text, visibility or the cursor.
    void ChangerEcran();
    bool ModeZoom() const { return modeZoom_; }

    // Tick of the 300-ms timer: the cursor blink, then the status lights
    // hidden while LabelNoCom is hidden (once setLinkControls was called).
    void Timer3Timer();
    void setLinkControls(const Control& labelNoCom, Control& txd, Control& rxd, Control& ok);

    Shape& grandeVisu() { return grandeVisu_; }
    Label& labelChgtEcran() { return labelChgtEcran_; }
    Label& legendeZoom() { return legende_; }

private:
    void appliquer(const ScreenLayout& layout);

    Form& form_;
    panel::Screen& screen_;
    Shape& grandeVisu_;
    Label& labelChgtEcran_;
    Label& legende_;
    bool modeZoom_ = false;
    const Control* labelNoCom_ = nullptr;
    Control* txd_ = nullptr;
    Control* rxd_ = nullptr;
    Control* ok_ = nullptr;
};

}  // namespace vos
