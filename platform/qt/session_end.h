#pragma once
// The ends of the program that the operator does not choose: the system's
// request to close it (SIGTERM at shutdown or at the session's end, SIGHUP
// when its terminal or session goes, SIGINT), the session manager's end of
// session, and the display going away. Each runs the main form's close
// handler (the close sequence) before the program ends, as "Fin" does.
//
// Nobody is there to dismiss a box then: the texts of the boxes shown from
// then on go to the standard error instead (unless a message sink is set).
//
// Threading: GUI thread; the signal handlers only write a byte to a pipe that
// the GUI thread's loop reads. Process-wide, installed once by runApplication.
namespace vos {

// Installs the handlers of SIGTERM, SIGHUP and SIGINT. In the event loop a
// signal closes the main form at once (a box then up is dismissed) and the
// loop ends with status 0; during start-up it ends any box up and is acted
// on as soon as start-up is over (endRequestedDuringStartUp). Later signals
// are ignored while the close runs.
void installSessionEnd();

// Whether a signal came while the application started up.
bool endRequestedDuringStartUp();

// Makes a process end that does not come back through the event loop run
// the main form's close handler first, if it has not run: the platform
// plugin ends the process with exit() when it loses the display. The
// handler then runs on the GUI thread inside exit(), no event is served and
// the boxes go to the standard error. Call once the windows are built.
void closeMainFormAtExit();

}  // namespace vos
