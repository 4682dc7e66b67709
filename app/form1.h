#pragma once
// The main window TForm1: the operator panel. It owns every control, module
// and timer of the program and wires the window's events to them. Its
// handlers are the start-up sequence (FormShow), the activation (placement
// and banner), the close sequence and the data path between the serial port
// and the panel.
//
// Threading: GUI thread only; every handler runs through the platform's
// guard. Ownership: everything here lives as long as the TForm1; members are
// declared in the order the controls are created, which is their z-order
// (skin < lamps < key frames < big screen < cursor strips < lines < labels).
#include <memory>
#include <string>

#include "app/config_file.h"
#include "panel/machine_type.h"
#include "platform/core/os_version.h"
#include "platform/qt/form.h"

namespace vos {
class IdleInhibitor;
class Picture;
class Timer;
}  // namespace vos
namespace vos::input {
class HitMap;
class Keyboard;
class MachineSwitch;
class Zoom;
}  // namespace vos::input
namespace vos::panel {
class LampBank;
class Screen;
class Decoder;
class Receiver;
}  // namespace vos::panel

namespace vos::app {

class AuxCommands;
class PortLink;

class TForm1 : private ConfigWindowTarget {
    // Declared first: every control below is created on it.
    Form form_;

public:
    // Builds the window with its design values for the program folder
    // `programFolder` (with its trailing '/'), opens the port with its design
    // settings (a failure is shown once and creation goes on), then runs
    // FormCreate. Nothing of the machine is touched outside this folder.
    explicit TForm1(std::string programFolder);
    ~TForm1();
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    Form& form() { return form_; }

    // --- handlers of the window's events ---
    void FormCreate();
    void FormShow();
    void FormActivate();
    void FormClose();
    void Timer1Timer();
    void Timer2Timer();
    void Timer3Timer();
    // The T/F click: the lathe/milling switch, whose new skin name reaches
    // the configuration file at once (also when its picture fails to load:
    // the name is what a close would write).
    void LabelTFClick();
    // A setting the operator changed reaches the configuration file now, in
    // the form a close would leave it (saveConfigurationNow).
    void saveSettings();
    // Full screen: the whole panel (skin, lamps, screen lines, frames, hit
    // map, touch) scaled to fill the screen with its proportions kept, on
    // black margins; off, back to the window's own scale at the top centre.
    // F11 switches it; startFullScreen (the command line's --plein-ecran)
    // or the configuration's PleinEcran start the panel so.
    void setFullScreen(bool on);
    bool startFullScreen = false;

    // --- program-wide state of the main window ---
    std::string RepertoireExe;       // program folder, with its trailing '/'
    ConfigState state;               // paths, EnDemarrage, VersionWindows, FichierFond, ...
    panel::MachineType machineType;  // EstTour / EstFraiseuse
    // True once start-up has given up (missing configuration, error): the
    // close then writes nothing.
    bool startupAbandoned = false;

    // --- modules (tests drive them directly) ---
    Picture& Fond;
    panel::LampBank& lamps();
    input::HitMap& hitMap();
    input::Zoom& zoom();
    panel::Screen& screen();
    panel::Decoder& decoder();
    panel::Receiver& receiver();
    input::Keyboard& keyboard();
    AuxCommands& aux();
    PortLink& link();
    Timer& Timer1;
    Timer& Timer2;
    Timer& Timer3;

private:
    // ConfigWindowTarget: what the configuration file decides of the window.
    void loadSkin(const std::string& path) override;
    void afficherClient() override;

    void wireEvents();
    void writeBanner();
    void placeAtTopCentre();
    bool startupSequence();

    void FormKeyDown(std::uint16_t key, ShiftState shift);

    struct Modules;
    std::unique_ptr<Modules> m_;
    // The window's own scale, the one FormCreate gave it (full screen
    // leaves it for the screen's).
    int windowedNum_ = 1, windowedDen_ = 1;
    // The screen kept on from the end of start-up to the window's end.
    std::unique_ptr<IdleInhibitor> idleInhibitor_;
};

}  // namespace vos::app
