#pragma once
// The lathe/milling switch: the T/F area (design/commands.h) swaps the skin
// picture between the milling machine's and the lathe's (design/skins.h),
// and the machine type follows the new skin name (panel/machine_type.h).
//
// Threading: GUI thread only. The labels belong to the Form.
#include <functional>
#include <string>

#include "design/skins.h"
#include "panel/machine_type.h"
#include "platform/qt/form.h"
#include "platform/qt/label.h"
#include "platform/qt/picture.h"

namespace vos::input {

// The skin a click selects after `fichierFond`: the milling skin after an
// empty name or exactly the lathe skin's name, else the lathe skin (the
// comparison is case-sensitive).
std::string skinAfterSwitch(const std::string& fichierFond);

// The click on LabelTF: stores the new skin name in FichierFond, loads
// RepertoireSkins + FichierFond into Fond, then applies the machine-type rule.
// When the picture cannot be loaded the loader's vos::Error propagates to the
// caller's guard: FichierFond keeps the new name (it is saved at exit), while
// the picture and the machine type stay as they were.
void LabelTFClick(std::string& FichierFond, const std::string& RepertoireSkins, Picture& Fond,
                  panel::MachineType& type);

// The T/F command area (LabelTF, transparent, hint "Tour/Fraiseuse") and its
// caption "T/F". A left click on LabelTF calls `clicked`, which the main
// window wires to LabelTFClick with its own state.
class MachineSwitch {
public:
    MachineSwitch(Form& form, std::function<void()> clicked);
    Label& labelTF() { return labelTF_; }
    Label& caption() { return caption_; }

private:
    Label& labelTF_;
    Label& caption_;
};

}  // namespace vos::input
