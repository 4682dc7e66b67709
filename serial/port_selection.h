#pragma once
// Port detection and selection of the main window: the link controls along
// the bottom edge (port and speed combo boxes, the OK/TXD/RXD lights and
// their captions, the status text and the list of ports found), the PORTS
// command area, the search over port numbers 1..255 with its progress window,
// and the check that applies the configured port.
//
// Threading: GUI thread only; the search blocks the GUI thread for its 255
// tests (the progress window is repainted explicitly). Ownership: the main
// window owns the PortSelection; the controls it creates belong to the Form;
// the port and the controller are referred to and must outlive it. It owns
// the progress window TForm2. The controller is given TXDLight and RXDLight.
// Re-entrancy: the handlers may open the port (Port.Open), whose errors
// propagate to the caller (the guard shows them).
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/qt/form.h"
#include "platform/qt/label.h"
#include "platform/qt/list_controls.h"
#include "serial/form2.h"
#include "serial/status_light.h"

namespace vos::serial {

class TSerialComPort;
class TSerialSLController;

class PortSelection {
public:
    struct Hooks {
        // Writes the port settings to the configuration file (does nothing
        // while the start-up sequence runs).
        std::function<void()> ecrireConfiguration;
        // True while the start-up sequence runs.
        std::function<bool()> enDemarrage;
        // Runs each handler of the link controls (port and speed lists, the
        // hidden Init box, PORTS): the owner watches what it does to the
        // port. Unset: the handler runs on its own.
        std::function<void(const std::function<void()>& handler)> aroundHandler;
    };

    static constexpr int kMaxPort = 255;
    static constexpr std::uint8_t kNoIndex = 255;

    // Creates the link controls (hidden, the three lights excepted), then
    // LabelDetectePorts and its caption "PORTS", and the hidden TForm2.
    PortSelection(Form& form, TSerialComPort& port, TSerialSLController& controller, Hooks hooks);
    ~PortSelection();
    PortSelection(const PortSelection&) = delete;
    PortSelection& operator=(const PortSelection&) = delete;

    // --- search results ---
    // Slot 1..255 of the last search (older values stay above the count).
    std::uint8_t PortsTrouves(int slot) const;
    std::uint8_t NbPortsTrouves() const { return nbPortsTrouves_; }
    bool PortAbsent() const { return portAbsent_; }
    bool PortOK() const { return portOK_; }
    bool AbsenceSignalee() const { return absenceSignalee_; }

    // --- operations ---
    void RechercherPorts();
    std::uint8_t IndexPortConfigure();
    std::string TexteEtatPort();
    void AppliquerPort();

    // --- handlers (wired to the controls by the constructor) ---
    void ComboBox_NoComChange();
    void ComboBox_BaudsChange();
    void CheckBox_InitPortClick();
    void LabelDetectePortsClick();

    // Port n opened although the last search did not find it (it came back
    // later): it joins the results as a search would have listed it.
    void addFoundPort(int n);
    // The status text and the OK light (PortOK) as the owner of the link
    // knows them better than the availability test: the line lost, a port
    // that failed to open, a port opened again.
    void showLinkState(const std::string& text, bool ok);

    // Blue bar on white in the progress window (start-up asks for it).
    void paintProgressBar() { form2_->paintProgressBar(); }

    // Item text of port n in ComboBox_NoCom: "COM  1", "COM 12", "COM123".
    static std::string portItemText(int n);

    // --- controls ---
    // The nine controls the link toggle shows and hides, in its order:
    // ComboBox_NoCom, ComboBox_Bauds, TXDLight, RXDLight, OKLight, LabelTXD,
    // LabelRXD, LabelPortsDispos, LabelNoCom.
    std::array<Control*, 9> linkControls();
    ComboBox& ComboBox_NoCom() { return comboNoCom_; }
    ComboBox& ComboBox_Bauds() { return comboBauds_; }
    TSerialStatusLight& OKLight() { return okLight_; }
    TSerialStatusLight& TXDLight() { return txdLight_; }
    TSerialStatusLight& RXDLight() { return rxdLight_; }
    Label& LabelNoCom() { return labelNoCom_; }
    Label& LabelTXD() { return labelTXD_; }
    Label& LabelRXD() { return labelRXD_; }
    Label& LabelPortsDispos() { return labelPortsDispos_; }
    CheckBox& CheckBox_InitPort() { return checkInitPort_; }
    Label& LabelDetectePorts() { return labelDetectePorts_; }
    Label& detectePortsCaption() { return detectePortsCaption_; }
    TForm2& Form2() { return *form2_; }

private:
    void testPort(int n);
    void reportAbsence();
    void setStatusText(const std::string& text);
    void runHandler(void (PortSelection::*handler)());
    void rebuildFoundLists();

    Form& form_;
    TSerialComPort& Port;
    TSerialSLController& controller_;
    Hooks hooks_;

    ComboBox& comboNoCom_;
    ComboBox& comboBauds_;
    TSerialStatusLight okLight_;
    Label& labelNoCom_;
    Label& labelTXD_;
    TSerialStatusLight txdLight_;
    Label& labelRXD_;
    TSerialStatusLight rxdLight_;
    Label& labelPortsDispos_;
    CheckBox& checkInitPort_;
    Label& labelDetectePorts_;
    Label& detectePortsCaption_;
    std::unique_ptr<TForm2> form2_;

    std::array<std::uint8_t, kMaxPort + 1> portsTrouves_{};  // [0] unused
    std::uint8_t nbPortsTrouves_ = 0;
    bool portAbsent_ = false;
    bool portOK_ = false;
    bool absenceSignalee_ = false;
};

}  // namespace vos::serial
