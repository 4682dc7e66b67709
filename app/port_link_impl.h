#pragma once
// The insides of PortLink (app/port_link.h), shared by its two files:
// port_link.cpp (its surface for the main window and the wiring of the
// port's events) and port_link_line.cpp (the line's transitions carried
// out, the outcomes of the opens, the failures shown once, what the link
// controls ask).
//
// Threading: GUI thread only, but for the opener's `done`, which only posts.
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/line_state.h"
#include "app/port_link.h"
#include "platform/core/port_map.h"
#include "platform/core/serial_device.h"
#include "platform/qt/gui_handover.h"
#include "serial/core/device_opener.h"
#include "serial/port_component.h"
#include "serial/port_selection.h"
#include "serial/sl_controller.h"

namespace vos::app {

// A failure is shown once for as long as the same port fails the same way.
struct Cause {
    int com = 0;
    int code = 0;
    bool operator==(const Cause&) const = default;
};

struct PortLink::Impl final : serial::LineRequests {
    Impl(Form& form, const std::string& folder, Wiring wiring);
    ~Impl() { alive.reset(); }

    // --- the line's state: one event, its transition, its action ---
    void handle(LineEvent event, int n);
    void startOpen();
    void askForPort();
    void takeDevice();
    void unavailable();
    void watch(bool attemptAtOnce);
    void lineLost();
    void outcome(std::uint64_t ticket);
    void cancelOpen();
    void closePort() noexcept;
    void checkDroppedInput();
    void moveTo(int n);
    void show();
    void startupOver();

    // --- what the link controls ask ---
    void choosePort(int n) override;
    void chooseSpeed(std::int32_t baud) override;
    void openConfiguredPort() override;
    bool portPresent(int n) override;
    void operatorAction();
    void requestSave();

    // --- failures: each shown once per cause; held back during start-up ---
    void report(const std::exception_ptr& e);
    void showNow(const std::exception_ptr& e, const Cause& cause);
    template <class F>
    void step(F&& f) {
        try {
            f();
        } catch (...) {
            report(std::current_exception());
        }
    }
    std::string devicePath(int n) const { return devicePathForPort(folder, n); }

    Wiring wiring;
    std::string folder;
    GuiHandover handover;  // before the port and the opener: outlives both
    serial::TSerialComPort Port;
    // The selection owns the status lights: it outlives the controller,
    // whose destructor puts them out.
    serial::PortSelection selection;
    serial::TSerialSLController SerialSLController1;
    // Jobs posted to the GUI thread hold a weak reference: they do nothing
    // once the link is being destroyed (the port's close serves events).
    std::shared_ptr<Impl*> alive;
    serial::DeviceOpener opener;
    AuxCommands* aux = nullptr;  // shows the link controls when the line is down

    LineState line;
    std::uint64_t ticket = 0;                    // the opener's request in force
    int ticketPort = 0;                          // the port it opens
    std::unique_ptr<SerialDevice> device;        // opened, for TakeDevice
    std::exception_ptr failure;                  // for Unavailable
    std::optional<Cause> reported;
    std::vector<std::pair<Cause, std::exception_ptr>> heldBack;  // met during start-up
    bool startingUp = true;       // until startWithConfiguredPort() is over
    bool exiting = false;
    bool promptDeclined = false;  // no port chosen: not asked again
    bool saveOnOutcome = false;   // the operator's action: its outcome is saved
    bool savePosted = false;
    bool keyRefusalShown = false; // in this outage
    bool dropShown = false;       // since the port opened
};

}  // namespace vos::app
