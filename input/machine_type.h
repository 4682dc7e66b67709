#pragma once
// The machine type of the panel: a lathe or a milling machine. It is not a
// setting of its own: it follows from the name of the skin picture, and the
// lamp bank reads it at every command of the machine-dependent lamp group.
//
// Ownership: one instance, owned by the main window; the lamp bank keeps a
// reference to it. GUI thread only.
#include <string>

namespace vos {

struct MachineType {
    // The two flags are always each other's negation; lathe until the
    // configuration has been read.
    bool EstTour = true;
    bool EstFraiseuse = false;
};

// The skin of the milling machine; any other name (case counts) is a lathe.
inline constexpr const char* kFondFraiseuse = "num760f.jpg";

// Derives the machine type from the skin file name (no folder): exactly
// "num760f.jpg" is the milling machine, anything else (another case, empty,
// another name) the lathe.
inline void appliquerRegleTypeMachine(const std::string& fichierFond, MachineType& type) {
    const bool fraiseuse = fichierFond == kFondFraiseuse;
    type.EstFraiseuse = fraiseuse;
    type.EstTour = !fraiseuse;
}

}  // namespace vos
