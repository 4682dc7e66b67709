#pragma once
// A private X server (Xvfb) on a free display number, for one test. The
// server picks the number itself (-displayfd), so tests running side by side
// never share a display. It is stopped when the object goes.
#include <memory>
#include <string>

#include "tests/support/e2e/child_process.h"

namespace vos::e2e {

class VirtualDisplay {
public:
    // Starts the server with one screen of the given size, 24-bit color and
    // 96 pixels per inch; its messages go to logFile. Throws when the server
    // does not come up within timeoutMs.
    VirtualDisplay(int width, int height, const std::string& logFile, int timeoutMs = 60000);
    ~VirtualDisplay();

    // ":<n>", the value for DISPLAY.
    const std::string& name() const { return name_; }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    int width_;
    int height_;
    std::string name_;
    std::unique_ptr<ChildProcess> server_;
};

}  // namespace vos::e2e
