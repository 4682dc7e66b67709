// The line's transitions carried out (app/line_state.h has the table), the
// outcomes of the opens made off the GUI thread, the failures shown once,
// and what the link controls ask of the line.
#include <filesystem>
#include <system_error>

#include "app/aux_commands.h"
#include "app/link_messages.h"
#include "app/port_link_impl.h"
#include "platform/core/net_address.h"
#include "platform/qt/guard.h"
#include "platform/qt/timer.h"
#include "serial/core/port_availability.h"
#include "serial/core/serial_errors.h"

namespace vos::app {

namespace {

// The error the port component raises for a device open that failed with `code`.
std::exception_ptr openFailure(int code) { return serial::exceptionForCode(serial::openFailureCode(code)); }

}  // namespace

PortLink::Impl::Impl(Form& form, const std::string& f, Wiring w)
    : wiring(std::move(w)),
      folder(f),
      Port(folder, &handover),
      selection(form, Port, *this),
      SerialSLController1(&Port),
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
        cancelOpen();
        watch(true);
        break;
    case LineAction::Watch:
        watch(true);
        break;
    case LineAction::LineLost:
        lineLost();
        break;
    case LineAction::Renumber:
        cancelOpen();
        moveTo(line.port);
        break;
    case LineAction::Stop:
        cancelOpen();
        break;
    }
    show();
}

// The configured port is left as it is until the outcome, unless the open
// is for the configured port itself (the configuration, the operator's
// answer): the port component then moves to it at once.
void PortLink::Impl::startOpen() {
    if (!line.choice && Port.ComNumber() != line.port) moveTo(line.port);
    cancelOpen();
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

void PortLink::Impl::cancelOpen() {
    opener.cancel();
    ticket = 0;
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
    if (line.phase == Phase::Closed && configured != 0) {
        handle(LineEvent::Await, configured);
    } else {
        watch(true);
        show();
    }
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

// The port being opened is not tested (the test would take the device from
// under the open, which would then fail as held): it is present when its
// device is there at all.
bool PortLink::Impl::portPresent(int n) {
    if (line.phase == Phase::Opening && line.port == n && opener.busy()) {
        const std::string path = devicePath(n);
        std::error_code ec;
        return std::filesystem::exists(path, ec) || networkAddress(path).has_value();
    }
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

}  // namespace vos::app
