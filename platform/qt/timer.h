#pragma once
// A periodic timer of a form. Runs from creation while enabled; each tick is
// an event of the GUI loop, passed through the guard. Intervals of a few
// milliseconds use Qt's precise timers.
#include <functional>
#include <memory>
#include <string>

namespace vos {

class Form;

class Timer {
public:
    Timer(Form& owner, std::string name, int intervalMs);
    ~Timer();
    const std::string& name() const { return name_; }
    int interval() const;
    void setInterval(int ms);
    bool enabled() const;
    void setEnabled(bool on);
    std::function<void()> onTimer;

private:
    struct Impl;
    std::string name_;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vos
