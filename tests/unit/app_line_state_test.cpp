// The line's state machine, transition by transition: what each event does
// in each phase, and what the owner is told to do for it.
#include <gtest/gtest.h>

#include "app/line_state.h"

namespace vos::app {
namespace {

using A = LineAction;
using E = LineEvent;
using P = Phase;

LineState at(P phase, int port) { return LineState{phase, port, false, P::Closed, 0}; }
// Opening the operator's choice `port`, the configured port being `fallback` meanwhile.
LineState choosing(int port, P fallbackPhase, int fallbackPort) {
    return LineState{P::Opening, port, true, fallbackPhase, fallbackPort};
}

struct Case {
    const char* what;
    LineState from;
    E event;
    int n;
    LineState to;
    A action;
};

const Case kCases[] = {
    {"an open is asked for", at(P::Closed, 1), E::Want, 1, at(P::Opening, 1), A::StartOpen},
    {"an open port is not opened again", at(P::Open, 1), E::Want, 1, at(P::Open, 1), A::None},
    {"one choice opens the device once", at(P::Opening, 1), E::Want, 1, at(P::Opening, 1), A::None},
    {"choosing another port keeps the open one meanwhile", at(P::Open, 1), E::Choose, 2,
     choosing(2, P::Open, 1), A::StartOpen},
    {"choosing the configured port while it waits opens it now", at(P::Waiting, 1), E::Choose, 1,
     at(P::Opening, 1), A::StartOpen},
    {"a second choice supersedes the first", choosing(2, P::Open, 1), E::Choose, 3, choosing(3, P::Open, 1),
     A::StartOpen},
    {"choosing back the configured port drops the choice", choosing(2, P::Open, 1), E::Choose, 1, at(P::Open, 1),
     A::Revert},
    {"PORTS during a choice leaves it to its outcome", choosing(2, P::Lost, 1), E::Want, 1,
     choosing(2, P::Lost, 1), A::None},
    {"a chosen port that opened replaces the open one", choosing(2, P::Open, 1), E::Opened, 2, at(P::Open, 2),
     A::TakeDevice},
    {"a chosen port that is held becomes the configured one", choosing(2, P::Open, 1), E::Refused, 2,
     at(P::Waiting, 2), A::Unavailable},
    {"a chosen port that is absent changes nothing", choosing(2, P::Open, 1), E::Absent, 2, at(P::Open, 1),
     A::Revert},
    {"the outcome of a superseded choice is stale", choosing(3, P::Open, 1), E::Opened, 2,
     choosing(3, P::Open, 1), A::None},
    {"the open port's line fails during a choice", choosing(2, P::Open, 1), E::Failed, 0, choosing(2, P::Lost, 1),
     A::None},
    {"the configured port absent is waited for", at(P::Opening, 3), E::Absent, 3, at(P::Waiting, 3),
     A::Unavailable},
    {"the line fails", at(P::Open, 1), E::Failed, 0, at(P::Lost, 1), A::LineLost},
    {"a lost port comes back", at(P::Lost, 1), E::Opened, 1, at(P::Open, 1), A::TakeDevice},
    {"a waiting port comes back", at(P::Waiting, 1), E::Opened, 1, at(P::Open, 1), A::TakeDevice},
    {"a device found for another port is stale", at(P::Waiting, 1), E::Opened, 2, at(P::Waiting, 1), A::None},
    {"a device that refuses its settings", at(P::Open, 1), E::Refused, 1, at(P::Waiting, 1), A::Unavailable},
    {"a port absent from the search is waited for", at(P::Closed, 4), E::Await, 4, at(P::Waiting, 4), A::Watch},
    {"the configuration moves an open port", at(P::Open, 1), E::Configure, 3, at(P::Opening, 3), A::StartOpen},
    {"the configuration moves a closed port", at(P::Waiting, 1), E::Configure, 3, at(P::Closed, 3),
     A::Renumber},
    {"the configuration names the open port", at(P::Open, 1), E::Configure, 1, at(P::Open, 1), A::None},
    {"the operator's answer for port 0", at(P::Opening, 0), E::Want, 5, at(P::Opening, 5), A::StartOpen},
    {"no answer for port 0", at(P::Opening, 0), E::Absent, 0, at(P::Waiting, 0), A::Unavailable},
    {"the end, while a choice is in flight", choosing(2, P::Lost, 1), E::Stop, 0, at(P::Closed, 1), A::Stop},
    {"the end of an open port", at(P::Open, 2), E::Stop, 0, at(P::Closed, 2), A::Stop},
};

TEST(LineState, EveryTransition) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        const LineStep step = nextStep(c.from, c.event, c.n);
        EXPECT_EQ(step.next, c.to);
        EXPECT_EQ(step.action, c.action);
    }
}

// While a choice is in flight the configured port is still the one it may
// fall back to; otherwise the state's own.
TEST(LineState, TheConfiguredPort) {
    EXPECT_EQ(configuredPort(choosing(2, P::Open, 1)), 1);
    EXPECT_EQ(configuredPort(at(P::Opening, 3)), 3);
    EXPECT_EQ(configuredPort(at(P::Lost, 4)), 4);
}

}  // namespace
}  // namespace vos::app
