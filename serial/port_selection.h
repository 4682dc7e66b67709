#pragma once
// Port detection and selection of the main window: the link controls along
// the bottom edge (port and speed lists, the OK/TXD/RXD lights and their
// captions, the status text and the list of ports found), the PORTS command
// area, the search over port numbers 1..255 with its progress window, and
// the check that applies the configured port.
//
// It never opens the port itself: what the operator asks of the line goes
// to the owner of the line's state (LineRequests), which opens the port off
// the GUI thread and tells the outcome back through showLinkState().
//
// Threading: GUI thread only; the search holds the GUI thread for its 255
// tests (each waited for kProbeTimeoutMs at most; the progress window is
// repainted explicitly). Ownership: the main window owns the PortSelection;
// the controls it creates belong to the Form; the port and the line
// requests are referred to and must outlive it. It owns the progress window
// TForm2.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/qt/form.h"
#include "platform/qt/label.h"
#include "platform/qt/list_controls.h"
#include "serial/form2.h"
#include "serial/status_light.h"

namespace vos::serial {

class TSerialComPort;

// What the link controls ask of the line to the control.
class LineRequests {
public:
    // The operator chose port n in the list (it may have gone since the search).
    virtual void choosePort(int n) = 0;
    // The operator chose a speed: applied to an open port at once.
    virtual void chooseSpeed(std::int32_t baud) = 0;
    // The configured port is found: it is opened unless it is open or being
    // opened, and the link controls show its state.
    virtual void openConfiguredPort() = 0;
    // The search's availability test of port n. A port the line is opening
    // is not opened again for the test (that would take the device from
    // under the open): its device's presence decides.
    virtual bool portPresent(int n) = 0;

protected:
    ~LineRequests() = default;
};

class PortSelection {
public:
    static constexpr int kMaxPort = 255;
    static constexpr std::uint8_t kNoIndex = 255;

    // Creates the link controls (hidden, the three lights excepted), then
    // LabelDetectePorts and its caption "PORTS", and the hidden TForm2.
    PortSelection(Form& form, const TSerialComPort& port, LineRequests& line);
    ~PortSelection();
    PortSelection(const PortSelection&) = delete;
    PortSelection& operator=(const PortSelection&) = delete;

    // --- search results ---
    // Slot 1..255 of the last search (older values stay above the count).
    std::uint8_t PortsTrouves(int slot) const;
    std::uint8_t NbPortsTrouves() const { return nbPortsTrouves_; }
    bool PortAbsent() const { return portAbsent_; }

    // --- operations ---
    // The search alone (start-up runs it so); PORTS also applies the port.
    void RechercherPorts();
    std::uint8_t IndexPortConfigure();
    void AppliquerPort();

    // --- handlers (wired to the controls by the constructor) ---
    void ComboBox_NoComChange();
    void ComboBox_BaudsChange();
    void CheckBox_InitPortClick();
    void LabelDetectePortsClick();

    // Port n opened although the last search did not find it (it came back
    // later): it joins the results as a search would have listed it.
    void addFoundPort(int n);
    // The status text and the OK light, as the line knows them.
    void showLinkState(const std::string& text, bool ok);
    // The lists show the configured port and its speed.
    void selectConfigured();

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
    Label& LabelPortsDispos() { return labelPortsDispos_; }
    CheckBox& CheckBox_InitPort() { return checkInitPort_; }
    Label& LabelDetectePorts() { return labelDetectePorts_; }
    Label& detectePortsCaption() { return detectePortsCaption_; }
    TForm2& Form2() { return *form2_; }

private:
    void testPort(int n);
    void reportAbsence();
    void setStatusText(const std::string& text);
    void rebuildFoundLists();

    Form& form_;
    const TSerialComPort& Port;
    LineRequests& line_;

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
    bool absenceSignalee_ = false;
};

}  // namespace vos::serial
