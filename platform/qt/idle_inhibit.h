#pragma once
// Keeps the desktop from blanking, locking or powering the screen down for
// inactivity while the panel runs: the machine may run a long cycle without
// a key pressed, and the operator must still see the control's screen.
//
// Asked of everything that may blank the screen, each where it exists:
// - the desktop portal (org.freedesktop.portal.Inhibit, flag "idle"), which
//   GNOME and the sandboxed desktops honour;
// - org.freedesktop.ScreenSaver.Inhibit (KDE, Xfce, LXQt, light-locker...);
// - on an X server, the X screen saver suspended for this program's
//   connection (XScreenSaverSuspend), which also stops the server's DPMS
//   power-down; the server itself undoes it when the connection goes, so a
//   killed program leaves the display's settings as they were.
// The D-Bus calls do not wait for their answer (start-up never waits on a
// slow desktop), and are made only on a session bus that exists: no bus is
// ever started for them. None of them failing is an error.
//
// Threading: GUI thread. Ownership: the main window owns it; every request
// is released when it goes (the D-Bus services also release the requests of
// a program whose connection closes).
#include <memory>
#include <string>

namespace vos {

class Form;

class IdleInhibitor {
public:
    // `reason` is shown by the desktops that list what keeps the screen on.
    IdleInhibitor(const Form& window, const std::string& reason);
    ~IdleInhibitor();
    IdleInhibitor(const IdleInhibitor&) = delete;
    IdleInhibitor& operator=(const IdleInhibitor&) = delete;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace vos
