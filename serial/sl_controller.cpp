#include "serial/sl_controller.h"

#include "serial/core/serial_codes.h"
#include "serial/core/serial_errors.h"

namespace vos::serial {

namespace {

// Modem-line bits of the status trigger's mask, per light slot.
constexpr std::uint8_t kMaskCts = 0x10;
constexpr std::uint8_t kMaskDsr = 0x20;
constexpr std::uint8_t kMaskRing = 0x04;
constexpr std::uint8_t kMaskDcd = 0x80;

void setLit(TSerialCustomStatusLight* light, bool on) {
    if (light) light->setLit(on);
}

}  // namespace

TSerialCustomSLController::TSerialCustomSLController(TSerialComPort* port) { setComPort(port); }

TSerialCustomSLController::~TSerialCustomSLController() {
    try {
        setComPort(nullptr);
    } catch (...) {
        // Deactivation only restores handlers and drops triggers; neither
        // may take the destructor down.
    }
}

void TSerialCustomSLController::setComPort(TSerialComPort* port) {
    if (port == port_) return;
    if (port_) {
        if (active_) deactivate();
        pending_ = false;
        stale_ = {};
        port_->RemoveUserNotification(this);
    }
    port_ = port;
    if (port_) port_->AddUserNotification(this, [this](bool opened) { portNotified(opened); });
}

void TSerialCustomSLController::setLights(const TLightSet& lights) { lights_ = lights; }

void TSerialCustomSLController::setLightsActive(bool v) {
    // A false on a closed port also withdraws a pending wish.
    if (v == active_ && (v || !pending_)) return;
    if (!port_) raiseForCode(kPortNotAssigned);
    if (!port_->Open()) {
        pending_ = v;
        if (v || !active_) return;
    }
    if (v)
        activate();
    else
        deactivate();
}

// Any failure drops the triggers made so far, so a failed activation leaves
// the controller inactive and the port as it was.
void TSerialCustomSLController::activate() {
    active_ = true;
    try {
        createTriggers();
        armStatusTriggers();
    } catch (...) {
        dropTriggers(handles_);
        handles_ = {};
        active_ = false;
        switchLightsOff();
        throw;
    }
    switchLightsOff();
    showModemLines();
}

void TSerialCustomSLController::createTriggers() {
    TSerialComPort& p = *port_;
    if (lights_.CTSLight || lights_.DSRLight || lights_.DCDLight || lights_.RINGLight) {
        handles_.modemStatus = p.NewStatusTrigger(kStatusModem);
        if (lights_.RINGLight) handles_.ringTimer = p.NewTimerTrigger();
    }
    if (lights_.ERRORLight) {
        handles_.lineError = p.NewStatusTrigger(kStatusLineError);
        handles_.errorTimer = p.NewTimerTrigger();
    }
    if (lights_.BREAKLight) {
        handles_.breakStatus = p.NewStatusTrigger(kStatusLineError);
        handles_.breakTimer = p.NewTimerTrigger();
    }
    if (lights_.RXDLight) handles_.rxdTimer = p.NewTimerTrigger();
    if (lights_.TXDLight) {
        handles_.outSent = p.NewStatusTrigger(kStatusOutSent);
        handles_.txdTimer = p.NewTimerTrigger();
    }
}

void TSerialCustomSLController::armStatusTriggers() {
    TSerialComPort& p = *port_;
    if (handles_.modemStatus) p.ArmStatusTrigger(handles_.modemStatus, modemMask(), true);
    if (handles_.lineError) p.ArmStatusTrigger(handles_.lineError, kErrorMask, true);
    if (handles_.breakStatus) p.ArmStatusTrigger(handles_.breakStatus, kBreakMask, true);
    if (handles_.outSent) p.ArmStatusTrigger(handles_.outSent, kOutSentValue, true);
}

void TSerialCustomSLController::deactivate() {
    active_ = false;
    // On a closed port the drop does nothing: the port keeps these triggers
    // and gives them back when it opens again.
    if (!port_->Open()) stale_ = handles_;
    dropTriggers(handles_);
    handles_ = {};
    switchLightsOff();
}

void TSerialCustomSLController::dropTriggers(const Handles& h) noexcept {
    for (std::uint16_t handle : {h.modemStatus, h.lineError, h.breakStatus, h.outSent, h.errorTimer,
                                 h.breakTimer, h.rxdTimer, h.txdTimer, h.ringTimer}) {
        if (!handle) continue;
        try {
            port_->DropTrigger(handle);
        } catch (...) {
            // A handle the port no longer knows: nothing left to drop.
        }
    }
}

void TSerialCustomSLController::switchLightsOff() {
    for (TSerialCustomStatusLight* l : {lights_.CTSLight, lights_.DSRLight, lights_.DCDLight,
                                        lights_.RINGLight, lights_.TXDLight, lights_.RXDLight,
                                        lights_.ERRORLight, lights_.BREAKLight})
        setLit(l, false);
}

void TSerialCustomSLController::showModemLines() {
    if (!port_ || !active_) return;
    if (!lights_.CTSLight && !lights_.DSRLight && !lights_.DCDLight) return;
    const std::uint8_t lines = port_->ModemLines();
    setLit(lights_.CTSLight, lines & kMaskCts);
    setLit(lights_.DSRLight, lines & kMaskDsr);
    setLit(lights_.DCDLight, lines & kMaskDcd);
}

std::uint8_t TSerialCustomSLController::modemMask() const {
    std::uint8_t m = 0;
    if (lights_.CTSLight) m |= kMaskCts;
    if (lights_.DSRLight) m |= kMaskDsr;
    if (lights_.DCDLight) m |= kMaskDcd;
    if (lights_.RINGLight) m |= kMaskRing;
    return m;
}

void TSerialCustomSLController::portNotified(bool opened) {
    if (opened) {
        const Handles stale = stale_;
        stale_ = {};
        dropTriggers(stale);
        if (pending_) {
            pending_ = false;
            setLightsActive(true);
        }
        return;
    }
    const bool wasActive = active_;
    if (active_) deactivate();
    pending_ = wasActive;
}

// Lights `light` and starts its off-timer.
void TSerialCustomSLController::lightFor(TSerialCustomStatusLight* light, std::uint16_t timer,
                                         std::uint16_t ticks) {
    setLit(light, true);
    port_->ArmTimerTrigger(timer, ticks, true);
}

void TSerialCustomSLController::TriggerAvail(TSerialComPort&, std::uint16_t) {
    if (active_ && lights_.RXDLight && !lights_.RXDLight->Lit() && handles_.rxdTimer)
        lightFor(lights_.RXDLight, handles_.rxdTimer, RXDOffTimeout);
}

void TSerialCustomSLController::TriggerStatus(TSerialComPort&, std::uint16_t TriggerHandle) {
    if (active_) onStatusTrigger(TriggerHandle);
}

void TSerialCustomSLController::TriggerTimer(TSerialComPort&, std::uint16_t TriggerHandle) {
    if (active_) onTimerTrigger(TriggerHandle);
}

bool TSerialCustomSLController::onStatusTrigger(std::uint16_t handle) {
    if (handle == 0) return false;
    TSerialComPort& p = *port_;
    if (handle == handles_.modemStatus) {
        showModemLines();
        if (lights_.RINGLight && p.RingSeen() && !lights_.RINGLight->Lit())
            lightFor(lights_.RINGLight, handles_.ringTimer, RingOffTimeout);
        p.ArmStatusTrigger(handles_.modemStatus, modemMask(), true);
    } else if (handle == handles_.lineError) {
        lightFor(lights_.ERRORLight, handles_.errorTimer, ErrorOffTimeout);
        p.LineError();
    } else if (handle == handles_.breakStatus) {
        lightFor(lights_.BREAKLight, handles_.breakTimer, BreakOffTimeout);
        p.LineBreak();
    } else if (handle == handles_.outSent) {
        lightFor(lights_.TXDLight, handles_.txdTimer, TXDOffTimeout);
    } else {
        return false;
    }
    return true;
}

bool TSerialCustomSLController::onTimerTrigger(std::uint16_t handle) {
    if (handle == 0) return false;
    TSerialComPort& p = *port_;
    if (handle == handles_.errorTimer) {
        setLit(lights_.ERRORLight, false);
        p.ArmStatusTrigger(handles_.lineError, kErrorMask, true);
    } else if (handle == handles_.breakTimer) {
        setLit(lights_.BREAKLight, false);
        p.ArmStatusTrigger(handles_.breakStatus, kBreakMask, true);
    } else if (handle == handles_.rxdTimer) {
        if (p.InputCount() != 0)
            p.ArmTimerTrigger(handles_.rxdTimer, RXDOffTimeout, true);
        else
            setLit(lights_.RXDLight, false);
    } else if (handle == handles_.txdTimer) {
        if (p.OutputCount() != 0) {
            p.ArmTimerTrigger(handles_.txdTimer, TXDOffTimeout, true);
        } else {
            setLit(lights_.TXDLight, false);
            p.ArmStatusTrigger(handles_.outSent, kOutSentValue, true);
        }
    } else if (handle == handles_.ringTimer) {
        setLit(lights_.RINGLight, false);
    } else {
        return false;
    }
    return true;
}

}  // namespace vos::serial
