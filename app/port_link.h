#pragma once
// The main window's link to the control: the port component `Port`, the
// status-light controller, the link controls and the port search, glued to
// the panel. It is the panel's byte source (TakeByte inside a data-available
// event) and the keyboard's byte sink (SendBlock of one key code).
//
// Threading: GUI thread only. Ownership: owned by the main window; the
// controls it creates belong to the Form.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "input/keyboard.h"
#include "panel/receiver.h"

namespace vos {
class Form;
class Zoom;
class TSerialComPort;
class TSerialSLController;
class PortSelection;
}  // namespace vos

namespace vos::app {

class AuxCommands;

class PortLink : public ByteSink, public panel::ByteSource {
public:
    struct Hooks {
        // The data-available event, after the controller's own work.
        std::function<void(panel::ByteSource&, std::uint16_t count)> portTriggerAvail;
        std::function<void()> ecrireConfiguration;
        std::function<bool()> enDemarrage;
    };

    // Creates the port with the main window's design settings (port 1, 9600
    // baud, output ring 256, thresholds 248/10, DTR off, RTS on), the
    // controller, the link controls and the progress window.
    PortLink(Form& form, const std::string& programFolder, Hooks hooks);
    ~PortLink() override;

    // Hands the link controls to the modules that show, hide or read them.
    void attachControls(Zoom& zoom, AuxCommands& aux);

    // Opens with the design settings; a failure is shown once in the error
    // box and the port stays closed.
    void openAtCreation();
    void colorerBarreProgression();
    void RechercherPorts();
    void AppliquerPort();
    bool PortAbsent() const;
    void setLightsActive(bool on);
    void openPort();
    // Close sequence: buffers discarded when open, then the port closed.
    void closeForExit();
    // Closes without clearing (start-up gave up); never throws.
    void closeQuietly() noexcept;

    // Settings from the configuration file. A port number whose device cannot
    // be opened leaves the port closed on that number instead of failing the
    // start-up, so the operator can still choose another port.
    void setComNumberFromConfig(std::uint16_t n);
    void setBaud(std::int32_t b);
    void setBufferFull(std::uint16_t v);
    void setBufferResume(std::uint16_t v);
    void setOutSize(std::uint16_t v);
    void setInSize(std::uint16_t v);
    std::uint16_t comNumber() const;
    std::int32_t baud() const;

    // ByteSink (the keyboard) and ByteSource (the receiver).
    void SendBlock(const std::uint8_t* data, std::uint16_t len) override;
    bool canSendIdle() const override;
    std::uint8_t TakeByte() override;

    TSerialComPort& port();
    TSerialSLController& controller();
    PortSelection& selection();

private:
    void signalerNonDisponible();
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vos::app
