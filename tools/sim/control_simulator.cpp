#include "tools/sim/control_simulator.h"

#include <cstdio>
#include <iterator>

#include "tools/sim/sim_codes.h"

namespace vos::sim {
namespace {

constexpr size_t kProgramMaxLines = 1000;

int SoftKeyNumber(uint8_t code) {
    for (int i = 0; i < 10; ++i)
        if (key::kSoftKeys[i] == code) return i + 1;
    return 0;
}

std::string RefusedMessage(uint8_t code) {
    char text[48];
    std::snprintf(text, sizeof text, "Touche refusee (code %02X)", code);
    return text;
}

}  // namespace

ControlSimulator::ControlSimulator() = default;

std::string ControlSimulator::OnByte(uint8_t code) {
    if (code == key::kIdle) {
        ++idle_;
        return {};
    }
    ++keys_;
    message_.clear();
    std::string out;
    if (SoftKeyNumber(code) == kRedrawSoftKey) return Redraw();
    if (!HandleKey(code)) {
        ++refused_;
        out.push_back(static_cast<char>(out::kBeep));
        message_ = RefusedMessage(code);
    } else if (code == key::kInsert) {
        out.push_back(static_cast<char>(input_.insert() ? out::kInsertMode : out::kOverwriteMode));
    }
    Sync(false, out);
    return out;
}

std::string ControlSimulator::Redraw() {
    std::string out;
    out.push_back(static_cast<char>(input_.insert() ? out::kInsertMode : out::kOverwriteMode));
    Sync(true, out);
    return out;
}

bool ControlSimulator::HandleKey(uint8_t code) {
    if (const int soft = SoftKeyNumber(code)) {
        for (size_t i = 0; i < std::size(kPages); ++i) {
            if (kPages[i].softKey != soft) continue;
            ShowPage(i);
            return true;
        }
        return false;
    }
    if (key::IsMachineSelectKey(code)) {
        select16_ = code & 0x0F;
        return true;
    }
    if (code == key::kMachineToggle0 || code == key::kMachineToggle1) {
        machineBits_ ^= static_cast<uint8_t>(1u << (code - key::kMachineToggle0));
        return true;
    }
    if (code >= key::kCharFirst && code <= key::kCharLast)
        return input_.Type(static_cast<char>(code - out::kCharBit));
    return HandleEdit(code);
}

bool ControlSimulator::HandleEdit(uint8_t code) {
    switch (code) {
        case key::kRight: return input_.Right();
        case key::kLeft: return input_.Left();
        case key::kBackspace: return input_.Backspace();
        case key::kDelete: return input_.Delete();
        case key::kExecute:
        case key::kDown: return Execute();
        case key::kUp:
            if (program_.empty()) return false;
            input_.Set(program_.back());
            return true;
        case key::kInsert: input_.ToggleInsert(); return true;
        case key::kPadPrevious:
            ShowPage((page_ + std::size(kPages) - 1) % std::size(kPages));
            return true;
        case key::kPadNext: ShowPage((page_ + 1) % std::size(kPages)); return true;
        case key::kPadErase: input_.Take(); return true;
        default: return false;
    }
}

bool ControlSimulator::Execute() {
    if (input_.text().empty()) return false;
    program_.push_back(input_.Take());
    if (program_.size() > kProgramMaxLines) program_.erase(program_.begin());
    message_ = "Execute : " + program_.back();
    return true;
}

void ControlSimulator::ShowPage(size_t index) {
    page_ = index;
}

LampState ControlSimulator::WantedLamps() const {
    LampState l;
    l.select16 = select16_;
    l.select32 = static_cast<uint8_t>(page_ + 1);  // Led30 + page
    l.bits40 = machineBits_;
    l.bits50 = input_.insert() ? 0x2 : 0x0;   // Led21
    l.bits60 = program_.empty() ? 0x0 : 0x8;  // Led40
    l.bits70 = 0x4;                           // Led42: ready
    return l;
}

void ControlSimulator::Sync(bool full, std::string& out) {
    wantLamps_ = WantedLamps();
    SendLamps(shownLamps_, wantLamps_, full, out);
    const ScreenText text = Compose();
    const int column = kInputColumn + static_cast<int>(input_.cursor());
    if (full)
        screen_.Redraw(text, kInputRow, column, out);
    else
        screen_.Update(text, kInputRow, column, out);
}

}  // namespace vos::sim
