#include "tests/support/e2e/x_client.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tests/support/e2e/child_process.h"

// Last: Xlib's macros would clash with the names above.
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace vos::e2e {

namespace {

std::string joined(const std::vector<std::string>& argv) {
    std::string s;
    for (const auto& a : argv) s += (s.empty() ? "" : " ") + a;
    return s;
}

// "Position: 205,0 (screen: 0)" and "Geometry: 870x720" lines of xdotool.
WindowGeometry parseGeometry(const std::string& text) {
    WindowGeometry g;
    const auto pos = text.find("Position:");
    const auto size = text.find("Geometry:");
    if (pos == std::string::npos || size == std::string::npos ||
        std::sscanf(text.c_str() + pos, "Position: %d,%d", &g.x, &g.y) != 2 ||
        std::sscanf(text.c_str() + size, "Geometry: %dx%d", &g.width, &g.height) != 2)
        throw std::runtime_error("unexpected xdotool geometry: " + text);
    return g;
}

std::string buttonNumber(Button b) { return std::to_string(static_cast<int>(b)); }

// With VOS_E2E_TRACE set, every tool run is logged with its duration, to see
// where a slow end-to-end test spends its time.
class ToolTrace {
public:
    explicit ToolTrace(std::string what) : what_(std::move(what)) {}
    ~ToolTrace() {
        if (std::getenv("VOS_E2E_TRACE") == nullptr) return;
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count();
        std::fprintf(stderr, "e2e: %5lld ms  %s\n", static_cast<long long>(ms), what_.c_str());
    }

private:
    using Clock = std::chrono::steady_clock;
    std::string what_;
    Clock::time_point start_ = Clock::now();
};

}  // namespace

XClient::XClient(std::string display, std::string scratchDir)
    : display_(std::move(display)), scratchDir_(std::move(scratchDir)) {}

std::string XClient::xdotool(const std::vector<std::string>& args) const {
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    const ToolTrace trace(joined(argv));
    std::string out;
    const ExitStatus s = runTool(argv, environmentWith({"DISPLAY=" + display_}), &out);
    // "search" exits 1 when nothing matches: that is an answer, not a failure.
    if (!s.success() && !(args.front() == "search" && !s.signalled && s.value == 1))
        throw std::runtime_error(joined(argv) + " failed");
    return out;
}

std::vector<std::uint64_t> XClient::visibleWindows(const std::string& titleRegex) const {
    std::istringstream in(xdotool({"search", "--onlyvisible", "--name", titleRegex}));
    std::vector<std::uint64_t> ids;
    for (std::uint64_t id; in >> id;) ids.push_back(id);
    return ids;
}

WindowGeometry XClient::geometry(std::uint64_t window) const {
    return parseGeometry(xdotool({"getwindowgeometry", std::to_string(window)}));
}

void XClient::focus(std::uint64_t window) const { xdotool({"windowfocus", std::to_string(window)}); }

std::uint64_t XClient::focusedWindow() const { return std::stoull(xdotool({"getwindowfocus"})); }

void XClient::click(int x, int y, Button button) const {
    xdotool({"mousemove", std::to_string(x), std::to_string(y), "click", buttonNumber(button)});
}

void XClient::press(int x, int y, Button button) const {
    xdotool({"mousemove", std::to_string(x), std::to_string(y), "mousedown", buttonNumber(button)});
}

void XClient::release(Button button) const { xdotool({"mouseup", buttonNumber(button)}); }

void XClient::clickHolding(int x, int y, Button button, const std::string& keyName) const {
    xdotool({"mousemove", std::to_string(x), std::to_string(y), "keydown", keyName, "click", buttonNumber(button),
             "keyup", keyName});
}

void XClient::doubleClick(int x, int y, Button button) const {
    xdotool({"mousemove", std::to_string(x), std::to_string(y), "click", "--repeat", "2", "--delay", "80",
             buttonNumber(button)});
}

void XClient::key(const std::string& keyName) const { xdotool({"key", keyName}); }

void XClient::tool(const std::vector<std::string>& argv, std::string* output) const {
    const ToolTrace trace(joined(argv));
    if (!runTool(argv, environmentWith({"DISPLAY=" + display_}), output).success())
        throw std::runtime_error(joined(argv) + " failed");
}

// setxkbmap compiles the layout's keymap on the server; with extra keys, its
// printed keymap gets them at the end of its symbols section and xkbcomp
// loads that instead (the statements must start on a line of their own).
void XClient::setKeyboard(const std::string& layout, const std::string& extraKeys) {
    tool({"setxkbmap", "-display", display_, layout});
    if (extraKeys.empty()) return;
    std::string keymap;
    tool({"setxkbmap", "-display", display_, "-print", layout}, &keymap);
    const auto symbols = keymap.find("xkb_symbols");
    const auto end = symbols == std::string::npos ? symbols : keymap.find('}', symbols);
    if (end == std::string::npos) throw std::runtime_error("no symbols in the keymap of " + layout + ": " + keymap);
    keymap.insert(end, "\n" + extraKeys + "\n");
    const std::string file = scratchDir_ + "keymap-" + layout + ".xkb";
    std::ofstream(file) << keymap;
    tool({"xkbcomp", "-w", "0", file, display_});
}

QImage XClient::screenshot() {
    const std::string file = scratchDir_ + "shot-" + std::to_string(shots_++) + ".png";
    const std::vector<std::string> argv{"import", "-display", display_, "-window", "root", file};
    const ToolTrace trace(joined(argv));
    if (!runTool(argv, environmentWith({"DISPLAY=" + display_})).success())
        throw std::runtime_error(joined(argv) + " failed");
    QImage image(QString::fromStdString(file));
    if (image.isNull()) throw std::runtime_error("cannot read " + file);
    std::remove(file.c_str());
    return image.convertToFormat(QImage::Format_RGB32);
}

bool XClient::screenSaverOn() const {
    Display* d = XOpenDisplay(display_.c_str());
    if (d == nullptr) throw std::runtime_error("cannot open display " + display_);
    XScreenSaverInfo* info = XScreenSaverAllocInfo();
    const bool asked = info != nullptr && XScreenSaverQueryInfo(d, DefaultRootWindow(d), info) != 0;
    const bool on = asked && info->state == ScreenSaverOn;
    if (info != nullptr) XFree(info);
    XCloseDisplay(d);
    if (!asked) throw std::runtime_error("no screen saver extension on " + display_);
    return on;
}

void XClient::xset(const std::vector<std::string>& args) const {
    std::vector<std::string> argv{"xset", "-display", display_};
    argv.insert(argv.end(), args.begin(), args.end());
    tool(argv);
}

}  // namespace vos::e2e
