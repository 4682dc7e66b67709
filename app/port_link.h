#pragma once
// The main window's link to the control: the port component `Port`, the
// status-light controller, the link controls and the port search, and the
// line's state (app/line_state.h) that decides what happens to them. It is
// the panel's byte source (TakeByte inside a data-available event) and the
// keyboard's byte sink (SendBlock of one key code).
//
// Every open of the port runs off the GUI thread (serial/core/
// device_opener.h): at start-up, for the operator's choice of a port, for
// PORTS or a speed change, and to reconnect; the opened device is handed to
// the port component on the GUI thread. So a slow or hung device never
// freezes the panel, and a port that works goes on working while another is
// being opened. A port that cannot be opened, or whose line fails, never
// ends the panel: the failure is shown once per cause, the link controls say
// so ("COM1 NON DISPONIBLE", "COM1 LIAISON PERDUE", OK red), and the port is
// opened again by itself as soon as its device opens.
//
// Threading: GUI thread only. Ownership: owned by the main window; the
// controls it creates belong to the Form; the receiver, the idle timer and
// the save callback must outlive it.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/config_file.h"
#include "input/keyboard.h"
#include "panel/receiver.h"

namespace vos {
class Form;
class Timer;
}  // namespace vos
namespace vos::input {
class Zoom;
}  // namespace vos::input

namespace vos::app {

class AuxCommands;

class PortLink : public input::ByteSink, public panel::ByteSource, public ConfigPortTarget {
public:
    // What the link needs of the main window besides its form: the receiver
    // of the control's bytes; the idle timer, which rests while no port is
    // open (500 wake-ups a second are most of an idle panel's cost); and the
    // save of the configuration file after the operator changed the port or
    // the speed (it does nothing during start-up).
    struct Wiring {
        panel::Receiver& receiver;
        Timer& idleTimer;
        std::function<void()> saveSettings;
    };

    // Creates the port with the main window's design settings (port 1, 9600
    // baud, output ring 256, thresholds 248/10, DTR off, RTS on), the
    // controller, the link controls and the progress window.
    PortLink(Form& form, const std::string& programFolder, Wiring wiring);
    ~PortLink() override;

    // Hands the link controls to the modules that show, hide or read them.
    void attachControls(input::Zoom& zoom, AuxCommands& aux);

    // --- start-up, in this order; none raises for a failure of the port ---
    // The design settings mark the port to be opened once the window exists.
    void openAtCreation();
    // The progress window's colors, then the search over ports 1..255.
    void searchPorts();
    // After the configuration is read: applies the configured port (opened
    // if the search found it, watched if not). From then on a failure is
    // shown as it happens; one met during start-up is shown now, if it is
    // about the port that is configured in the end.
    void startWithConfiguredPort();

    // Close sequence: buffers discarded when open, then the port closed.
    void closeForExit();
    // Closes without clearing (start-up gave up); never throws.
    void closeQuietly() noexcept;
    // The status lights on or off (the close sequence turns them off).
    void setLightsActive(bool on);

    // ConfigPortTarget: the settings of the configuration file, straight to
    // the port; none raises for a failure of the port, each is shown once.
    // A new port number is opened off the GUI thread.
    void setComNumber(std::uint16_t n) override;
    void setBaud(std::int32_t b) override;
    void setBufferFull(std::uint16_t v) override;
    void setBufferResume(std::uint16_t v) override;
    void setOutSize(std::uint16_t v) override;
    void setInSize(std::uint16_t v) override;
    std::uint16_t comNumber() const override;
    std::int32_t baud() const override;

    // ByteSink (the keyboard) and ByteSource (the receiver). While the port
    // is not open, the first key of each outage raises one French message
    // (the key is not sent); the next ones are dropped without a box.
    void SendBlock(const std::uint8_t* data, std::uint16_t len) override;
    bool canSendIdle() const override;
    std::uint8_t TakeByte() override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vos::app
