#include "panel/lamps.h"

#include <cstdio>

#include "platform/qt/form.h"
#include "platform/qt/shape.h"

namespace vos::panel {

LampBank::LampBank(Form& form, const MachineType& type) : type_(type) {
    for (int i = 0; i < design::lamps::kCount; ++i) {
        char name[8];
        std::snprintf(name, sizeof name, "Led%02d", i);
        Shape& s = form.addShape(name);
        const design::lamps::LampSpec& lamp = design::lamps::kTable[static_cast<std::size_t>(i)];
        s.setKind(ShapeKind::Circle);
        s.setPenWidth(0);
        s.setPenColor(lamp.color);
        s.setBrushColor(lamp.color);
        s.setBounds({lamp.left, lamp.top, design::lamps::kSize, design::lamps::kSize});
        s.hide();
        leds_[static_cast<std::size_t>(i)] = &s;
    }
}

void LampBank::AllumerVoyant(int i) {
    if (i != design::lamps::kAlwaysLit && grandeVisu_ != nullptr && grandeVisu_->visible()) return;
    led(i).show();
}

void LampBank::EteindreVoyant(int i) { led(i).hide(); }

void LampBank::CommandeVoyants(std::uint8_t b) {
    const std::uint8_t v = b & 0x0F;
    switch (b & 0xF0) {
    case 16: selector16(v); break;
    case 32: selector32(v); break;
    case 48:
        // Both tests, in this order: the flags are read at every byte.
        if (type_.EstFraiseuse) bits(design::lamps::kGroup48Fraiseuse, v);
        if (type_.EstTour) bits(design::lamps::kGroup48Tour, v);
        break;
    case 64: bits(design::lamps::kGroup64, v); break;
    case 80: bits(design::lamps::kGroup80, v); break;
    case 96: bits(design::lamps::kGroup96, v); break;
    case 112: bits(design::lamps::kGroup112, v); break;
    default: break;  // not a lamp command
    }
}

void LampBank::selector16(std::uint8_t v) {
    if (v == DernierChoix16) return;
    AllumerVoyant(design::lamps::kSelector16First + v);
    EteindreVoyant(design::lamps::kSelector16First + DernierChoix16);
    DernierChoix16 = v;  // also when the big screen kept the lamp dark
}

void LampBank::selector32(std::uint8_t v) {
    if (v == DernierChoix32) return;
    if (const int on = design::lamps::kSelector32.at(v); on != design::lamps::kNoLamp) AllumerVoyant(on);
    if (const int off = design::lamps::kSelector32.at(DernierChoix32); off != design::lamps::kNoLamp) EteindreVoyant(off);
    DernierChoix32 = v;
}

template <std::size_t N>
void LampBank::bits(const std::array<design::lamps::BitLamp, N>& group, std::uint8_t v) {
    for (const design::lamps::BitLamp& bl : group) {
        if (v & (1u << bl.bit)) {
            AllumerVoyant(bl.lamp);
        } else {
            EteindreVoyant(bl.lamp);
        }
    }
}

}  // namespace vos::panel
