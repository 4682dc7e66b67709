#pragma once
// The machine type of the panel: a lathe or a milling machine. It is not a
// setting of its own: it follows from the name of the skin picture, and the
// lamp bank reads it at every command of the machine-dependent lamp group.
//
// Ownership: one instance, owned by the main window; the lamp bank keeps a
// reference to it. GUI thread only.
#include <string>

#include "design/skins.h"

namespace vos::panel {

struct MachineType {
    // The two flags are always each other's negation; lathe until the
    // configuration has been read.
    bool EstTour = true;
    bool EstFraiseuse = false;
};

// Derives the machine type from the skin file name (no folder): exactly
// kSkinMilling ("num760f.jpg") is the milling machine, anything else
// (another case, empty, another name) the lathe.
inline void applyMachineTypeRule(const std::string& fichierFond, MachineType& type) {
    const bool milling = fichierFond == design::kSkinMilling;
    type.EstFraiseuse = milling;
    type.EstTour = !milling;
}

}  // namespace vos::panel
