#include "app/line_state.h"

namespace vos::app {

namespace {

LineState at(Phase phase, int port) { return LineState{phase, port, false, Phase::Closed, 0}; }

bool openingOf(const LineState& s, int n) { return s.phase == Phase::Opening && s.port == n; }

LineStep want(const LineState& s, int n) {
    if ((s.phase == Phase::Open || s.phase == Phase::Opening) && s.port == n) return {s, LineAction::None};
    if (s.phase == Phase::Opening && s.choice && s.fallbackPort == n) return {s, LineAction::None};
    return {at(Phase::Opening, n), LineAction::StartOpen};
}

// A choice in flight falls back to what its own fallback was.
LineStep choose(const LineState& s, int n) {
    if (s.phase == Phase::Opening && s.choice && n == s.fallbackPort)
        return {at(s.fallbackPhase, s.fallbackPort), LineAction::Revert};
    if (n == configuredPort(s)) return want(s, n);
    LineState next = at(Phase::Opening, n);
    next.choice = true;
    if (s.phase == Phase::Opening && s.choice) {
        next.fallbackPhase = s.fallbackPhase;
        next.fallbackPort = s.fallbackPort;
    } else {
        // The configured port being opened is watched again if the choice fails.
        next.fallbackPhase = s.phase == Phase::Opening ? Phase::Waiting : s.phase;
        next.fallbackPort = s.port;
    }
    return {next, LineAction::StartOpen};
}

LineStep absent(const LineState& s, int n) {
    if (!openingOf(s, n)) return {s, LineAction::None};
    if (s.choice) return {at(s.fallbackPhase, s.fallbackPort), LineAction::Revert};
    return {at(Phase::Waiting, n), LineAction::Unavailable};
}

LineStep failed(const LineState& s) {
    if (s.phase == Phase::Open) return {at(Phase::Lost, s.port), LineAction::LineLost};
    if (s.phase == Phase::Opening && s.choice && s.fallbackPhase == Phase::Open) {
        LineState next = s;
        next.fallbackPhase = Phase::Lost;
        return {next, LineAction::None};
    }
    return {s, LineAction::None};
}

}  // namespace

int configuredPort(const LineState& s) { return s.phase == Phase::Opening && s.choice ? s.fallbackPort : s.port; }

LineStep nextStep(const LineState& s, LineEvent event, int n) {
    const bool watched = (s.phase == Phase::Waiting || s.phase == Phase::Lost) && s.port == n;
    switch (event) {
    case LineEvent::Want:
        return want(s, n);
    case LineEvent::Choose:
        return choose(s, n);
    case LineEvent::Configure:
        if (n == configuredPort(s)) break;
        if (s.phase == Phase::Open || s.phase == Phase::Opening) return want(s, n);
        return {at(Phase::Closed, n), LineAction::Renumber};
    case LineEvent::Await:
        if (s.phase == Phase::Closed) return {at(Phase::Waiting, n), LineAction::Watch};
        break;
    case LineEvent::Opened:
        if (openingOf(s, n) || watched) return {at(Phase::Open, n), LineAction::TakeDevice};
        break;
    case LineEvent::Refused:
        if (openingOf(s, n) || (s.phase == Phase::Open && s.port == n))
            return {at(Phase::Waiting, n), LineAction::Unavailable};
        break;
    case LineEvent::Absent:
        return absent(s, n);
    case LineEvent::Failed:
        return failed(s);
    case LineEvent::Stop:
        return {at(Phase::Closed, configuredPort(s)), LineAction::Stop};
    }
    return {s, LineAction::None};
}

}  // namespace vos::app
