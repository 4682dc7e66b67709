#include "app/port_link.h"

#include <optional>
#include <string>

#include "app/aux_commands.h"
#include "app/form1_design.h"
#include "app/link_messages.h"
#include "input/zoom.h"
#include "platform/core/port_map.h"
#include "platform/qt/guard.h"
#include "platform/qt/gui_handover.h"
#include "serial/core/port_watch.h"
#include "serial/core/serial_errors.h"
#include "serial/port_component.h"
#include "serial/port_selection.h"
#include "serial/sl_controller.h"
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

// A failure is shown once for as long as the same port fails the same way.
struct Cause {
    int com = 0;
    int code = 0;
    bool operator==(const Cause&) const = default;
};

}  // namespace

struct PortLink::Impl {
    Impl(Form& form, const std::string& folder, Hooks h);
    ~Impl() { alive.reset(); }

    void opened();
    void closed();
    void lineLost();
    void failed(const std::exception_ptr& e);
    void showDown();
    void updateHint();
    void tellPortOpen() {
        if (hooks.portOpen) hooks.portOpen(Port.Open());
    }
    template <class F>
    void step(F&& f) {
        try {
            f();
        } catch (...) {
            failed(std::current_exception());
        }
    }
    void aroundHandler(const std::function<void()>& handler);
    void afterAction();
    void rearm();
    void cancelWatch();
    void reconnect(std::uint64_t ticket);
    std::string devicePath() const { return devicePathForPort(folder, Port.ComNumber()); }

    Hooks hooks;
    std::string folder;
    GuiHandover handover;  // before the port and the watch: outlives both
    serial::TSerialComPort Port;
    serial::TSerialSLController SerialSLController1;
    serial::PortSelection selection;
    // Jobs posted to the GUI thread hold a weak reference: they do nothing
    // once the link is being destroyed (the port's close serves events).
    std::shared_ptr<Impl*> alive;
    serial::PortWatch watch;  // its thread ends before the port and the hand-over go
    AuxCommands* aux = nullptr;  // shows the link controls when the line is down

    LineState state = LineState::Unavailable;
    int lostCom = 0;           // the port whose line was lost (state Lost)
    std::uint64_t ticket = 0;  // of the running watch, 0 when none
    std::string watchedPath;
    std::optional<Cause> reported;
    bool keyRefusalShown = false;  // in this outage
    bool promptCancelled = false;  // the choice of a port was declined
    bool startingUp = true;        // until startupFinished()
    bool exiting = false;
};

PortLink::Impl::Impl(Form& form, const std::string& f, Hooks h)
    : hooks(std::move(h)),
      folder(f),
      Port(folder, &handover),
      SerialSLController1(&Port),
      selection(form, Port, SerialSLController1,
                serial::PortSelection::Hooks{hooks.ecrireConfiguration, hooks.enDemarrage,
                                     [this](const std::function<void()>& handler) { aroundHandler(handler); }}),
      alive(std::make_shared<Impl*>(this)),
      watch([this, weak = std::weak_ptr<Impl*>(alive)](std::uint64_t t) {
          // Watch thread: only hand the news to the GUI thread (outside the
          // job sequence: a failed open closes and waits for threads).
          handover.postOutside([weak, t] {
              if (auto p = weak.lock()) (*p)->reconnect(t);
          });
      }) {}

void PortLink::Impl::opened() {
    state = LineState::Up;
    reported.reset();
    keyRefusalShown = false;
    cancelWatch();
    updateHint();
    tellPortOpen();
}

void PortLink::Impl::closed() {
    if (state == LineState::Up) state = LineState::Unavailable;
    keyRefusalShown = false;
    tellPortOpen();
}

// The link controls come up by themselves: hidden, the lost line would look
// like a healthy one (the control's last page stays on the screen).
void PortLink::Impl::lineLost() {
    state = LineState::Lost;
    lostCom = Port.ComNumber();
    keyRefusalShown = false;
    if (aux) aux->showLinkControls();
    selection.showLinkState(lineLostText(Port.ComNumber()), false);
    updateHint();
    rearm();
}

