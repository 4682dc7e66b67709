#pragma once
// What an end-to-end test does on the X display, from outside the program:
// real input through the XTEST extension (xdotool), window look-ups and
// screenshots of the whole screen (ImageMagick's import).
//
// Every call runs a short tool and waits for it; a tool that fails throws
// std::runtime_error with its command line, so a broken display shows as an
// error, not as a wrong pixel.
#include <QImage>

#include <cstdint>
#include <string>
#include <vector>

namespace vos::e2e {

struct WindowGeometry {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// WheelUp and WheelDown: one notch of the mouse wheel (X buttons 4 and 5).
enum class Button { Left = 1, Middle = 2, Right = 3, WheelUp = 4, WheelDown = 5 };

class XClient {
public:
    // display: ":<n>"; scratchDir: a folder for the screenshot files.
    XClient(std::string display, std::string scratchDir);

    // Visible windows whose title matches the regular expression.
    std::vector<std::uint64_t> visibleWindows(const std::string& titleRegex) const;
    WindowGeometry geometry(std::uint64_t window) const;
    // Gives the keyboard focus to a window (as a click into another
    // application would), and tells which window has it.
    void focus(std::uint64_t window) const;
    std::uint64_t focusedWindow() const;

    // The pointer moves to (x, y) in screen pixels, then the button goes down
    // and up (click), or only down (press); release lets it go.
    void click(int x, int y, Button button) const;
    void press(int x, int y, Button button) const;
    void release(Button button) const;
    // A click with a key held (by its X key name, e.g. "shift"), and a
    // double click.
    void clickHolding(int x, int y, Button button, const std::string& keyName) const;
    void doubleClick(int x, int y, Button button) const;
    // Types one key by its X key name ("F1", "a", "Left", "Escape", "Return",
    // "dead_circumflex", "ctrl+c"); xdotool adds the Shift or AltGr that the
    // current layout needs for it.
    void key(const std::string& keyName) const;

    // Gives the display's keyboard the XKB layout `layout` (as "setxkbmap
    // <layout>" does), plus `extraKeys`, xkb_symbols statements that bind
    // keysyms the layout lacks (e.g. "key <FK13> { [ Execute ] };"). Programs
    // started afterwards see it from their first key.
    void setKeyboard(const std::string& layout, const std::string& extraKeys = {});

    // The whole screen as it is now.
    QImage screenshot();

    // Whether the X server's screen saver is active now (blanked), asked of
    // its screen saver extension; throws when the server cannot be asked.
    bool screenSaverOn() const;
    // Runs xset with these arguments on the display ("s", "2"...).
    void xset(const std::vector<std::string>& args) const;

    const std::string& display() const { return display_; }

private:
    std::string xdotool(const std::vector<std::string>& args) const;
    void tool(const std::vector<std::string>& argv, std::string* output = nullptr) const;

    std::string display_;
    std::string scratchDir_;
    int shots_ = 0;
};

}  // namespace vos::e2e
