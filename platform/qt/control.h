#pragma once
// Base of the named controls laid on a Form. A control is a thin handle over a
// Qt widget; its properties (caption, visibility, place, font, colors) are the
// program's state, as the panel logic reads and writes them directly.
//
// Threading: GUI thread only. Ownership: the Form that created a control owns
// it for the Form's whole life; callers keep plain references.
// Repaints: setters only mark the control dirty; painting happens once per
// event-loop pass, after the running handler returns.
#include <cstdint>
#include <functional>
#include <string>

#include "design/types.h"

class QWidget;

namespace vos {

// Font of a control. Sizes are pixels of character height (the design is made
// at 96 pixels per inch, where 12 points = 16 pixels).
struct FontSpec {
    std::string face = "Arial";
    int pixelHeight = 11;
    bool bold = false;
    bool underline = false;
    design::Rgb color = design::colors::Black;
    constexpr bool operator==(const FontSpec&) const = default;
};

enum class MouseButton { Left, Right, Middle };

// Modifier and button state at the moment of an input event.
struct ShiftState {
    bool shift = false, ctrl = false, alt = false;
    bool left = false, right = false, middle = false;
    bool doubleClick = false;
    // The press or release comes from a finger on a touchscreen (the
    // platform turns touches into presses, see Form), not from a mouse.
    bool touch = false;
};

class Form;

class Control {
public:
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    // The control's name; also its Qt object name ("Ligne01", "Led16").
    const std::string& name() const { return name_; }
    Form& form() const { return form_; }

    int left() const;
    int top() const;
    int width() const;
    int height() const;
    design::Bounds bounds() const;
    void setLeft(int v);
    void setTop(int v);
    void setWidth(int v);
    void setHeight(int v);
    void setBounds(design::Bounds b);

    bool visible() const { return visible_; }
    void setVisible(bool v);
    void show() { setVisible(true); }
    void hide() { setVisible(false); }

    bool enabled() const { return enabled_; }
    void setEnabled(bool v);

    // Tooltip text (UTF-8). Shown on hover when not empty.
    const std::string& hint() const { return hint_; }
    void setHint(std::string utf8);
    // Asked for the tooltip just before it shows, when set: for a text that
    // follows what it describes as it is now. Its answer becomes hint().
    std::function<std::string()> onHint;

    // Z-order among the form's controls: later-created controls lie above
    // earlier ones; these move one control to the top or the bottom.
    void bringToFront();
    void sendToBack();
    // Moves this control to just below `other`, a control of the same form.
    void placeBelow(Control& other);

    // Mouse handlers of the control itself. A visible, enabled control takes
    // presses over its area for itself (they do not reach the form), whether
    // or not a handler is set. Positions are in the control's coordinates.
    std::function<void(MouseButton, ShiftState, int x, int y)> onMouseDown;
    std::function<void(MouseButton, ShiftState, int x, int y)> onMouseUp;
    std::function<void()> onClick;     // left press and release over the control
    std::function<void()> onDblClick;  // left double click

    // Scales place, size and font by num/den (the pixels-per-inch table).
    virtual void scaleBy(int num, int den);

    QWidget* widget() const { return widget_; }

protected:
    Control(Form& owner, std::string name, QWidget* widget);

private:
    Form& form_;
    std::string name_;
    QWidget* widget_;
    bool visible_ = true;
    bool enabled_ = true;
    std::string hint_;
};

}  // namespace vos