// A failure of the port itself (opening it, a setting on it): one box per
// cause; any other error is shown each time.
void PortLink::Impl::failed(const std::exception_ptr& e) {
    const int code = failureCode(e);
    if (code == serial::kNoPortSelected) promptCancelled = true;
    const Cause cause{Port.ComNumber(), code};
    if (code == 0 || reported != cause) {
        if (code != 0) reported = cause;
        reportException(openFailureForOperator(e, cause.com, deviceTrail(devicePath())));
    }
    showDown();
}

// Another port chosen since the loss is merely not available.
void PortLink::Impl::showDown() {
    if (Port.Open()) return;
    if (state == LineState::Up || (state == LineState::Lost && Port.ComNumber() != lostCom))
        state = LineState::Unavailable;
    const int n = Port.ComNumber();
    selection.showLinkState(state == LineState::Lost ? lineLostText(n) : notAvailableText(n), false);
    updateHint();
}

void PortLink::Impl::updateHint() {
    const int n = Port.ComNumber();
    const std::string path = devicePath();
    selection.LabelNoCom().setHint(deviceHint(n, path.empty() ? DeviceTrail{} : deviceTrail(path)));
}

// An operator's action on the link controls. The watch lets go of the device
// first (the action may open it); a failure is shown once.
void PortLink::Impl::aroundHandler(const std::function<void()>& handler) {
    cancelWatch();
    reported.reset();
    if (Port.ComNumber() != 0) promptCancelled = false;
    step(handler);
    afterAction();
}

void PortLink::Impl::afterAction() {
    if (!Port.Open()) showDown();
    updateHint();
    tellPortOpen();
    rearm();
}

// Watches the configured port while it is closed and has a device.
void PortLink::Impl::rearm() {
    if (startingUp || exiting) return;
    const std::string path = devicePath();
    if (Port.Open() || Port.PortState() != serial::psClosed || path.empty()) {
        cancelWatch();
        return;
    }
    if (ticket != 0 && watch.watching() && path == watchedPath) return;
    watchedPath = path;
    ticket = watch.watch(path);
}

void PortLink::Impl::cancelWatch() {
    watch.cancel();
    ticket = 0;
}

// The watch opened the port's device: the port takes it over. A failure here
// (the device went again, a setting refused) only restarts the watch.
void PortLink::Impl::reconnect(std::uint64_t t) {
    std::unique_ptr<SerialDevice> device = watch.take(t);
    if (!device || t != ticket) return;
    ticket = 0;
    if (startingUp || exiting || Port.PortState() != serial::psClosed || devicePath() != watchedPath) return;
    try {
        Port.openOn(std::move(device));
    } catch (...) {
    }
    if (!Port.Open()) {
        rearm();
        return;
    }
    const int n = Port.ComNumber();
    selection.addFoundPort(n);
    selection.showLinkState(openText(n, Port.Baud()), true);
    step([&] { SerialSLController1.setLightsActive(true); });
}

PortLink::PortLink(Form& form, const std::string& programFolder, Hooks hooks)
    : impl_(std::make_unique<Impl>(form, programFolder, std::move(hooks))) {
    serial::TSerialComPort& port = impl_->Port;
    applyDesignSettings(port);
    // PortTriggerAvail: every announced byte goes to the decoder.
    port.OnTriggerAvail = [this](serial::TSerialComPort&, std::uint16_t count) {
        impl_->hooks.portTriggerAvail(*this, count);
    };
    // PortTriggerTimer: the timer that has just expired runs again, 2 ticks.
    port.OnTriggerTimer = [](serial::TSerialComPort& cp, std::uint16_t handle) {
        cp.ArmTimerTrigger(handle, 2, true);
    };
    port.OnLineLost = [this](serial::TSerialComPort&, int) { impl_->lineLost(); };
    port.AddUserNotification(impl_.get(), [this](bool opened) {
        if (opened)
            impl_->opened();
        else
            impl_->closed();
    });
    serial::TLightSet lights;
    lights.TXDLight = &impl_->selection.TXDLight();
    lights.RXDLight = &impl_->selection.RXDLight();
    impl_->SerialSLController1.setLights(lights);
}

