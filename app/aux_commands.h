#pragma once
// The auxiliary commands of the main window: about box, help page, showing
// and hiding the link controls, quit, minimise, dragging the borderless
// window, the customer label and the configuration edit.
//
// Threading: GUI thread only; the handlers run through the platform's guard
// (the Form wires them). Ownership: the main window owns the AuxCommands; the
// controls it creates belong to the Form; the link controls handed to
// setLinkControls belong to the Form too and are only remembered.
// Re-entrancy: LabelLogoClick and BoutonEditerIniClick run a message box with
// its nested loop; timer ticks (AfficherClient) may run meanwhile.
#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/os_version.h"
#include "platform/qt/form.h"
#include "platform/qt/label.h"
#include "platform/qt/list_controls.h"

namespace vos::app {

inline constexpr std::string_view kIniEditMessage = "Corvexa sera fermé après l'édition";

// Programs tried in turn to edit the configuration file: the desktop's
// program for the file's type first, then common text editors in case that
// launcher is not installed. The first one that starts is kept.
inline constexpr std::array<std::string_view, 6> kTextEditors{
    "xdg-open", "gnome-text-editor", "gedit", "kate", "mousepad", "xed"};

class AuxCommands {
public:
    struct Context {
        std::string programFolder;                // program folder with trailing '/'
        const OsVersion* version = nullptr;       // VersionWindows, filled at start-up
        std::function<void()> close;             // closes the main window (its close sequence)
        std::function<std::string()> cheminIni;   // CheminIni
        // Services of the desktop; empty = the platform's openDocument and
        // startDetached (tests put recorders here).
        std::function<void(const std::string& path)> openDocument;
        std::function<bool(const std::string& program, const std::vector<std::string>& args)> start;
    };

    // Creates the controls on the form, in this z-order: LabelLogo, LabelFin
    // and "FIN", LabelAide and "AIDE", LabelAccesCfg and "CONF",
    // LabelIconiser, LabelClient, BoutonQuitter, BoutonEditerIni; wires their
    // clicks to the handlers below.
    AuxCommands(Form& form, Context ctx);

    // The nine link controls in the toggle order: ComboBox_NoCom,
    // ComboBox_Bauds, TXDLight, RXDLight, OKLight, LabelTXD, LabelRXD,
    // LabelPortsDispos, LabelNoCom. Also wires LabelNoCom's double click to
    // LabelNoComDblClick. Until it is called LabelAccesCfgClick does nothing.
    void setLinkControls(std::array<Control*, 9> controls, Label& labelNoCom);

    void LabelLogoClick();       // about box at the window's left + 150, top + 100
    void LabelAideClick();       // help page with the desktop's program; no message if missing
    void LabelAccesCfgClick();   // shows or hides the nine, told by LabelNoCom's visibility
    // Shows the nine, as a first CONF click would: the link tells so when its
    // line is down, or the red light and the status text would stay hidden.
    void showLinkControls();
    void BoutonQuitterClick();   // closes the main window
    void LabelIconiserClick();   // minimises the main window
    // Client point (x, y): true = it acts as the caption bar (a press drags).
    bool WMNCHitTest(int x, int y) const;
    void AfficherClient();       // deciphered customer text, white underlined on black
    void LabelNoComDblClick();   // shows and enables BoutonEditerIni
    void BoutonEditerIniClick(); // message, editor on CheminIni, then closes the window
    // Starts a text editor on `path`, detached; a failure gives no message.
    void EditerIni(const std::string& path);

    Label& labelLogo() { return labelLogo_; }
    Label& labelFin() { return labelFin_; }
    Label& finCaption() { return finCaption_; }
    Label& labelAide() { return labelAide_; }
    Label& aideCaption() { return aideCaption_; }
    Label& labelAccesCfg() { return labelAccesCfg_; }
    Label& accesCfgCaption() { return accesCfgCaption_; }
    Label& labelIconiser() { return labelIconiser_; }
    Label& labelClient() { return labelClient_; }
    Button& boutonQuitter() { return boutonQuitter_; }
    Button& boutonEditerIni() { return boutonEditerIni_; }

private:
    Form& form_;
    Context ctx_;
    Label& labelLogo_;
    Label& labelFin_;
    Label& finCaption_;
    Label& labelAide_;
    Label& aideCaption_;
    Label& labelAccesCfg_;
    Label& accesCfgCaption_;
    Label& labelIconiser_;
    Label& labelClient_;
    Button& boutonQuitter_;
    Button& boutonEditerIni_;
    std::array<Control*, 9> linkControls_{};
    Label* labelNoCom_ = nullptr;
};

}  // namespace vos::app
