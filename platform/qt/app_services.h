#pragma once
// Process-wide state of the application object: the error-box queue, the
// message sink, the start-up phase and the quit request. It belongs to the
// running application as QApplication does (one per process), not to any
// module. GUI thread only. Private to platform/qt.
#include <deque>
#include <functional>
#include <string>

namespace vos {

class Form;

struct AppServices {
    std::function<void(const std::string& kind, const std::string& text)> messageSink;

    // Error boxes: one at a time; errors raised while one is up wait here.
    bool errorBoxUp = false;
    std::string errorShown;
    std::deque<std::string> pendingErrors;

    // While runApplication builds the windows and runs the first show, an
    // exception there ends the program instead of being reported and ignored.
    bool startingUp = false;
    bool quitRequested = false;
    int quitStatus = 0;
    bool inEventLoop = false;

    // The first form created is the main form: closing it ends the program.
    Form* mainForm = nullptr;
};

AppServices& appServices();

}  // namespace vos