PortLink::~PortLink() {
    impl_->exiting = true;
    impl_->cancelWatch();
    impl_->Port.RemoveUserNotification(impl_.get());
    impl_->Port.OnLineLost = nullptr;
}

void PortLink::attachControls(input::Zoom& zoom, AuxCommands& aux) {
    serial::PortSelection& s = impl_->selection;
    zoom.setLinkControls(s.LabelNoCom(), s.TXDLight().control(), s.RXDLight().control(), s.OKLight().control());
    aux.setLinkControls(s.linkControls(), s.LabelNoCom());
    impl_->aux = &aux;
}

void PortLink::openAtCreation() {
    impl_->step([&] { impl_->Port.setOpen(true); });
}

void PortLink::paintProgressBar() { impl_->selection.paintProgressBar(); }
void PortLink::RechercherPorts() { impl_->step([&] { impl_->selection.RechercherPorts(); }); }
bool PortLink::PortAbsent() const { return impl_->selection.PortAbsent(); }

void PortLink::setLightsActive(bool on) {
    impl_->step([&] { impl_->SerialSLController1.setLightsActive(on); });
}

void PortLink::AppliquerPort() {
    impl_->step([&] { impl_->selection.AppliquerPort(); });
}

// A choice of port already declined at this start-up is not asked again.
void PortLink::openPort() {
    if (impl_->Port.ComNumber() == 0 && impl_->promptCancelled) return;
    impl_->step([&] { impl_->Port.setOpen(true); });
}

// A panel that starts without its line shows why at once.
void PortLink::startupFinished() {
    impl_->startingUp = false;
    impl_->afterAction();
    if (!impl_->Port.Open() && impl_->aux) impl_->aux->showLinkControls();
}

void PortLink::closeForExit() {
    impl_->exiting = true;
    impl_->cancelWatch();
    serial::TSerialComPort& port = impl_->Port;
    if (port.Open()) {
        port.ClearOutput();
        port.ClearInput();
    }
    port.setOpen(false);
}

void PortLink::closeQuietly() noexcept {
    impl_->exiting = true;
    impl_->cancelWatch();
    try {
        impl_->Port.setOpen(false);
    } catch (...) {
    }
}

// A number whose device cannot be opened (unplugged adapter, port held by
// another program, not a terminal) leaves the port closed on that number:
// start-up goes on and the port check reports it as not available. Only a
// declined choice of port (number 0) is told here.
void PortLink::setComNumber(std::uint16_t n) {
    try {
        impl_->Port.setComNumber(n);
    } catch (...) {
        if (failureCode(std::current_exception()) == serial::kNoPortSelected)
            impl_->failed(std::current_exception());
        try {
            impl_->Port.setOpen(false);
        } catch (...) {
        }
    }
}

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
        throw Error(keyNotSentText(d.Port.ComNumber(), d.state == LineState::Lost && d.lostCom == d.Port.ComNumber()));
    }
    d.Port.SendBlock(data, len);
}

bool PortLink::canSendIdle() const { return impl_->Port.canSendIdle(); }
std::uint8_t PortLink::TakeByte() { return impl_->Port.TakeByte(); }

PortLink::LineState PortLink::lineState() const { return impl_->state; }
serial::TSerialComPort& PortLink::port() { return impl_->Port; }
serial::TSerialSLController& PortLink::controller() { return impl_->SerialSLController1; }
serial::PortSelection& PortLink::selection() { return impl_->selection; }
serial::PortWatch& PortLink::watch() { return impl_->watch; }

}  // namespace vos::app
