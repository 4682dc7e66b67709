#pragma once
// The lamp bank: 43 lamps Led00..Led42, small colored discs over the skin,
// on when shown. The control switches them with bytes 16-127 in seven groups
// of 16 (CommandeVoyants): two selector groups that remember their last value,
// and five bit groups applied afresh at every byte. Group 48 drives a
// different pair of lamps on a lathe and on a milling machine.
//
// While the big screen is visible no lamp is lit (they are still put out),
// except Led41.
//
// Threading: GUI thread only. Ownership: the shapes belong to the Form; the
// machine type and the big-screen control belong to the main window and
// must outlive the bank.
#include <array>
#include <cstdint>

#include "design/lamps.h"
#include "panel/machine_type.h"

namespace vos {
class Form;
class Control;
class Shape;
}  // namespace vos

namespace vos::panel {

class LampBank {
public:
    // Creates Led00..Led42, hidden, at their design places and colors.
    LampBank(Form& form, const MachineType& type);
    LampBank(const LampBank&) = delete;
    LampBank& operator=(const LampBank&) = delete;

    // The big-screen frame, created after the lamps. nullptr = none.
    void setBigScreen(const Control* grandeVisu) { grandeVisu_ = grandeVisu; }

    // Applies a lamp command byte, 16..127; other values change nothing.
    void CommandeVoyants(std::uint8_t b);
    // Shows lamp i (0..42), unless the big screen is visible (Led41 always).
    void AllumerVoyant(int i);
    // Hides lamp i, always.
    void EteindreVoyant(int i);

    Shape& led(int i) const { return *leds_.at(static_cast<std::size_t>(i)); }

    // Selector memories: the value last applied in group 16 / group 32.
    std::uint8_t DernierChoix16 = design::lamps::kDernierChoix16Start;
    std::uint8_t DernierChoix32 = design::lamps::kDernierChoix32Start;

private:
    void selector16(std::uint8_t v);
    void selector32(std::uint8_t v);
    template <std::size_t N>
    void bits(const std::array<design::lamps::BitLamp, N>& group, std::uint8_t v);

    const MachineType& type_;
    const Control* grandeVisu_ = nullptr;
    std::array<Shape*, design::lamps::kCount> leds_{};
};

}  // namespace vos::panel
