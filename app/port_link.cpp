#include "app/port_link.h"

#include <string>

#include "app/aux_commands.h"
#include "app/form1_design.h"
#include "input/zoom.h"
#include "platform/qt/guard.h"
#include "serial/core/serial_errors.h"
#include "serial/port_component.h"
#include "serial/port_selection.h"
#include "serial/sl_controller.h"
#include "serial/status_light.h"

namespace vos::app {

struct PortLink::Impl {
    Impl(Form& form, const std::string& folder, Hooks h)
        : hooks(std::move(h)),
          Port(folder),
          SerialSLController1(&Port),
          selection(form, Port, SerialSLController1,
                    PortSelection::Hooks{hooks.ecrireConfiguration, hooks.enDemarrage}) {}

    Hooks hooks;
    TSerialComPort Port;
    TSerialSLController SerialSLController1;
    PortSelection selection;
    // The start-up check has already shown why the port cannot be opened:
    // the open of the next start-up step fails the same way and says nothing.
    bool nonDisponibleSignale = false;
};

namespace {

// The main window's design settings of its port component.
void applyDesignSettings(TSerialComPort& port) {
    port.setComNumber(kDesignComNumber);
    port.setBaud(kDesignBaud);
    port.setOutSize(kDesignOutSize);
    port.setBufferFull(kDesignBufferFull);
    port.setBufferResume(kDesignBufferResume);
    port.setDTR(false);
    port.setRTS(true);
    port.setAutoOpen(false);
    port.setPromptForPort(true);
}

}  // namespace

PortLink::PortLink(Form& form, const std::string& programFolder, Hooks hooks)
    : impl_(std::make_unique<Impl>(form, programFolder, std::move(hooks))) {
    TSerialComPort& port = impl_->Port;
    applyDesignSettings(port);
    // PortTriggerAvail: every announced byte goes to the decoder.
    port.OnTriggerAvail = [this](TSerialComPort&, std::uint16_t count) {
        impl_->hooks.portTriggerAvail(*this, count);
    };
    // PortTriggerTimer: the timer that has just expired runs again, 2 ticks.
    port.OnTriggerTimer = [](TSerialComPort& cp, std::uint16_t handle) {
        cp.ArmTimerTrigger(handle, 2, true);
    };
    TLightSet lights;
    lights.TXDLight = &impl_->selection.TXDLight();
    lights.RXDLight = &impl_->selection.RXDLight();
    impl_->SerialSLController1.setLights(lights);
}

PortLink::~PortLink() = default;

void PortLink::attachControls(Zoom& zoom, AuxCommands& aux) {
    PortSelection& s = impl_->selection;
    zoom.setLinkControls(s.LabelNoCom(), s.TXDLight().control(), s.RXDLight().control(), s.OKLight().control());
    aux.setLinkControls(s.linkControls(), s.LabelNoCom());
}

void PortLink::openAtCreation() {
    guarded([&] { impl_->Port.setOpen(true); });
}

void PortLink::colorerBarreProgression() { impl_->selection.colorerBarreProgression(); }
void PortLink::RechercherPorts() { impl_->selection.RechercherPorts(); }
bool PortLink::PortAbsent() const { return impl_->selection.PortAbsent(); }
void PortLink::setLightsActive(bool on) { impl_->SerialSLController1.setLightsActive(on); }

// During start-up a port that is listed but cannot be opened (held by another
// program) must not end the program: the error is shown once and the port
// is reported as not available, so the operator can choose another one.
void PortLink::AppliquerPort() {
    if (!impl_->hooks.enDemarrage()) {
        impl_->selection.AppliquerPort();
        return;
    }
    try {
        impl_->selection.AppliquerPort();
    } catch (const ESerialException&) {
        reportException(std::current_exception());
        signalerNonDisponible();
    }
}

void PortLink::openPort() {
    try {
        impl_->Port.setOpen(true);
    } catch (const ESerialException&) {
        if (!impl_->hooks.enDemarrage()) throw;
        if (!impl_->nonDisponibleSignale) reportException(std::current_exception());
        signalerNonDisponible();
    }
}

void PortLink::signalerNonDisponible() {
    PortSelection& s = impl_->selection;
    s.OKLight().setLit(false);
    s.LabelNoCom().setCaption("COM" + std::to_string(impl_->Port.ComNumber()) + " NON DISPONIBLE");
    impl_->nonDisponibleSignale = true;
}

void PortLink::closeForExit() {
    TSerialComPort& port = impl_->Port;
    if (port.Open()) {
        port.ClearOutput();
        port.ClearInput();
    }
    port.setOpen(false);
}

void PortLink::closeQuietly() noexcept {
    try {
        impl_->Port.setOpen(false);
    } catch (...) {
    }
}

// A number whose device cannot be opened (unplugged adapter, port held by
// another program) leaves the port closed on that number: start-up goes on
// and the port check reports it as not available.
void PortLink::setComNumberFromConfig(std::uint16_t n) {
    try {
        impl_->Port.setComNumber(n);
    } catch (const ESerialException&) {
        closeQuietly();
    }
}

void PortLink::setBaud(std::int32_t b) { impl_->Port.setBaud(b); }
void PortLink::setBufferFull(std::uint16_t v) { impl_->Port.setBufferFull(v); }
void PortLink::setBufferResume(std::uint16_t v) { impl_->Port.setBufferResume(v); }
void PortLink::setOutSize(std::uint16_t v) { impl_->Port.setOutSize(v); }
void PortLink::setInSize(std::uint16_t v) { impl_->Port.setInSize(v); }
std::uint16_t PortLink::comNumber() const { return impl_->Port.ComNumber(); }
std::int32_t PortLink::baud() const { return impl_->Port.Baud(); }

void PortLink::SendBlock(const std::uint8_t* data, std::uint16_t len) { impl_->Port.SendBlock(data, len); }
bool PortLink::canSendIdle() const { return impl_->Port.canSendIdle(); }
std::uint8_t PortLink::TakeByte() { return impl_->Port.TakeByte(); }

TSerialComPort& PortLink::port() { return impl_->Port; }
TSerialSLController& PortLink::controller() { return impl_->SerialSLController1; }
PortSelection& PortLink::selection() { return impl_->selection; }

}  // namespace vos::app
