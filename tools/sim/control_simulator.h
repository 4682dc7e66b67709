#pragma once
// The simulated machine-tool control: takes the panel's key codes one byte
// at a time and answers with screen, cursor, lamp and beep commands. No I/O:
// the caller moves the bytes (see sim_loop.h), so the behaviour is testable
// on its own.
//
// Keys it understands:
//   code            key on the panel            effect
//   0x00            (idle byte, every 2 ms)     nothing, counted
//   0x81 0x80 0x82  soft keys 1-3               pages ACCUEIL, PROGRAMME, VOYANTS
//   0x83 0x84       soft keys 4-5               pages AXES, ETAT
//   0x99            soft key 10                 redraw the whole screen
//   0x85-0x87 0x98  soft keys 6-9               no function: beep
//   0xA0-0xDF       characters (ASCII + 0x80)   typed into the input line
//   0x88 / 0x89     Right / Left arrow          edit cursor right / left
//   0x8B            Up arrow                    recall the last executed line
//   0x8A / 0x8C     Execute / Down arrow        execute the line (into PROGRAMME)
//   0x8D            Backspace                   erase the character before the cursor
//   0x8E            Insert                      toggle insert / overwrite (INS / RFP)
//   0x8F            Delete                      erase the character under the cursor
//   0x90 / 0x91     shifted pad keys            previous / next page
//   0x93            shifted pad key             empty the input line
//   0x11-0x17       machine keys, row 1         light Led01-Led07 (one of Led00-15)
//   0x19-0x1F       machine keys, row 2         light Led09-Led15 (same selector)
//   0x40 / 0x41     machine keys, row 3         switch Led16 / Led17 on and off
//   anything else   -                           beep
// An edit that cannot be done (cursor at an end, line full, nothing to
// execute or recall) also beeps.
//
// Lamps the control drives by itself: Led30-Led34 show the page (selector
// 0x20), Led21 the insert mode, Led40 a non-empty program, Led42 "ready".
//
// Thread: one owner; not thread-safe.

#include <cstdint>
#include <string>
#include <vector>

#include "tools/sim/sim_input_line.h"
#include "tools/sim/sim_lamps.h"
#include "tools/sim/sim_pages.h"
#include "tools/sim/sim_screen.h"

namespace vos::sim {

class ControlSimulator {
public:
    ControlSimulator();

    // Bytes to send in answer to one received byte (often none).
    std::string OnByte(uint8_t code);

    // Everything the panel must show for the current state, sent from a
    // cleared screen and with every lamp group forced: for a panel that has
    // just connected, or whose screen was overwritten.
    std::string Redraw();

    PageId page() const { return kPages[page_].id; }
    const InputLine& input() const { return input_; }
    const std::vector<std::string>& program() const { return program_; }
    const LampState& lamps() const { return wantLamps_; }
    uint64_t idleBytes() const { return idle_; }
    uint64_t keys() const { return keys_; }
    uint64_t refused() const { return refused_; }
    // What the simulator believes the panel shows.
    const ScreenText& shown() const { return screen_.shown(); }

private:
    bool HandleKey(uint8_t code);  // false: refused (beep)
    bool HandleEdit(uint8_t code);
    bool Execute();
    void ShowPage(size_t index);
    ScreenText Compose() const;
    void ComposeBody(ScreenText& s) const;
    LampState WantedLamps() const;
    void Sync(bool full, std::string& out);

    size_t page_ = 0;
    InputLine input_{kInputCapacity};
    std::vector<std::string> program_;
    std::string message_;
    uint8_t select16_ = kNoSelection;
    uint8_t machineBits_ = 0;
    LampState wantLamps_;
    LampState shownLamps_;
    PanelScreen screen_;
    uint64_t idle_ = 0;
    uint64_t keys_ = 0;
    uint64_t refused_ = 0;
};

}  // namespace vos::sim
