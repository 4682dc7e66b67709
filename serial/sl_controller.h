#pragma once
// The status-light controller: while active it keeps timer and status
// triggers in a serial port component's dispatcher and lights the lights of
// its set from what the port reports.
//
// It does not take the port's events over: whoever wires the port's events
// gives it the three it must see (TriggerAvail, TriggerStatus,
// TriggerTimer), before the panel's own handlers, in the wiring itself. An
// inactive controller ignores them.
//
// Threading: GUI thread only, inside the port's event deliveries or in the
// callers of setLightsActive. Ownership: the main window owns the controller;
// the port and the lights are only referred to and must outlive it (or be
// detached with setComPort(nullptr) / an emptied slot first). The controller
// registers itself in the port's notification list and leaves it when
// destroyed or given another port.
#include <array>
#include <cstdint>

#include "serial/port_component.h"
#include "serial/status_light.h"

namespace vos::serial {

// The eight light slots; empty slots are null.
struct TLightSet {
    TSerialCustomStatusLight* CTSLight = nullptr;
    TSerialCustomStatusLight* DSRLight = nullptr;
    TSerialCustomStatusLight* DCDLight = nullptr;
    TSerialCustomStatusLight* RINGLight = nullptr;
    TSerialCustomStatusLight* TXDLight = nullptr;
    TSerialCustomStatusLight* RXDLight = nullptr;
    TSerialCustomStatusLight* ERRORLight = nullptr;
    TSerialCustomStatusLight* BREAKLight = nullptr;
};

class TSerialCustomSLController {
public:
    // Default time-outs in ticks of 55 ms.
    static constexpr std::uint16_t kDefaultErrorOffTimeout = 36;
    static constexpr std::uint16_t kDefaultBreakOffTimeout = 36;
    static constexpr std::uint16_t kDefaultRXDOffTimeout = 1;
    static constexpr std::uint16_t kDefaultTXDOffTimeout = 1;
    static constexpr std::uint16_t kDefaultRingOffTimeout = 8;
    // Values the status triggers are armed with.
    static constexpr std::uint32_t kErrorMask = 7;  // overrun, parity, framing
    static constexpr std::uint32_t kBreakMask = 8;  // break
    static constexpr std::uint32_t kOutSentValue = 0;

    // `port` may be null (set one later with setComPort).
    explicit TSerialCustomSLController(TSerialComPort* port = nullptr);
    // Deactivates first (the port gets its own handlers back).
    virtual ~TSerialCustomSLController();
    TSerialCustomSLController(const TSerialCustomSLController&) = delete;
    TSerialCustomSLController& operator=(const TSerialCustomSLController&) = delete;

    TSerialComPort* ComPort() const { return port_; }
    // Deactivates on the old port and leaves its notification list, then
    // registers with the new one (null = no port).
    void setComPort(TSerialComPort* port);

    const TLightSet& Lights() const { return lights_; }
    void setLights(const TLightSet& lights);

    std::uint16_t ErrorOffTimeout = kDefaultErrorOffTimeout;
    std::uint16_t BreakOffTimeout = kDefaultBreakOffTimeout;
    std::uint16_t RXDOffTimeout = kDefaultRXDOffTimeout;
    std::uint16_t TXDOffTimeout = kDefaultTXDOffTimeout;
    std::uint16_t RingOffTimeout = kDefaultRingOffTimeout;

    bool LightsActive() const { return active_; }
    // true on a closed port only records the wish (pending), fulfilled when
    // the port opens; false also cancels such a wish. Without a port:
    // EPortNotAssigned. Errors from the port's trigger services propagate
    // after the activation has been undone completely.
    void setLightsActive(bool v);
    // Activation waits for the port to open.
    bool pending() const { return pending_; }

    // The port's three events as the controller sees them, before the
    // panel's handlers: data available lights RXD; a status trigger of its
    // own lights its light; a timer trigger of its own puts its light out
    // when nothing more is waiting. Nothing while inactive.
    void TriggerAvail(TSerialComPort& CP, std::uint16_t Count);
    void TriggerStatus(TSerialComPort& CP, std::uint16_t TriggerHandle);
    void TriggerTimer(TSerialComPort& CP, std::uint16_t TriggerHandle);

    // Trigger handles while active (0 = none).
    struct Handles {
        std::uint16_t modemStatus = 0, lineError = 0, breakStatus = 0, outSent = 0;
        std::uint16_t errorTimer = 0, breakTimer = 0, rxdTimer = 0, txdTimer = 0, ringTimer = 0;
        bool operator==(const Handles&) const = default;
    };
    const Handles& handles() const { return handles_; }

private:
    void activate();
    void createTriggers();
    void armStatusTriggers();
    void deactivate();
    void dropTriggers(const Handles& h) noexcept;
    void switchLightsOff();
    void showModemLines();
    void portNotified(bool opened);
    std::uint8_t modemMask() const;
    void lightFor(TSerialCustomStatusLight* light, std::uint16_t timer, std::uint16_t ticks);
    bool onStatusTrigger(std::uint16_t handle);
    bool onTimerTrigger(std::uint16_t handle);

    TSerialComPort* port_ = nullptr;
    TLightSet lights_;
    bool active_ = false;
    bool pending_ = false;
    Handles handles_;
    // Handles of the last activation on a port that has closed since: the
    // port keeps its triggers across the close and gives them back on the
    // next open, so they are dropped then rather than left running.
    Handles stale_;
};

class TSerialSLController : public TSerialCustomSLController {
public:
    using TSerialCustomSLController::TSerialCustomSLController;
};

}  // namespace vos::serial
