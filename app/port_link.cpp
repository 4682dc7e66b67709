#include "app/port_link.h"

#include "app/aux_commands.h"
#include "app/form1_design.h"
#include "app/link_messages.h"
#include "app/port_link_impl.h"
#include "input/zoom.h"
#include "platform/qt/guard.h"
#include "serial/status_light.h"

namespace vos::app {

namespace {

// The main window's design settings of its port component.
void applyDesignSettings(serial::TSerialComPort& port) {
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

PortLink::PortLink(Form& form, const std::string& programFolder, Wiring wiring)
    : impl_(std::make_unique<Impl>(form, programFolder, std::move(wiring))) {
    Impl& d = *impl_;
    serial::TSerialComPort& port = d.Port;
    applyDesignSettings(port);
    // Every event of the port reaches the status lights first (RXD lights
    // for the control's bytes; the lights' own timers put them out), then
    // the panel: the receiver takes the announced bytes to the decoder, and
    // PortTriggerTimer runs the timer that has just expired again, 2 ticks.
    port.OnTriggerAvail = [this](serial::TSerialComPort& cp, std::uint16_t count) {
        impl_->SerialSLController1.TriggerAvail(cp, count);
        impl_->wiring.receiver.PortTriggerAvail(*this, count);
        impl_->checkDroppedInput();
    };
    port.OnTriggerTimer = [this](serial::TSerialComPort& cp, std::uint16_t handle) {
        impl_->SerialSLController1.TriggerTimer(cp, handle);
        cp.ArmTimerTrigger(handle, 2, true);
    };
    port.OnTriggerStatus = [this](serial::TSerialComPort& cp, std::uint16_t handle) {
        impl_->SerialSLController1.TriggerStatus(cp, handle);
    };
    port.OnLineLost = [this](serial::TSerialComPort&, int) { impl_->handle(LineEvent::Failed, 0); };
    serial::TLightSet lights;
    lights.TXDLight = &d.selection.TXDLight();
    lights.RXDLight = &d.selection.RXDLight();
    d.SerialSLController1.setLights(lights);
    d.selection.LabelNoCom().onHint = [&d] {
        const int n = configuredPort(d.line);
        return deviceHint(n, deviceTrail(d.devicePath(n)));
    };
}

PortLink::~PortLink() {
    impl_->exiting = true;
    impl_->opener.cancel();
    impl_->Port.OnLineLost = nullptr;
    impl_->selection.LabelNoCom().onHint = nullptr;
}

void PortLink::attachControls(input::Zoom& zoom, AuxCommands& aux) {
    serial::PortSelection& s = impl_->selection;
    zoom.setLinkControls(s.LabelNoCom(), s.TXDLight().control(), s.RXDLight().control(), s.OKLight().control());
    aux.setLinkControls(s.linkControls(), s.LabelNoCom());
    impl_->aux = &aux;
}

void PortLink::openAtCreation() { impl_->handle(LineEvent::Want, impl_->Port.ComNumber()); }

void PortLink::searchPorts() {
    impl_->selection.paintProgressBar();
    impl_->step([&] { impl_->selection.RechercherPorts(); });
}

// The configured port is applied; the status lights are on as soon as it is
// open.
void PortLink::startWithConfiguredPort() {
    Impl& d = *impl_;
    d.step([&] { d.selection.AppliquerPort(); });
    if (!d.selection.PortAbsent()) d.step([&] { d.SerialSLController1.setLightsActive(true); });
    d.startupOver();
}

void PortLink::closeForExit() {
    Impl& d = *impl_;
    d.exiting = true;
    d.handle(LineEvent::Stop, 0);
    if (d.Port.Open()) {
        d.Port.ClearOutput();
        d.Port.ClearInput();
    }
    d.Port.setOpen(false);
}

void PortLink::closeQuietly() noexcept {
    impl_->exiting = true;
    impl_->opener.cancel();
    impl_->closePort();
}

void PortLink::setLightsActive(bool on) {
    impl_->step([&] { impl_->SerialSLController1.setLightsActive(on); });
}

// The configuration's port number: an open port follows it (opened off the
// GUI thread); a closed one is only left on it.
void PortLink::setComNumber(std::uint16_t n) { impl_->handle(LineEvent::Configure, n); }

// The other settings go to the port as they are; a refusal is shown once.

void PortLink::setBaud(std::int32_t b) { impl_->step([&] { impl_->Port.setBaud(b); }); }
void PortLink::setBufferFull(std::uint16_t v) { impl_->step([&] { impl_->Port.setBufferFull(v); }); }
void PortLink::setBufferResume(std::uint16_t v) { impl_->step([&] { impl_->Port.setBufferResume(v); }); }
void PortLink::setOutSize(std::uint16_t v) { impl_->step([&] { impl_->Port.setOutSize(v); }); }
void PortLink::setInSize(std::uint16_t v) { impl_->step([&] { impl_->Port.setInSize(v); }); }
std::uint16_t PortLink::comNumber() const { return impl_->Port.ComNumber(); }
std::int32_t PortLink::baud() const { return impl_->Port.Baud(); }

void PortLink::SendBlock(const std::uint8_t* data, std::uint16_t len) {
    Impl& d = *impl_;
    if (d.Port.PortState() == serial::psClosed) {
        if (d.keyRefusalShown) return;
        d.keyRefusalShown = true;
        throw Error(keyNotSentText(d.Port.ComNumber(), d.line.phase == Phase::Lost));
    }
    d.Port.SendBlock(data, len);
}

bool PortLink::canSendIdle() const { return impl_->Port.canSendIdle(); }
std::uint8_t PortLink::TakeByte() { return impl_->Port.TakeByte(); }

}  // namespace vos::app
