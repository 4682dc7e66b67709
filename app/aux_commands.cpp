#include "app/aux_commands.h"

#include <utility>

#include "app/aux_about.h"
#include "design/aux_commands.h"
#include "app/dechiffrer.h"
#include "app/form1_design.h"
#include "panel/screen_text.h"
#include "platform/qt/command_area.h"
#include "platform/qt/desktop.h"
#include "platform/qt/dialogs.h"

namespace vos::app {

namespace {

Label& createCaption(Form& form, design::AuxAreaIndex i) {
    Label& l = createCommandCaption(form, design::kAuxAreas[i].area);
    if (design::kAuxAreas[i].captionHint) l.setHint(design::kAuxAreas[i].captionHint);
    return l;
}

Label& createLabelClient(Form& form) {
    Label& l = form.addLabel("LabelClient");
    l.setAutoSize(false);
    l.setBounds(design::kLabelClientBounds);
    l.setAlignment(Alignment::Center);
    l.setFont(FontSpec{"Arial", design::kLabelClientFontPixels, false, false, design::kLabelClientDesignColor});
    l.setTransparent(true);
    l.setCaption("");
    return l;
}

Button& createBoutonQuitter(Form& form) {
    Button& b = form.addButton("BoutonQuitter");
    b.setBounds(design::kBoutonQuitterBounds);
    b.setCaption(std::string(design::kBoutonQuitterCaption));
    b.hide();
    return b;
}

Button& createBoutonEditerIni(Form& form) {
    Button& b = form.addButton("BoutonEditerIni");
    b.setBounds(design::kBoutonEditerIniBounds);
    b.setCaption(std::string(design::kBoutonEditerIniCaption));
    b.setFont(FontSpec{"Arial", design::kBoutonEditerIniFontPixels, true});
    b.hide();
    b.setEnabled(false);
    return b;
}

}  // namespace

AuxCommands::AuxCommands(Form& form, Context ctx)
    : form_(form),
      ctx_(std::move(ctx)),
      labelLogo_(createCommandArea(form, design::kAuxAreas[design::kLogo].area)),
      labelFin_(createCommandArea(form, design::kAuxAreas[design::kFin].area)),
      finCaption_(createCaption(form, design::kFin)),
      labelAide_(createCommandArea(form, design::kAuxAreas[design::kAide].area)),
      aideCaption_(createCaption(form, design::kAide)),
      labelAccesCfg_(createCommandArea(form, design::kAuxAreas[design::kAccesCfg].area)),
      accesCfgCaption_(createCaption(form, design::kAccesCfg)),
      // Offered: visible at its place (the area lies over the skin's button).
      labelIconiser_(createCommandArea(form, design::kAuxAreas[design::kIconiser].area)),
      labelClient_(createLabelClient(form)),
      boutonQuitter_(createBoutonQuitter(form)),
      boutonEditerIni_(createBoutonEditerIni(form)) {
    labelLogo_.onClick = [this] { LabelLogoClick(); };
    labelFin_.onClick = [this] { BoutonQuitterClick(); };
    labelAide_.onClick = [this] { LabelAideClick(); };
    labelAccesCfg_.onClick = [this] { LabelAccesCfgClick(); };
    labelIconiser_.onClick = [this] { LabelIconiserClick(); };
    boutonQuitter_.onClick = [this] { BoutonQuitterClick(); };
    boutonEditerIni_.onClick = [this] { BoutonEditerIniClick(); };
}

void AuxCommands::setLinkControls(std::array<Control*, 9> controls, Label& labelNoCom) {
    linkControls_ = controls;
    labelNoCom_ = &labelNoCom;
    labelNoCom.onDblClick = [this] { LabelNoComDblClick(); };
}

void AuxCommands::LabelLogoClick() {
    const OsVersion version = ctx_.version ? *ctx_.version : OsVersion{};
    const auto ppi = static_cast<unsigned>(form_.pixelsPerInch());
    showInfoBoxAt(aboutText(version, ppi), form_.left() + design::kAboutDx, form_.top() + design::kAboutDy);
}

void AuxCommands::LabelAideClick() {
    const std::string page = ctx_.programFolder + std::string(kHelpPage);
    if (ctx_.openDocument)
        ctx_.openDocument(page);
    else
        openDocument(page);
}

void AuxCommands::LabelAccesCfgClick() {
    if (!labelNoCom_) return;
    const bool show = !labelNoCom_->visible();
    for (Control* c : linkControls_)
        if (c) c->setVisible(show);
}

void AuxCommands::showLinkControls() {
    for (Control* c : linkControls_)
        if (c) c->show();
}

void AuxCommands::BoutonQuitterClick() {
    if (ctx_.close) ctx_.close();
}

void AuxCommands::LabelIconiserClick() { form_.minimize(); }

// The areas are design places of the panel picture: a scaled window finds
// them where the scaled picture shows them (and not over its keys or FIN).
bool AuxCommands::WMNCHitTest(int x, int y) const {
    const auto [dx, dy] = form_.toDesign(x, y);
    return design::isDragArea(dx, dy);
}

// Also run by the 5-minute timer: restores the text and the look whatever
// changed them. The text is Latin-1; the caption keeps "&" doubled so that
// the label shows the text as it is.
void AuxCommands::AfficherClient() {
    labelClient_.setCaption(panel::captionFromText(DechiffrerTexte(std::string(kCipheredCustomerText))));
    labelClient_.setFontColor(design::kClientTextColor);
    labelClient_.setTransparent(false);
    labelClient_.setColor(design::kClientBackground);
    labelClient_.setUnderline(true);
}

void AuxCommands::LabelNoComDblClick() {
    boutonEditerIni_.show();
    boutonEditerIni_.setEnabled(true);
}

void AuxCommands::BoutonEditerIniClick() {
    showMessage(std::string(kIniEditMessage));
    EditerIni(ctx_.cheminIni ? ctx_.cheminIni() : std::string());
    BoutonQuitterClick();
}

void AuxCommands::EditerIni(const std::string& path) {
    const std::vector<std::string> args{path};
    for (std::string_view editor : kTextEditors) {
        const std::string program(editor);
        const bool started = ctx_.start ? ctx_.start(program, args) : startDetached(program, args);
        if (started) return;
    }
}

}  // namespace vos::app
