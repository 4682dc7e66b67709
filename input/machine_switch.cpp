#include "input/machine_switch.h"

#include "platform/qt/command_area.h"

namespace vos::input {

std::string skinAfterSwitch(const std::string& fichierFond) {
    return fichierFond.empty() || fichierFond == design::kSkinLathe ? design::kSkinMilling : design::kSkinLathe;
}

void LabelTFClick(std::string& FichierFond, const std::string& RepertoireSkins, Picture& Fond,
                  panel::MachineType& type) {
    FichierFond = skinAfterSwitch(FichierFond);
    Fond.loadFromFile(RepertoireSkins + FichierFond);  // throws: type left as it was
    panel::applyMachineTypeRule(FichierFond, type);
}

MachineSwitch::MachineSwitch(Form& form, std::function<void()> clicked)
    : labelTF_(createCommandArea(form, design::kTFArea)), caption_(createCommandCaption(form, design::kTFArea)) {
    labelTF_.onClick = std::move(clicked);
}

}  // namespace vos::input
