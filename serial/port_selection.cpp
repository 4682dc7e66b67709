#include "serial/port_selection.h"

#include "design/link_bar.h"
#include "platform/qt/command_area.h"
#include "serial/port_component.h"

namespace vos::serial {

namespace {

namespace lb = design::linkbar;

constexpr FontSpec kComboFont{lb::kFace, lb::kFontPixels, true, false, lb::kListTextColor};
constexpr const char* kBauds[] = {"9600", "19200"};
constexpr std::int32_t kBaudValues[] = {9600, 19200};

ComboBox& createCombo(Form& form, const char* name, design::Bounds b, ComboStyle style, bool sorted) {
    ComboBox& c = form.addComboBox(name);
    c.setStyle(style);
    c.setSorted(sorted);
    c.setFont(kComboFont);
    c.setColor(lb::kListColor);
    c.setBounds(b);
    c.hide();
    return c;
}

ComboBox& createComboNoCom(Form& form) {
    ComboBox& c = createCombo(form, "ComboBox_NoCom", lb::kComboNoCom, ComboStyle::DropDownList, true);
    c.setHint("Numéro du port série");
    return c;
}

ComboBox& createComboBauds(Form& form) {
    ComboBox& c = createCombo(form, "ComboBox_Bauds", lb::kComboBauds, ComboStyle::DropDown, false);
    for (const char* b : kBauds) c.add(b);
    c.setText("ComboBox_Bauds");
    return c;
}

Label& createLinkLabel(Form& form, const lb::Text& d) {
    Label& l = form.addLabel(d.name);
    l.setTransparent(true);
    l.setFont(FontSpec{lb::kFace, d.fontPixels, false, false, d.color});
    l.setAutoSize(true);
    l.setCaption(d.caption);
    l.setLeft(d.left);
    l.setTop(d.top);
    l.setHint(d.hint);
    l.hide();
    return l;
}

void designLight(TSerialStatusLight& light, const lb::Light& d) {
    light.setBounds(d.bounds);
    light.setLitColor(d.lit);
    light.setNotLitColor(d.notLit);
}

CheckBox& createCheckInit(Form& form) {
    CheckBox& c = form.addCheckBox("CheckBox_InitPort");
    c.setBounds(lb::kCheckInit);
    c.setCaption("Init");
    c.setHint("Forcer l'init. du port");
    c.setChecked(true);
    c.hide();
    return c;
}

}  // namespace

// Members are initialised in declaration order, which is the controls'
// creation (z-) order along the bottom edge.
PortSelection::PortSelection(Form& form, const TSerialComPort& port, LineRequests& line)
    : form_(form),
      Port(port),
      line_(line),
      comboNoCom_(createComboNoCom(form)),
      comboBauds_(createComboBauds(form)),
      okLight_(form, lb::kOKLight.name),
      labelNoCom_(createLinkLabel(form, lb::kLabelNoCom)),
      labelTXD_(createLinkLabel(form, lb::kLabelTXD)),
      txdLight_(form, lb::kTXDLight.name),
      labelRXD_(createLinkLabel(form, lb::kLabelRXD)),
      rxdLight_(form, lb::kRXDLight.name),
      labelPortsDispos_(createLinkLabel(form, lb::kLabelPortsDispos)),
      checkInitPort_(createCheckInit(form)),
      labelDetectePorts_(createCommandArea(form, design::kDetectePorts)),
      detectePortsCaption_(createCommandCaption(form, design::kDetectePorts)),
      form2_(std::make_unique<TForm2>()) {
    designLight(okLight_, lb::kOKLight);
    designLight(txdLight_, lb::kTXDLight);
    designLight(rxdLight_, lb::kRXDLight);
    comboNoCom_.onChange = [this] { ComboBox_NoComChange(); };
    comboBauds_.onChange = [this] { ComboBox_BaudsChange(); };
    checkInitPort_.onClick = [this] { CheckBox_InitPortClick(); };
    labelDetectePorts_.onClick = [this] { LabelDetectePortsClick(); };
}

// The controls belong to the Form, which lives on: unhook them from us.
PortSelection::~PortSelection() {
    comboNoCom_.onChange = nullptr;
    comboBauds_.onChange = nullptr;
    checkInitPort_.onClick = nullptr;
    labelDetectePorts_.onClick = nullptr;
}

std::string PortSelection::portItemText(int n) {
    const std::string digits = std::to_string(n);
    if (n < 10) return "COM  " + digits;
    if (n < 100) return "COM " + digits;
    return "COM" + digits;
}

std::uint8_t PortSelection::PortsTrouves(int slot) const {
    return slot >= 1 && slot <= kMaxPort ? portsTrouves_[static_cast<std::size_t>(slot)] : 0;
}

std::array<Control*, 9> PortSelection::linkControls() {
    return {&comboNoCom_,       &comboBauds_,         &txdLight_.control(),
            &rxdLight_.control(), &okLight_.control(), &labelTXD_,
            &labelRXD_,         &labelPortsDispos_,   &labelNoCom_};
}

// The progress window is hidden again whatever happens.
void PortSelection::RechercherPorts() {
    struct HideOnExit {
        Form& f;
        ~HideOnExit() { f.hide(); }
    } hideOnExit{form2_->form()};

    form2_->form().showOnScreen();
    form2_->Label3.setCaption("");
    labelPortsDispos_.setCaption(lb::kPortsDisposStart);
    for (int i = nbPortsTrouves_ - 1; i >= 0; --i) comboNoCom_.remove(i);
    nbPortsTrouves_ = 0;
    for (int n = 1; n <= kMaxPort; ++n) testPort(n);
}

void PortSelection::testPort(int n) {
    TForm2& f = *form2_;
    f.Label2.setCaption("com " + std::to_string(n));
    f.ProgressBar1.setPosition(n * 100 / kMaxPort);
    f.form().repaintNow();
    if (line_.portPresent(n)) {
        const std::string blankN = " " + std::to_string(n);
        f.Label3.setCaption(f.Label3.caption() + blankN);
        labelPortsDispos_.setCaption(labelPortsDispos_.caption() + blankN);
        comboNoCom_.add(portItemText(n));
        ++nbPortsTrouves_;
        portsTrouves_[nbPortsTrouves_] = static_cast<std::uint8_t>(n);
    }
    f.Label2.setCaption("");
}

void PortSelection::addFoundPort(int n) {
    if (n < 1 || n > kMaxPort || nbPortsTrouves_ >= kMaxPort) return;
    for (int slot = 1; slot <= nbPortsTrouves_; ++slot)
        if (portsTrouves_[static_cast<std::size_t>(slot)] == n) return;
    int slot = nbPortsTrouves_ + 1;
    for (; slot > 1 && portsTrouves_[static_cast<std::size_t>(slot - 1)] > n; --slot)
        portsTrouves_[static_cast<std::size_t>(slot)] = portsTrouves_[static_cast<std::size_t>(slot - 1)];
    portsTrouves_[static_cast<std::size_t>(slot)] = static_cast<std::uint8_t>(n);
    ++nbPortsTrouves_;
    rebuildFoundLists();
}

// The status text keeps to the room before the TXD caption: a long one
// ("COM255 LIAISON PERDUE") is drawn smaller rather than over the caption.
void PortSelection::setStatusText(const std::string& text) {
    labelNoCom_.setCaption(text);
    int pixels = labelTXD_.font().pixelHeight;  // the link bar's size, as scaled
    labelNoCom_.setFontPixels(pixels);
    const int room = labelTXD_.left() - lb::kStatusGap - labelNoCom_.left();
    while (labelNoCom_.width() > room && pixels > lb::kStatusMinPixels) labelNoCom_.setFontPixels(--pixels);
}

void PortSelection::showLinkState(const std::string& text, bool ok) {
    okLight_.setLit(ok);
    setStatusText(text);
}

// The list and the text as the search writes them, from the slots.
void PortSelection::rebuildFoundLists() {
    std::string text = lb::kPortsDisposStart;
    for (int i = comboNoCom_.count() - 1; i >= 0; --i) comboNoCom_.remove(i);
    for (int slot = 1; slot <= nbPortsTrouves_; ++slot) {
        const int n = portsTrouves_[static_cast<std::size_t>(slot)];
        text += " " + std::to_string(n);
        comboNoCom_.add(portItemText(n));
    }
    labelPortsDispos_.setCaption(text);
    selectConfigured();
}

// Every slot is examined, those above the count of the last search included.
std::uint8_t PortSelection::IndexPortConfigure() {
    portAbsent_ = true;
    for (int i = 0; i < kMaxPort; ++i) {
        if (portsTrouves_[static_cast<std::size_t>(i + 1)] == Port.ComNumber()) {
            portAbsent_ = false;
            return static_cast<std::uint8_t>(i);
        }
    }
    return kNoIndex;
}

// A speed other than the two of the list leaves the list as it is.
void PortSelection::selectConfigured() {
    const std::uint8_t index = IndexPortConfigure();
    comboNoCom_.setItemIndex(index == kNoIndex ? -1 : index);
    for (int i = 0; i < 2; ++i)
        if (Port.Baud() == kBaudValues[i]) comboBauds_.setItemIndex(i);
}

// A configured port that the search found is opened (or shown open) by the
// line; one it did not find is reported as not available, once per run.
void PortSelection::AppliquerPort() {
    selectConfigured();
    if (!portAbsent_) {
        line_.openConfiguredPort();
        return;
    }
    okLight_.setLit(false);
    reportAbsence();
    form_.repaintNow();
}

void PortSelection::reportAbsence() {
    if (absenceSignalee_) return;
    setStatusText("COM" + std::to_string(Port.ComNumber()) + " NON DISPONIBLE");
    absenceSignalee_ = true;
}

// A choice the line cannot follow (a port gone since the search) changes
// nothing but the check; the line says so when it knows.
void PortSelection::ComboBox_NoComChange() {
    const int n = PortsTrouves(comboNoCom_.itemIndex() + 1);
    if (n != 0)
        line_.choosePort(n);
    else
        AppliquerPort();
}

void PortSelection::ComboBox_BaudsChange() {
    const int i = comboBauds_.itemIndex();
    if (i == 0 || i == 1) line_.chooseSpeed(kBaudValues[i]);
    AppliquerPort();
}

void PortSelection::CheckBox_InitPortClick() { AppliquerPort(); }

void PortSelection::LabelDetectePortsClick() {
    RechercherPorts();
    AppliquerPort();
}

}  // namespace vos::serial
