#include "panel/decoder.h"

#include <utility>

#include "panel/lamps.h"
#include "panel/screen.h"

namespace vos::panel {

Decoder::Decoder(Screen& screen, LampBank& lamps, BeepFn beep)
    : screen_(screen), lamps_(lamps), beep_(std::move(beep)) {}

void Decoder::TraiterOctet(std::uint8_t b) {
    if (b >= 160) {
        screen_.EcrireCaractere(characterCode(b));
        screen_.AvancerCurseur();
        screen_.AfficherCurseur();
    } else if (b >= 16 && b <= 127) {
        lamps_.CommandeVoyants(b);
    } else if (b == 128) {
        if (beep_) beep_(kBeepHz, kBeepMs);
    } else {
        screenCommand(b);
    }
}

void Decoder::screenCommand(std::uint8_t b) {
    Screen& s = screen_;
    switch (b) {
    case 130: s.ModeInsertion = false; break;
    case 131:
    case 156:  // the same clear screen
        s.CurseurOrigine();
        s.EffacerFinEcran();
        break;
    case 132: s.CurseurClignotant(); break;
    case 133: s.CurseurFixe(); break;
    case 134: s.EteindreCurseur(); break;
    case 135: s.ModeInsertion = true; break;
    case 136: s.AvancerCurseur(); s.AfficherCurseur(); break;
    case 137: s.ReculerCurseur(); s.AfficherCurseur(); break;
    case 138: s.DescendreCurseur(); s.AfficherCurseur(); break;
    case 139: s.MonterCurseur(); s.AfficherCurseur(); break;
    case 140: s.CurseurOrigine(); s.AfficherCurseur(); break;
    case 141: s.DebutLigne(); s.AfficherCurseur(); break;
    case 142:  // clear to end of line, then new line
        s.EffacerFinLigne();
        s.DebutLigne();
        s.DescendreCurseur();
        s.AfficherCurseur();
        break;
    case 143: s.EffacerFinEcran(); break;  // from the cursor: keeps what is before it
    default: break;                         // unassigned: consumed without effect
    }
}

}  // namespace vos::panel
