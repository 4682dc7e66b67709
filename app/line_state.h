#pragma once
// The state of the link to the control, as one machine.
//
// The configured port is in one of five phases:
//
//   Closed   nothing is asked of the line: before start-up has chosen a
//            port, when no port could be chosen, while the program ends
//   Opening  the port is being opened, once, off the GUI thread (start-up,
//            the operator's choice, PORTS, a speed change); the port
//            component keeps what it had meanwhile (an open port goes on
//            sending its idle stream)
//   Open     the port component is open on the port
//   Waiting  the port could not be opened (absent, held by another program,
//            refused): its device is watched and opened as soon as it can be
//   Lost     the port's line failed while open: watched the same way
//
// Every transition, with what the owner does for it (LineAction):
//
//   event             | from                         | to                | action
//   ------------------+------------------------------+-------------------+------------
//   Want n            | Open n, Opening n            | (unchanged)       | None
//   (n = 0: the operator is asked for a port; his answer is Want, none is
//    Absent)
//   (open the         | Opening of a choice, whose   | (unchanged)       | None
//    configured port) |   fallback port is n         |                   |
//                     | any other                    | Opening n         | StartOpen
//   Choose n          | Opening of a choice whose    | its fallback      | Revert
//   (the operator's   |   fallback port is n         |                   |
//    list)            | n is the configured port     | as Want n         |
//                     | any other                    | Opening n, may    | StartOpen
//                     |                              |   fall back       |
//   Configure n       | n is the configured port     | (unchanged)       | None
//   (the configuration| Open, Opening                | as Want n         |
//    names port n)    | Closed, Waiting, Lost        | Closed n          | Renumber
//   Await n           | Closed                       | Waiting n         | Watch
//   Opened n          | Opening n, Waiting n, Lost n | Open n            | TakeDevice
//   Refused n         | Opening n, Open n            | Waiting n         | Unavailable
//   Absent n          | Opening n of a choice        | its fallback      | Revert
//                     | Opening n                    | Waiting n         | Unavailable
//   Failed            | Open n                       | Lost n            | LineLost
//                     | Opening of a choice whose    | (fallback: Lost)  | None
//                     |   fallback is Open           |                   |
//   Stop              | any                          | Closed            | Stop
//   anything else     |                              | (unchanged)       | None
//
// "Opened", "Refused" and "Absent" are the outcomes of an open: the device
// opened; it exists but could not be had (held by another program, no
// permission, a setting refused); it could not be opened at all. An outcome
// for another port than the one in the state is stale and changes nothing.
//
// Pure: no I/O, no clock, no thread. Tests drive it through its table.
#include <cstdint>

namespace vos::app {

enum class Phase : std::uint8_t { Closed, Opening, Open, Waiting, Lost };

enum class LineEvent : std::uint8_t { Want, Choose, Configure, Await, Opened, Refused, Absent, Failed, Stop };

enum class LineAction : std::uint8_t {
    None,
    StartOpen,    // open `port` once, off the GUI thread; supersedes an open in flight
    TakeDevice,   // the port component takes the device opened for `port`, the
                  // port it had being closed first
    Unavailable,  // the port component is closed and left on `port`; the
                  // failure is shown once; the device is watched
    Revert,       // the choice is dropped (an open in flight is cancelled): the
                  // fallback is shown (and watched) again
    Watch,        // the device of `port` is watched and opened when it can be
    LineLost,     // the line failed: shown, and the device watched
    Renumber,     // nothing in flight, nothing watched; the closed port
                  // component is left on `port`
    Stop,         // nothing in flight, nothing watched, the port closed
};

struct LineState {
    Phase phase = Phase::Closed;
    // The configured port; while Opening, the port being opened.
    int port = 0;
    // Opening an operator's choice of another port than the configured one:
    // what the configured port is meanwhile, and what the link goes back to
    // if the chosen port turns out absent (the choice then changes nothing).
    bool choice = false;
    Phase fallbackPhase = Phase::Closed;
    int fallbackPort = 0;

    bool operator==(const LineState&) const = default;
};

struct LineStep {
    LineState next;
    LineAction action = LineAction::None;
};

// The transition of `state` for `event` about port `n` (ignored by Failed
// and Stop).
LineStep nextStep(const LineState& state, LineEvent event, int n);

// The port that is configured in `state`: the one the port component is left
// on when nothing more happens (for a choice in flight, its fallback's).
int configuredPort(const LineState& state);

}  // namespace vos::app
