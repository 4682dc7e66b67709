#pragma once
// TForm2: the small window that shows the progress of the port search (the
// number being tested, a progress bar, and the numbers found).
//
// Threading: GUI thread only. Ownership: the window owns its Form and the
// Form owns the controls; the main window's port selection owns the TForm2
// for the whole run. It is created hidden.
#include <array>
#include <optional>

#include "platform/qt/form.h"
#include "platform/qt/label.h"
#include "platform/qt/list_controls.h"

namespace vos::serial {

// Extra scaling by the screen's pixels per inch, numerator over 1000, on top
// of the platform's own; any other value (96 included) leaves the design.
struct PpiScaling {
    int ppi;
    int numerator;
};
inline constexpr std::array<PpiScaling, 4> kForm2PpiScaling{{{72, 1400}, {120, 875}, {144, 735}, {192, 558}}};
inline constexpr int kPpiScalingDenominator = 1000;

constexpr std::optional<int> form2ScalingNumerator(int ppi) {
    for (const PpiScaling& s : kForm2PpiScaling)
        if (s.ppi == ppi) return s.numerator;
    return std::nullopt;
}

namespace form2 {
inline constexpr const char* kCaption = "Vostrelle";
inline constexpr int kClientWidth = 459, kClientHeight = 110;
inline constexpr int kScreenLeft = 240, kScreenTop = 100;
inline constexpr design::Rgb kBackground = design::colors::Gray;
inline constexpr design::Bounds kProgressBounds{9, 57, 441, 10};
inline constexpr int kProgressMax = 100;
inline constexpr design::Rgb kBarColor = design::colors::Blue;
inline constexpr design::Rgb kBarBackground = design::colors::White;

struct LabelDesign {
    const char* name;
    int left, top;
    const char* caption;
    FontSpec font;
};
inline constexpr LabelDesign kLabel1{"Label1", 156, 8, "Recherche des ports",
                                     {"Arial", 16, true, false, design::colors::White}};
inline constexpr LabelDesign kLabel2{"Label2", 204, 32, "com 0", {"Arial", 17, true, false, design::colors::White}};
// Drawn in the window's own background colour: the numbers found are there
// but do not show.
inline constexpr LabelDesign kLabel3{"Label3", 9, 73, "Ports détectés :",
                                     {"Arial", 12, true, false, kBackground}};
}  // namespace form2

class TForm2 {
public:
    // Builds the window hidden, as designed, then applies the scaling table.
    TForm2();

    Form& form() { return form_; }
    // The progress bar's colours: blue bar on white (start-up asks for it).
    void paintProgressBar();

private:
    Form form_;  // first: the controls below are created on it

public:
    Label& Label1;
    Label& Label2;
    ProgressBar& ProgressBar1;
    Label& Label3;
};

}  // namespace vos::serial
