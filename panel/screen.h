#pragma once
// The character screen: 12 lines of 40 columns with a cursor.
//
// A line's text lives only in the caption of its label Ligne01..Ligne12
// (UTF-8, every "&" doubled; see screen_text.h); there is no other buffer, so
// whatever else changes a caption (the start-up banner) is what the next edit
// starts from. Under each line a strip Ligne01c..Ligne12c, 2 pixels high, shows the
// top of the cursor mark `SigneCurseur` at the cursor column.
//
// The cursor starts at row 0, column 0, on no cell: writes and marks aimed
// outside the screen are dropped, while the movements work on the numbers.
// Movements change only the numbers; the decoder redraws the mark with
// AfficherCurseur.
//
// Threading: GUI thread only, no locks. Ownership: the labels belong to the
// Form; the Screen belongs to the main window and must not outlive the Form.
#include <array>
#include <cstdint>
#include <string>

#include "panel/screen_text.h"

namespace vos {
class Form;
class Label;
}  // namespace vos

namespace vos::panel {

class Screen {
public:
    static constexpr int kRows = 12;
    static constexpr char SigneCurseur = 'E';

    // Creates Ligne01c..Ligne12c, then Ligne01..Ligne12 above them, with the
    // design layout (normal screen) and captions.
    explicit Screen(Form& form);
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    // --- operations applied by the decoder ---
    void EcrireCaractere(std::uint8_t code);  // ANSI code into the cursor cell
    void AvancerCurseur();
    void ReculerCurseur();
    void DescendreCurseur();
    void MonterCurseur();
    void CurseurOrigine();
    void DebutLigne();
    void EffacerFinLigne();
    void EffacerFinEcran();
    void AfficherCurseur();
    void CurseurClignotant();
    void CurseurFixe();
    void EteindreCurseur();

    // One step of the 300 ms blink: toggles the cursor row's strip when
    // blinking, shows it otherwise; nothing when the row is off screen.
    void blink();

    // --- state (read by the zoom and the blink timer; tests may set it) ---
    std::int8_t LigneCurseur = 0;    // 1..12; 0 = no row yet
    std::int8_t ColonneCurseur = 0;  // 1..40; 0 = no column yet
    bool ModeInsertion = false;      // writes are the same in both modes
    bool CurseurVisible = false;
    bool ClignotementCurseur = false;

    // n = 1..12.
    Label& ligne(int n) const { return *lines_.at(static_cast<std::size_t>(n - 1)); }
    Label& ligneC(int n) const { return *strips_.at(static_cast<std::size_t>(n - 1)); }
    // Line n's text: caption with "&&" collapsed, one ANSI byte a column.
    std::string lineText(int n) const;

private:
    bool cursorOnRow() const { return LigneCurseur >= 1 && LigneCurseur <= kRows; }
    Label& cursorLine() const { return ligne(LigneCurseur); }

    std::array<Label*, kRows> lines_{};
    std::array<Label*, kRows> strips_{};
};

}  // namespace vos::panel
