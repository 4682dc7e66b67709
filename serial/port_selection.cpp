#include "serial/port_selection.h"

#include "platform/qt/command_area.h"
#include "serial/port_component.h"
#include "serial/sl_controller.h"

namespace vos::serial {

namespace {

constexpr int kLinkFontPixels = 12;
// The status text stops this far before the TXD caption, and shrinks to this
// size at the most to keep to it.
constexpr int kStatusGap = 3;
constexpr int kStatusMinPixels = 8;
constexpr design::Rgb kComboColor = design::colors::Lime;
constexpr FontSpec kComboFont{"Arial", kLinkFontPixels, true, false, design::colors::Black};
constexpr FontSpec kLinkLabelFont{"Arial", kLinkFontPixels, false, false, design::colors::White};
constexpr FontSpec kPortsDisposFont{"Arial", 15, false, false, design::colors::Aqua};

constexpr design::Bounds kComboNoComBounds{8, 689, 80, 23};
constexpr design::Bounds kComboBaudsBounds{96, 689, 73, 23};
constexpr design::Bounds kCheckInitBounds{788, 691, 43, 19};

struct LightDesign {
    const char* name;
    design::Bounds bounds;
    design::Rgb lit, notLit;
};
constexpr LightDesign kOKLight{"OKLight", {190, 700, 20, 9}, design::colors::Yellow, design::colors::Red};
constexpr LightDesign kTXDLight{"TXDLight", {385, 700, 20, 9}, design::colors::Lime, design::colors::Silver};
constexpr LightDesign kRXDLight{"RXDLight", {448, 700, 20, 9}, design::colors::Yellow, design::colors::Silver};

struct LabelDesign {
    const char* name;
    int left, top;
    const char* caption;
    const char* hint;
    FontSpec font;
};
constexpr LabelDesign kLabelNoCom{"LabelNoCom", 220, 697, "COM NON DISPONIBLE", "", kLinkLabelFont};
constexpr LabelDesign kLabelTXD{"LabelTXD", 360, 697, "TXD", "", kLinkLabelFont};
constexpr LabelDesign kLabelRXD{"LabelRXD", 420, 697, "RXD", "", kLinkLabelFont};
constexpr const char* kPortsDisposStart = "Ports disponibles : com ";
constexpr LabelDesign kLabelPortsDispos{"LabelPortsDispos", 490, 696, kPortsDisposStart,
                                        "Ports visibles par Corvexa", kPortsDisposFont};

constexpr const char* kBauds[] = {"9600", "19200"};
constexpr std::int32_t kBaudValues[] = {9600, 19200};

ComboBox& createCombo(Form& form, const char* name, design::Bounds b, ComboStyle style, bool sorted) {
    ComboBox& c = form.addComboBox(name);
    c.setStyle(style);
    c.setSorted(sorted);
    c.setFont(kComboFont);
    c.setColor(kComboColor);
    c.setBounds(b);
    c.hide();
    return c;
}

ComboBox& createComboNoCom(Form& form) {
    ComboBox& c = createCombo(form, "ComboBox_NoCom", kComboNoComBounds, ComboStyle::DropDownList, true);
    c.setHint("Numéro du port série");
    return c;
}

ComboBox& createComboBauds(Form& form) {
    ComboBox& c = createCombo(form, "ComboBox_Bauds", kComboBaudsBounds, ComboStyle::DropDown, false);
    for (const char* b : kBauds) c.add(b);
    c.setText("ComboBox_Bauds");
    return c;
}

Label& createLinkLabel(Form& form, const LabelDesign& d) {
    Label& l = form.addLabel(d.name);
    l.setTransparent(true);
    l.setFont(d.font);
    l.setAutoSize(true);
    l.setCaption(d.caption);
    l.setLeft(d.left);
    l.setTop(d.top);
    l.setHint(d.hint);
    l.hide();
    return l;
}

void designLight(TSerialStatusLight& light, const LightDesign& d) {
    light.setBounds(d.bounds);
    light.setLitColor(d.lit);
    light.setNotLitColor(d.notLit);
}

CheckBox& createCheckInit(Form& form) {
    CheckBox& c = form.addCheckBox("CheckBox_InitPort");
    c.setBounds(kCheckInitBounds);
    c.setCaption("Init");
    c.setHint("Forcer l'init. du port");
    c.setChecked(true);
    c.hide();
    return c;
}

}  // namespace

// Members are initialised in declaration order, which is the controls'
// creation (z-) order along the bottom edge.
PortSelection::PortSelection(Form& form, TSerialComPort& port, TSerialSLController& controller, Hooks hooks)
    : form_(form),
      Port(port),
      controller_(controller),
      hooks_(std::move(hooks)),
      comboNoCom_(createComboNoCom(form)),
      comboBauds_(createComboBauds(form)),
      okLight_(form, kOKLight.name),
      labelNoCom_(createLinkLabel(form, kLabelNoCom)),
      labelTXD_(createLinkLabel(form, kLabelTXD)),
      txdLight_(form, kTXDLight.name),
      labelRXD_(createLinkLabel(form, kLabelRXD)),
      rxdLight_(form, kRXDLight.name),
      labelPortsDispos_(createLinkLabel(form, kLabelPortsDispos)),
      checkInitPort_(createCheckInit(form)),
      labelDetectePorts_(createCommandArea(form, design::kDetectePorts)),
      detectePortsCaption_(createCommandCaption(form, design::kDetectePorts)),
      form2_(std::make_unique<TForm2>()) {
    designLight(okLight_, kOKLight);
    designLight(txdLight_, kTXDLight);
    designLight(rxdLight_, kRXDLight);
    TLightSet lights;
    lights.TXDLight = &txdLight_;
    lights.RXDLight = &rxdLight_;
    controller_.setLights(lights);

    comboNoCom_.onChange = [this] { runHandler(&PortSelection::ComboBox_NoComChange); };
    comboBauds_.onChange = [this] { runHandler(&PortSelection::ComboBox_BaudsChange); };
    checkInitPort_.onClick = [this] { runHandler(&PortSelection::CheckBox_InitPortClick); };
    labelDetectePorts_.onClick = [this] { runHandler(&PortSelection::LabelDetectePortsClick); };
}

void PortSelection::runHandler(void (PortSelection::*handler)()) {
    if (hooks_.aroundHandler)
        hooks_.aroundHandler([this, handler] { (this->*handler)(); });
    else
        (this->*handler)();
}

PortSelection::~PortSelection() {
    // The controller may outlive this object: it must not keep our lights.
    TLightSet lights = controller_.Lights();
    if (lights.TXDLight == &txdLight_) lights.TXDLight = nullptr;
    if (lights.RXDLight == &rxdLight_) lights.RXDLight = nullptr;
    controller_.setLights(lights);
    // The controls belong to the Form, which lives on: unhook them from us.
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

// The progress window is hidden again whatever happens: the final check may
// fail to open the port, and that error must not leave the window up.
void PortSelection::RechercherPorts() {
    struct HideOnExit {
        Form& f;
        ~HideOnExit() { f.hide(); }
    } hideOnExit{form2_->form()};

    form2_->form().showOnScreen();
    form2_->Label3.setCaption("");
    labelPortsDispos_.setCaption(kPortsDisposStart);
    for (int i = nbPortsTrouves_ - 1; i >= 0; --i) comboNoCom_.remove(i);
    nbPortsTrouves_ = 0;
    for (int n = 1; n <= kMaxPort; ++n) testPort(n);
    if (!hooks_.enDemarrage || !hooks_.enDemarrage()) AppliquerPort();
}

void PortSelection::testPort(int n) {
    TForm2& f = *form2_;
    f.Label2.setCaption("com " + std::to_string(n));
    f.ProgressBar1.setPosition(n * 100 / kMaxPort);
    f.form().repaintNow();
    if (Port.PortAvailable(n)) {
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
    const int room = labelTXD_.left() - kStatusGap - labelNoCom_.left();
    while (labelNoCom_.width() > room && pixels > kStatusMinPixels) labelNoCom_.setFontPixels(--pixels);
}

void PortSelection::showLinkState(const std::string& text, bool ok) {
    portOK_ = ok;
    okLight_.setLit(ok);
    setStatusText(text);
}

// The list and the text as the search writes them, from the slots.
void PortSelection::rebuildFoundLists() {
    std::string text = kPortsDisposStart;
    for (int i = comboNoCom_.count() - 1; i >= 0; --i) comboNoCom_.remove(i);
    for (int slot = 1; slot <= nbPortsTrouves_; ++slot) {
        const int n = portsTrouves_[static_cast<std::size_t>(slot)];
        text += " " + std::to_string(n);
        comboNoCom_.add(portItemText(n));
    }
    labelPortsDispos_.setCaption(text);
    const std::uint8_t index = IndexPortConfigure();
    comboNoCom_.setItemIndex(index == kNoIndex ? -1 : index);
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

std::string PortSelection::TexteEtatPort() {
    const std::string com = "COM" + std::to_string(Port.ComNumber());
    std::string text;
    if (Port.PortAvailable(Port.ComNumber())) {
        text = com + " " + std::to_string(Port.Baud());
        portOK_ = true;
    } else {
        text = com + "  NON DISPONIBLE";
        portOK_ = false;
    }
    okLight_.setLit(portOK_);
    return text;
}

void PortSelection::AppliquerPort() {
    const std::uint8_t index = IndexPortConfigure();
    comboNoCom_.setItemIndex(index == kNoIndex ? -1 : index);
    for (int i = 0; i < 2; ++i)
        if (Port.Baud() == kBaudValues[i]) comboBauds_.setItemIndex(i);
    if (index != kNoIndex && Port.PortAvailable(Port.ComNumber())) {
        setStatusText(TexteEtatPort());
        if (hooks_.ecrireConfiguration) hooks_.ecrireConfiguration();
        if (portOK_) Port.setOpen(true);
        return;
    }
    portOK_ = false;
    okLight_.setLit(false);
    reportAbsence();
    form_.repaintNow();
}

// The not-available text is shown once per run; later checks leave the
// label as it is.
void PortSelection::reportAbsence() {
    if (absenceSignalee_) return;
    setStatusText("COM" + std::to_string(Port.ComNumber()) + " NON DISPONIBLE");
    absenceSignalee_ = true;
}

void PortSelection::ComboBox_NoComChange() {
    const int n = PortsTrouves(comboNoCom_.itemIndex() + 1);
    if (n != 0 && Port.PortAvailable(n)) {
        Port.setComNumber(static_cast<std::uint16_t>(n));
        setStatusText(TexteEtatPort());
        controller_.setLightsActive(true);
    }
    AppliquerPort();
}

void PortSelection::ComboBox_BaudsChange() {
    const int i = comboBauds_.itemIndex();
    if (i == 0 || i == 1) Port.setBaud(kBaudValues[i]);
    controller_.setLightsActive(true);
    AppliquerPort();
    setStatusText(TexteEtatPort());
}

void PortSelection::CheckBox_InitPortClick() { AppliquerPort(); }

void PortSelection::LabelDetectePortsClick() { RechercherPorts(); }

}  // namespace vos::serial
