#pragma once
// The main window's link to the control: the port component `Port`, the
// status-light controller, the link controls and the port search, glued to
// the panel. It is the panel's byte source (TakeByte inside a data-available
// event) and the keyboard's byte sink (SendBlock of one key code).
//
// It keeps the configured port open for as long as the program runs: a port
// that cannot be opened (absent, held by another program, no permission, not
// a terminal, any system error) or whose line fails while open (hang-up,
// adapter pulled out, read or write error) never ends or freezes the panel.
// The failure is shown once per cause, the link controls say so ("COM1 NON
// DISPONIBLE", "COM1 LIAISON PERDUE", OK red, TXD and RXD dark), and the
// port is opened again by itself as soon as its device opens, without any
// box: the device is watched and opened on a thread of its own (PortWatch),
// so no open() ever blocks the GUI thread on the way back.
//
// Threading: GUI thread only. Ownership: owned by the main window; the
// controls it creates belong to the Form.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/config_file.h"
#include "input/keyboard.h"
#include "panel/receiver.h"

namespace vos {
class Form;
}  // namespace vos
namespace vos::input {
class Zoom;
}  // namespace vos::input
namespace vos::serial {
class TSerialComPort;
class TSerialSLController;
class PortSelection;
class PortWatch;
}  // namespace vos::serial

namespace vos::app {

class AuxCommands;

class PortLink : public input::ByteSink, public panel::ByteSource, public ConfigPortTarget {
public:
    struct Hooks {
        // The data-available event, after the controller's own work.
        std::function<void(panel::ByteSource&, std::uint16_t count)> portTriggerAvail;
        std::function<void()> ecrireConfiguration;
        std::function<bool()> enDemarrage;
        // Told whether the port is open, whenever that may have changed: the
        // idle timer, which has nothing to send without a port, then rests
        // (500 wake-ups a second are most of an idle panel's cost).
        std::function<void(bool open)> portOpen;
    };

    // What the link controls show of the configured port.
    enum class LineState {
        Up,           // open
        Unavailable,  // not open: it could not be opened, or was closed
        Lost,         // its line failed while open
    };

    // Creates the port with the main window's design settings (port 1, 9600
    // baud, output ring 256, thresholds 248/10, DTR off, RTS on), the
    // controller, the link controls and the progress window.
    PortLink(Form& form, const std::string& programFolder, Hooks hooks);
    ~PortLink() override;

    // Hands the link controls to the modules that show, hide or read them.
    void attachControls(input::Zoom& zoom, AuxCommands& aux);

    // --- start-up: none of these raises for a failure of the port; each
    //     shows it once per cause (port number and failure) ---
    // Opens with the design settings.
    void openAtCreation();
    void paintProgressBar();
    void RechercherPorts();
    void AppliquerPort();
    bool PortAbsent() const;
    void setLightsActive(bool on);
    void openPort();
    // The start-up sequence is over: from now on a configured port that is
    // not open is watched and opened as soon as it can be.
    void startupFinished();

    // Close sequence: buffers discarded when open, then the port closed.
    void closeForExit();
    // Closes without clearing (start-up gave up); never throws.
    void closeQuietly() noexcept;

    // ConfigPortTarget: the settings of the configuration file, straight to
    // the port; none raises for a failure of the port. A port number whose
    // device cannot be opened leaves the port closed on that number instead
    // of failing the start-up, so the operator can still choose another port
    // (only a declined choice of port is shown); any other refused setting
    // is shown once per cause.
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

    LineState lineState() const;
    serial::TSerialComPort& port();
    serial::TSerialSLController& controller();
    serial::PortSelection& selection();
    serial::PortWatch& watch();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vos::app
