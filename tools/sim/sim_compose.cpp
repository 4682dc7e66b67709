// What the simulated control's screen shows for its state (declared in
// control_simulator.h).
#include <iterator>
#include <string>

#include "tools/sim/control_simulator.h"

namespace vos::sim {
namespace {

std::string LedName(int n) {
    return std::string(n < 10 ? "Led0" : "Led") + std::to_string(n);
}

std::string Count(const char* label, uint64_t n) {
    return std::string(label) + std::to_string(n);
}

void ProgramBody(const std::vector<std::string>& program,
                   std::array<std::string, kBodyRows>& body) {
    if (program.empty()) {
        body[0] = "(programme vide)";
        body[1] = "Saisir une ligne puis Execute.";
        return;
    }
    const size_t first = program.size() > kBodyRows ? program.size() - kBodyRows : 0;
    for (size_t i = first; i < program.size(); ++i) {
        std::string number = std::to_string(i + 1);
        number.insert(0, number.size() < 4 ? 4 - number.size() : 0, '0');
        body[i - first] = "N" + number + " " + program[i];
    }
}

}  // namespace

void ControlSimulator::ComposeBody(ScreenText& s) const {
    std::array<std::string, kBodyRows> body;
    const PageDef& def = kPages[page_];
    for (int i = 0; i < kBodyRows; ++i) body[i] = std::string(def.body[i]);
    switch (def.id) {
        case PageId::Program: ProgramBody(program_, body); break;
        case PageId::Lamps:
            body = {"Touches machine des rangees 1 et 2 :",
                    "un seul voyant allume a la fois.",
                    "Voyant choisi : " +
                        (select16_ == kNoSelection ? std::string("aucun") : LedName(select16_)),
                    std::string("Rangee 3 : Led16 ") + ((machineBits_ & 1) ? "oui" : "non") +
                        ", Led17 " + ((machineBits_ & 2) ? "oui" : "non"),
                    "Page : Led30 a Led34",
                    "Insertion : Led21, programme : Led40",
                    "Pret : Led42"};
            break;
        case PageId::LinkState:
            body = {Count("Touches recues     : ", keys_),
                    Count("Touches refusees   : ", refused_),
                    Count("Octets de veille   : ", idle_),
                    Count("Lignes executees   : ", program_.size()),
                    "",
                    "Compteurs mis a jour a chaque",
                    "touche recue."};
            break;
        default: break;
    }
    for (int i = 0; i < kBodyRows; ++i) s[kBodyFirstRow - 1 + i] = FitRow(body[i]);
}

ScreenText ControlSimulator::Compose() const {
    ScreenText s = BlankScreen();
    s[kTitleRow - 1] = FitRow(kPages[page_].title);
    ComposeBody(s);
    std::string input = "> " + input_.text();
    input.resize(kModeColumn - 1, ' ');
    s[kInputRow - 1] = FitRow(input + (input_.insert() ? "INS" : "RFP"));
    s[kMessageRow - 1] = FitRow(message_);
    std::string keys(kColumns, ' ');
    for (const PageDef& p : kPages)
        keys.replace((p.softKey - 1) * kSoftKeyWidth, p.label.size(), p.label);
    keys.replace((kRedrawSoftKey - 1) * kSoftKeyWidth, kRedrawLabel.size(), kRedrawLabel);
    s[kSoftKeyRow - 1] = FitRow(keys);
    return s;
}

}  // namespace vos::sim
