#include "app/port_link.h"

#include <optional>
#include <string>
#include <vector>

#include "app/aux_commands.h"
#include "app/form1_design.h"
#include "app/line_state.h"
#include "app/link_messages.h"
#include "input/zoom.h"
#include "platform/core/port_map.h"
#include "platform/qt/guard.h"
#include "platform/qt/gui_handover.h"
#include "platform/qt/timer.h"
#include "serial/core/device_opener.h"
#include "serial/core/port_availability.h"
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

// The error the port component raises for a device open that failed with `code`.
std::exception_ptr openFailure(int code) { return serial::exceptionForCode(serial::openFailureCode(code)); }

}  // namespace

struct PortLink::Impl final : serial::LineRequests {
    Impl(PortLink& owner, Form& form, const std::string& folder, Wiring wiring);
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

    PortLink& owner;
    Wiring wiring;
    std::string folder;
    GuiHandover handover;  // before the port and the opener: outlives both
    serial::TSerialComPort Port;
    serial::TSerialSLController SerialSLController1;
    serial::PortSelection selection;
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

PortLink::Impl::Impl(PortLink& o, Form& form, const std::string& f, Wiring w)
    : owner(o),
      wiring(std::move(w)),
      folder(f),
      Port(folder, &handover),
      SerialSLController1(&Port),
      selection(form, Port, *this),
      alive(std::make_shared<Impl*>(this)),
      opener([this, weak = std::weak_ptr<Impl*>(alive)](std::uint64_t t) {
          // An opener thread: only hand the news to the GUI thread (outside
          // the job sequence: taking the device may close a port and wait
          // for its threads).
          handover.postOutside([weak, t] {
              if (auto p = weak.lock()) (*p)->outcome(t);
          });
      }) {}

void PortLink::Impl::handle(LineEvent event, int n) {
    const LineStep s = nextStep(line, event, n);
    line = s.next;
    switch (s.action) {
    case LineAction::None:
        break;
    case LineAction::StartOpen:
        startOpen();
        break;
    case LineAction::TakeDevice:
        takeDevice();
        break;
    case LineAction::Unavailable:
        unavailable();
        break;
    case LineAction::Revert:
        opener.cancel();
        ticket = 0;
        watch(true);
        break;
    case LineAction::Watch:
        watch(true);
        break;
    case LineAction::LineLost:
        lineLost();
        break;
    case LineAction::Renumber:
        opener.cancel();
        ticket = 0;
        moveTo(line.port);
        break;
    case LineAction::Stop:
        opener.cancel();
        ticket = 0;
        break;
    }
    show();
}

// The configured port is left as it is until the outcome, unless the open
// is for the configured port itself (the configuration, the operator's
// answer): the port component then moves to it at once.
void PortLink::Impl::startOpen() {
    if (!line.choice && Port.ComNumber() != line.port) moveTo(line.port);
    opener.cancel();
    ticketPort = line.port;
    if (line.port == 0)
        askForPort();
    else
        ticket = opener.openOnce(devicePath(line.port));
}

// Port 0 is no port: the operator is asked for one, once; a port declined
// is not asked for again, and its failure is shown once.
void PortLink::Impl::askForPort() {
    const int chosen = !promptDeclined && Port.selectPort ? Port.selectPort() : 0;
    if (chosen > 0 && chosen <= 65535) {
        handle(LineEvent::Want, chosen);
        return;
    }
    if (!promptDeclined) failure = serial::exceptionForCode(serial::kNoPortSelected);
    promptDeclined = true;
    handle(LineEvent::Absent, 0);
}

// The port the operator or the configuration chose replaces the one open.
void PortLink::Impl::takeDevice() {
    const int n = line.port;
    if (Port.ComNumber() != n) moveTo(n);
    try {
        Port.openOn(std::move(device));
    } catch (...) {
        failure = std::current_exception();
    }
    if (!Port.Open()) {
        if (!failure) failure = openFailure(kCodeNoDevice);
        handle(LineEvent::Refused, n);  // a setting refused: the port is not usable
        return;
    }
    keyRefusalShown = false;
    dropShown = false;
    reported.reset();
    if (!startingUp) selection.addFoundPort(n);  // start-up's search lists it
    selection.selectConfigured();
    step([&] { SerialSLController1.setLightsActive(true); });
    if (saveOnOutcome) requestSave();
}

// The link controls come up by themselves: hidden, a port that is down would
// look like a healthy one.
void PortLink::Impl::unavailable() {
    if (Port.ComNumber() != line.port || Port.Open()) moveTo(line.port);
    keyRefusalShown = false;
    if (!startingUp && aux) aux->showLinkControls();
    if (failure) report(failure);
    failure = nullptr;
    // A port that exists but could not be had is the configured one now.
    if (saveOnOutcome && line.port != 0) requestSave();
    watch(false);
}

// The device is watched while its port is down, from the end of start-up on.
// Right after a failed open the first attempt waits for a change.
void PortLink::Impl::watch(bool attemptAtOnce) {
    saveOnOutcome = false;
    selection.selectConfigured();
    if (startingUp || exiting || (line.phase != Phase::Waiting && line.phase != Phase::Lost)) return;
    const std::string path = devicePath(line.port);
    if (path.empty()) return;
    ticketPort = line.port;
    ticket = opener.openWhenPresent(path, attemptAtOnce);
}

// The link controls come up by themselves: hidden, the lost line would look
// like a healthy one (the control's last page stays on the screen).
void PortLink::Impl::lineLost() {
    keyRefusalShown = false;
    if (aux) aux->showLinkControls();
    watch(true);
}

// An open finished on an opener thread: its outcome is the line's event.
void PortLink::Impl::outcome(std::uint64_t t) {
    if (t != ticket) return;
    std::optional<serial::DeviceOpener::Outcome> o = opener.take(t);
    if (!o) return;
    ticket = 0;
    if (o->code == 0) {
        device = std::move(o->device);
        handle(LineEvent::Opened, ticketPort);
        device.reset();
        return;
    }
    failure = openFailure(o->code);
    handle(serial::openCodeMeansPresent(o->code) ? LineEvent::Refused : LineEvent::Absent, ticketPort);
    failure = nullptr;
}

void PortLink::Impl::closePort() noexcept {
    try {
        Port.setOpen(false);
    } catch (...) {
    }
}

// The control sent more than the input queue holds while the GUI thread
// could not take it: told once per open, after the event (a box inside it
// would hold the deliveries back), outside the job sequence so that the
// bytes go on being shown while the box is up.
void PortLink::Impl::checkDroppedInput() {
    if (dropShown) return;
    const std::uint64_t dropped = Port.DroppedInputBytes();
    if (dropped == 0) return;
    dropShown = true;
    handover.postOutside([text = inputDroppedText(Port.ComNumber(), dropped)] { throw Error(text); });
}

// The port component is left closed on port n.
void PortLink::Impl::moveTo(int n) {
    closePort();
    step([&] { Port.setComNumber(static_cast<std::uint16_t>(n)); });
}

// The status text, the OK light and the idle timer, from the line's state.
void PortLink::Impl::show() {
    const int n = line.port;
    switch (line.phase) {
    case Phase::Open:
        selection.showLinkState(openText(n, Port.Baud()), Port.Open());
        break;
    case Phase::Opening:
        selection.showLinkState(openingText(n), false);
        break;
    case Phase::Lost:
        selection.showLinkState(lineLostText(n), false);
        break;
    case Phase::Waiting:
    case Phase::Closed:
        if (!startingUp) selection.showLinkState(notAvailableText(n), false);
        break;
    }
    wiring.idleTimer.setEnabled(Port.Open());
}

// Failures met during start-up are shown now if they are about the port
// configured in the end (the opening with the design settings may be about
// another one); a port that is not open is watched from now on.
void PortLink::Impl::startupOver() {
    startingUp = false;
    const int configured = Port.ComNumber();
    for (const auto& [cause, e] : heldBack)
        if (cause.com == configured || cause.code == 0) showNow(e, cause);
    heldBack.clear();
    if (line.phase == Phase::Closed && configured != 0)
        handle(LineEvent::Await, configured);
    else
        watch(true);
    show();
    if (line.phase != Phase::Open && line.phase != Phase::Opening && aux) aux->showLinkControls();
}

// A new action of the operator may show a failure already shown; its
// outcome is saved.
void PortLink::Impl::operatorAction() {
    reported.reset();
    saveOnOutcome = !startingUp;
}

// One save for all the changes of one action (a speed change applies the
// speed, then the port): on the next pass of the event loop.
void PortLink::Impl::requestSave() {
    saveOnOutcome = false;
    if (startingUp || savePosted || !wiring.saveSettings) return;
    savePosted = true;
    handover.post([weak = std::weak_ptr<Impl*>(alive)] {
        if (auto p = weak.lock()) {
            (*p)->savePosted = false;
            (*p)->step((*p)->wiring.saveSettings);
        }
    });
}

void PortLink::Impl::choosePort(int n) {
    operatorAction();
    if (n == configuredPort(line) && line.phase == Phase::Open) {
        openConfiguredPort();
        return;
    }
    handle(LineEvent::Choose, n);
}

// The speed is the configured one at once, open port or not.
void PortLink::Impl::chooseSpeed(std::int32_t baud) {
    operatorAction();
    step([&] { Port.setBaud(baud); });
    requestSave();
    show();
}

void PortLink::Impl::openConfiguredPort() {
    if (!startingUp) operatorAction();
    if (line.phase == Phase::Open && Port.Open()) {
        requestSave();
        show();
        return;
    }
    handle(LineEvent::Want, Port.ComNumber());
}

bool PortLink::Impl::portPresent(int n) {
    if (line.phase == Phase::Opening && line.port == n && opener.busy()) return true;
    return Port.PortAvailable(n);
}

// A failure of the port itself (opening it, a setting on it): one box per
// cause; any other error is shown each time.
void PortLink::Impl::report(const std::exception_ptr& e) {
    const Cause cause{line.port, failureCode(e)};
    if (startingUp)
        heldBack.emplace_back(cause, e);
    else
        showNow(e, cause);
}

void PortLink::Impl::showNow(const std::exception_ptr& e, const Cause& cause) {
    if (cause.code != 0 && reported == cause) return;
    if (cause.code != 0) reported = cause;
    reportException(openFailureForOperator(e, cause.com, deviceTrail(devicePath(cause.com))));
}

PortLink::PortLink(Form& form, const std::string& programFolder, Wiring wiring)
    : impl_(std::make_unique<Impl>(*this, form, programFolder, std::move(wiring))) {
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
        const std::string path = d.devicePath(n);
        return deviceHint(n, path.empty() ? DeviceTrail{} : deviceTrail(path));
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
