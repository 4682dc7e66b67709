#include "app/form1.h"

#include <filesystem>

#include "app/form1_design.h"
#include "app/form1_modules.h"
#include "platform/core/profile_io.h"
#include "platform/qt/desktop.h"
#include "platform/qt/dialogs.h"
#include "platform/qt/guard.h"
#include "platform/qt/idle_inhibit.h"
#include "platform/qt/label.h"
#include "platform/qt/picture.h"
#include "platform/qt/shape.h"
#include "platform/qt/timer.h"

namespace vos::app {

namespace {

// Created first, so that it lies below every other control. Disabled: presses
// on the skin reach the window's own mouse handlers (the hit map).
Picture& createFond(Form& form) {
    form.setCaption(std::string(kCaption));
    form.setClientSize(design::kClientWidth, design::kClientHeight);
    form.setColor(design::colors::Black);
    Picture& fond = form.addPicture("Fond");
    fond.setBounds(design::kSkinBounds);
    fond.setEnabled(false);
    fond.loadDesignPicture();
    return fond;
}

}  // namespace

TForm1::TForm1(std::string programFolder)
    : form_("Form1", FormStyle::Borderless),
      Fond(createFond(form_)),
      Timer1(form_.addTimer("Timer1", 2)),
      Timer2(form_.addTimer("Timer2", 300000)),
      Timer3(form_.addTimer("Timer3", 300)) {
    RepertoireExe = std::move(programFolder);
    state.CheminIni = RepertoireExe + std::string(NomIni);
    m_ = std::make_unique<Modules>(*this);
    wireEvents();
    // The design settings mark the port to be opened once the window is
    // built (off the GUI thread); creation goes on meanwhile.
    m_->link.openAtCreation();
    FormCreate();
}

TForm1::~TForm1() = default;

panel::LampBank& TForm1::lamps() { return m_->lamps; }
input::HitMap& TForm1::hitMap() { return m_->hitMap; }
input::Zoom& TForm1::zoom() { return m_->zoom; }
panel::Screen& TForm1::screen() { return m_->screen; }
panel::Decoder& TForm1::decoder() { return m_->decoder; }
panel::Receiver& TForm1::receiver() { return m_->receiver; }
input::Keyboard& TForm1::keyboard() { return m_->keyboard; }
AuxCommands& TForm1::aux() { return m_->aux; }
PortLink& TForm1::link() { return m_->link; }

// The whole panel scales as one picture: the skin with the controls laid
// over it (the picture control draws at its control's scale), once.
void TForm1::FormCreate() {
    form_.setKeyPreview(true);
    const design::Bounds area = form_.availableArea();
    if (auto r = panelScale(form_.pixelsPerInch(), area.width, area.height)) {
        form_.scaleBy(r->num, r->den);
        windowedNum_ = r->num;
        windowedDen_ = r->den;
    }
    m_->zoom.relayout();  // the cursor strips' least height at this scale
}

void TForm1::setFullScreen(bool on) {
    if (on == form_.fullScreen()) return;
    const ScaleRatio r = on ? fullScreenScale(form_.screenWidth(), form_.screenHeight())
                            : ScaleRatio{windowedNum_, windowedDen_};
    form_.scaleTo(r.num, r.den);
    m_->zoom.relayout();
    form_.setFullScreen(on);
    if (!on) placeAtTopCentre();
}

void TForm1::FormKeyDown(std::uint16_t key, ShiftState shift) {
    if (key == kFullScreenKey) {
        setFullScreen(!form_.fullScreen());
        return;
    }
    m_->keyboard.FormKeyDown(key, shift);
}

void TForm1::FormShow() {
    // An error escaping a start-up step (the skin picture) is shown, then the
    // program ends without writing its configuration (EnDemarrage stays
    // true). The port's failures do not escape: the link shows them and the
    // panel runs without the line until it comes back.
    try {
        if (!startupSequence()) {
            startupAbandoned = true;
            quitApplication(1);
        }
    } catch (...) {
        startupAbandoned = true;
        m_->link.closeQuietly();
        reportException(std::current_exception());
        quitApplication(1);
    }
}

// Returns false when start-up stops early (configuration file missing).
bool TForm1::startupSequence() {
    state.EnDemarrage = true;
    state.VersionWindows = readOsVersion();
    state.CheminIni = RepertoireExe + std::string(NomIni);
    if (!std::filesystem::exists(state.CheminIni)) {
        showErrorBox("Fichier " + std::string(NomIni) + " introuvable, réinstaller Vostrelle");
        m_->link.closeQuietly();
        return false;
    }
    // What a write killed half-way (power cut, SIGKILL) left beside the file.
    RemoveLeftTemporaries(state.CheminIni);
    m_->link.searchPorts();
    state.RepertoireSkins = RepertoireExe + std::string(kSkinsFolder);
    installFont(RepertoireExe + std::string(kFontFile));
    LireConfiguration(state, machineType, m_->link, *this);
    if (startFullScreen || state.PleinEcran) setFullScreen(true);
    m_->link.startWithConfiguredPort();
    state.EnDemarrage = false;
    idleInhibitor_ = std::make_unique<IdleInhibitor>(form_, std::string(kIdleReason));
    // Placed before it is first shown too: a window manager that places a
    // window only when it maps it (XWayland's under some compositors) takes
    // the place the window asks for then.
    placeAtTopCentre();
    return true;
}

void TForm1::loadSkin(const std::string& path) { Fond.loadFromFile(path); }
void TForm1::afficherClient() { m_->aux.AfficherClient(); }

void TForm1::FormActivate() {
    placeAtTopCentre();
    writeBanner();
    m_->hitMap.colorActivationFrames();
}

// The top centre of the screen's available area: the whole screen where
// the desktop keeps no panel there.
void TForm1::placeAtTopCentre() {
    const design::Bounds area = form_.availableArea();
    form_.moveTo(area.left + (area.width - form_.clientWidth()) / 2, area.top);
}

void TForm1::writeBanner() {
    for (int n = 1; n <= panel::Screen::kRows; ++n) {
        m_->screen.ligne(n).setCaption(std::string(n == kBannerLine ? kBannerText : kBlankLine));
        m_->screen.ligneC(n).setCaption(std::string(kBlankLine));
    }
}

// The close always completes: a failing step is reported (queued behind any
// box already up) and the next steps still run. A write-back the system
// refused is not followed by the tidy rewrite, which the same refusal would
// only report a second time.
void TForm1::FormClose() {
    guarded([&] { m_->link.setLightsActive(false); });
    guarded([&] { m_->link.closeForExit(); });
    if (startupAbandoned) return;
    if (!state.EnDemarrage && !guarded([&] { EcrireConfiguration(state, m_->link); })) return;
    guarded([&] { ReformaterIni(state.CheminIni); });
}

void TForm1::LabelTFClick() {
    try {
        input::LabelTFClick(state.FichierFond, state.RepertoireSkins, Fond, machineType);
    } catch (...) {
        guarded([&] { saveSettings(); });
        throw;
    }
    saveSettings();
}

void TForm1::saveSettings() { saveConfigurationNow(state, m_->link); }

void TForm1::Timer1Timer() { m_->keyboard.Timer1Timer(); }
void TForm1::Timer2Timer() { m_->aux.AfficherClient(); }
void TForm1::Timer3Timer() { m_->zoom.Timer3Timer(); }

void TForm1::wireEvents() {
    form_.onShow = [this] { FormShow(); };
    form_.onActivate = [this] { FormActivate(); };
    form_.onClose = [this] { FormClose(); };
    form_.onKeyDown = [this](std::uint16_t key, ShiftState s) { FormKeyDown(key, s); };
    form_.onKeyPress = [this](std::uint8_t ch) { m_->keyboard.FormKeyPress(ch); };
    form_.onMouseDown = [this](MouseButton b, ShiftState s, int, int) { m_->hitMap.FormMouseDown(b, s); };
    form_.onMouseUp = [this](MouseButton b, ShiftState, int, int) { m_->hitMap.FormMouseUp(b); };
    form_.onNcHitTest = [this](int x, int y) { return m_->aux.WMNCHitTest(x, y); };
    Timer1.onTimer = [this] { Timer1Timer(); };
    Timer2.onTimer = [this] { Timer2Timer(); };
    Timer3.onTimer = [this] { Timer3Timer(); };
}

}  // namespace vos::app
