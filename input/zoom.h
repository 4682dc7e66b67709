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
#include "design/screen.h"
#include "platform/qt/form.h"
#include "platform/qt/label.h"
#include "platform/qt/shape.h"

namespace vos::panel {
class Screen;
}

namespace vos::input {

class Zoom {
public:
    // Creates GrandeVisu (hidden), LabelChgtEcran and its caption "ZOOM".
    Zoom(Form& form, panel::Screen& screen);

    // Switches between the normal and the big screen; only the layout of the
    // lines and strips changes, never their text, visibility or the cursor.
    void ChangerEcran();
    bool ModeZoom() const { return modeZoom_; }
    // Lays the lines and strips out again for the window's present scale
    // (after the window was scaled), in the present mode.
    void relayout();

    // Tick of the 300-ms timer: the cursor blink, then the status lights
    // hidden while LabelNoCom is hidden (once setLinkControls was called).
    void Timer3Timer();
    void setLinkControls(const Control& labelNoCom, Control& txd, Control& rxd, Control& ok);

    Shape& grandeVisu() { return grandeVisu_; }
    Label& labelChgtEcran() { return labelChgtEcran_; }
    Label& zoomCaption() { return caption_; }

private:
    void apply(const design::ScreenLayout& layout);

    Form& form_;
    panel::Screen& screen_;
    Shape& grandeVisu_;
    Label& labelChgtEcran_;
    Label& caption_;
    bool modeZoom_ = false;
    const Control* labelNoCom_ = nullptr;
    Control* txd_ = nullptr;
    Control* rxd_ = nullptr;
    Control* ok_ = nullptr;
};

}  // namespace vos::input
