#pragma once
// A top-level window holding named controls, with the event vocabulary the
// program is written against (create/show/activate/close, key-down with
// virtual-key codes and key preview, translated characters, mouse press and
// release with the Shift state, non-client hit test for dragging).
//
// Threading: GUI thread only. Every callback runs through the guard
// (platform/qt/guard.h): an exception that escapes it is shown in the error
// box and the loop goes on with the next event.
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/qt/control.h"
#include "platform/qt/graphic_control.h"  // Bitmap, returned by grab()
#include "platform/qt/timer.h"            // Timer, returned by addTimer()

namespace vos {

class Label;
class Shape;
class Picture;
class ComboBox;
class ProgressBar;
class Button;
class CheckBox;
class GraphicControl;
class Timer;
class Bitmap;

// How a modal run of a form ended (showModal).
enum class ModalResult { None, Ok, Cancel, Abort };

enum class FormStyle {
    Borderless,  // no frame, no caption bar (the panel)
    Single,      // single border with only the system menu (progress window)
    Dialog       // dialog border (selection dialog)
};

// Windows virtual-key codes used by the key handlers. The platform maps the
// physical keys to these, whatever the keyboard layout.
namespace vk {
inline constexpr std::uint16_t Back = 0x08, Tab = 0x09, Return = 0x0D, Escape = 0x1B,
    Space = 0x20, Left = 0x25, Up = 0x26, Right = 0x27, Down = 0x28, Execute = 0x2B,
    Insert = 0x2D, Delete = 0x2E, F1 = 0x70, F10 = 0x79, F11 = 0x7A, F12 = 0x7B;
}

class Form {
public:
    Form(std::string name, FormStyle style);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const std::string& name() const { return name_; }

    // --- controls, owned by the form; created in z-order (later = above) ---
    Label& addLabel(std::string name);
    Shape& addShape(std::string name);
    Picture& addPicture(std::string name);
    ComboBox& addComboBox(std::string name);
    ProgressBar& addProgressBar(std::string name);
    Button& addButton(std::string name);
    CheckBox& addCheckBox(std::string name);
    GraphicControl& addGraphic(std::string name);
    Timer& addTimer(std::string name, int intervalMs);
    // nullptr when no control has that name.
    Control* find(const std::string& name) const;
    const std::vector<Control*>& controls() const;

    // --- window ---
    void setCaption(const std::string& utf8);
    std::string caption() const;
    void setClientSize(int width, int height);
    int clientWidth() const;
    int clientHeight() const;
    void setColor(design::Rgb background);
    void setFont(const FontSpec& f);   // default font of new controls
    int left() const;                  // screen position of the client area
    int top() const;
    void moveTo(int left, int top);
    void show();
    void hide();
    bool visible() const;
    void close();                      // runs onClose, then closes
    // Runs onClose if the form was shown and is neither closing nor closed,
    // without closing the window or serving any event: for a process that
    // ends without coming back through the event loop (session_end.h).
    void closeAtExit();
    void minimize();
    bool isActive() const;
    void activate();
    // Paints the window now (progress window during a long search).
    void repaintNow();
    // Shows the window and waits, at most timeoutMs, serving pending events
    // but the user's, until the window system has it on screen; then paints
    // it. For a window that stays up during a long task on the GUI thread
    // (the port search): without the wait, a window mapped but not yet
    // exposed drops the explicit repaints, and stays blank to the end.
    void showOnScreen(int timeoutMs = 1000);
    // The pixels per inch of the screen the window is on, counted in the
    // screen's own (device) pixels: the density the desktop is set to (96 on
    // a standard screen, 120 at 125 %, 192 at 200 %), whether the platform
    // scales the window itself by it (device pixel ratio) or not.
    int pixelsPerInch() const;
    // The ratio of the screen's device pixels to the window's pixels, which
    // every place and size of the controls is counted in (1, 1.25, 2...).
    double devicePixelRatio() const;
    // Scales every control's place, size and font, and the client size, by
    // num/den. Successive calls compose.
    void scaleBy(int num, int den);
    // Scales so that the composed factor becomes num/den (from what scaleBy
    // has done so far). Going up and back down gives the same places and
    // sizes back, since each step rounds from the present ones.
    void scaleTo(int num, int den);
    // What scaleBy has done so far: a design length in the window's pixels
    // (rounded as the controls' places were), and a point of the client
    // area back in design pixels (rounded down, so a design rectangle's
    // pixels are exactly the client pixels that map into it).
    int scaled(int designPixels) const;
    std::pair<int, int> toDesign(int x, int y) const;
    // Size of the screen the window is on, in the window's pixels.
    int screenWidth() const;
    int screenHeight() const;
    // The part of that screen that windows may use (without the desktop's
    // panels), in the window's pixels.
    design::Bounds availableArea() const;
    // Full screen: the window covers its whole screen on a ground of the
    // form's color, the client area (the size setClientSize gave it)
    // centred in it, and moveTo does nothing; off, the window is the client
    // area again, where it was. Kept across hide and show (a first show
    // shows it so). Presses in the margins reach the mouse handlers outside
    // the client area; none starts a drag.
    void setFullScreen(bool on);
    bool fullScreen() const;
    // The pointer's position in client coordinates: inside a mouse handler,
    // where that press or release happened; elsewhere, where it is now.
    std::pair<int, int> cursorPos() const;
    // Renders the whole client area (controls included) into an image, in
    // the screen's device pixels (the client size times devicePixelRatio).
    Bitmap grab() const;

    // Shows the form as an application-modal window and serves events until
    // setModalResult() gives a result other than None or the window is
    // closed (Cancel). Returns that result; the form is hidden again.
    ModalResult showModal();
    // Ends a running showModal() with `r` (None does nothing).
    void setModalResult(ModalResult r);

    // Key preview: the form's key handlers see every key before the child
    // control that has the focus, which still receives it afterwards.
    void setKeyPreview(bool on);

    // --- events ---
    std::function<void()> onShow;       // first show, before the window appears
    // The form became the active window of the program. For the main form,
    // raised after its first show and when the focus comes back to it from
    // another window of this program (a message box, a dialog), NOT when the
    // user comes back from another application.
    std::function<void()> onActivate;
    std::function<void()> onClose;      // the window is closing
    std::function<void(std::uint16_t vkey, ShiftState)> onKeyDown;  // auto-repeat included
    // Translated character (Latin-1); also each character that a dead key,
    // a compose sequence or an input method produces. Not raised for chords
    // with Ctrl.
    std::function<void(std::uint8_t ch)> onKeyPress;
    // Presses on the form's own surface (or a disabled picture). The window
    // keeps the mouse after a press, so the release arrives wherever it is.
    std::function<void(MouseButton, ShiftState, int x, int y)> onMouseDown;
    std::function<void(MouseButton, ShiftState, int x, int y)> onMouseUp;
    // Non-client hit test: true = "caption" (a press there drags the window
    // through the window system and does not reach the mouse handlers).
    std::function<bool(int x, int y)> onNcHitTest;

    // The Qt top-level widget whose area is the client area (tests, checks).
    QWidget* window() const;

    struct Impl;
    Impl& impl() const { return *impl_; }

private:
    void runCloseHandler();

    std::string name_;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vos
