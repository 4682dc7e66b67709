#include "panel/screen.h"

#include <cstdio>

#include "design/screen.h"
#include "platform/qt/form.h"
#include "platform/qt/label.h"

namespace vos::panel {
namespace {

std::string numberedName(int n, const char* suffix) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "Ligne%02d%s", n, suffix);
    return buf;
}

void styleScreenLabel(Label& l, design::Bounds b, const char* caption) {
    l.setFont(FontSpec{design::layout::kFontFace, design::layout::kFontPixels, true, false, design::layout::kTextColor});
    l.setTransparent(false);
    l.setColor(design::layout::kBackground);
    l.setAutoSize(false);
    l.setGridColumns(design::kColumns);
    l.setBounds(b);
    l.setCaption(caption);
}

}  // namespace

Screen::Screen(Form& form) {
    // Strips first: the line labels must lie above them where they overlap.
    for (int n = 1; n <= kRows; ++n) {
        Label& s = form.addLabel(numberedName(n, "c"));
        styleScreenLabel(s, design::layout::stripBounds(n),
                         n == kRows ? design::layout::kInitialLastStrip : design::layout::kInitialCaption);
        s.setCapTopAligned(true);
        strips_[n - 1] = &s;
    }
    for (int n = 1; n <= kRows; ++n) {
        Label& l = form.addLabel(numberedName(n, ""));
        styleScreenLabel(l, design::layout::lineBounds(n), design::layout::kInitialCaption);
        lines_[n - 1] = &l;
    }
}

std::string Screen::lineText(int n) const { return textFromCaption(ligne(n).caption()); }

void Screen::EcrireCaractere(std::uint8_t code) {
    const std::uint8_t shown = code == 'O' ? 216 : code;  // O is shown as Ø
    if (!cursorOnRow()) return;
    Label& line = cursorLine();
    std::string caption;
    replaceColumn(line.caption(), ColonneCurseur, ansiToCodePoint(shown), caption);
    line.setCaption(std::move(caption));
}

void Screen::AvancerCurseur() {
    if (++ColonneCurseur > design::kColumns) {
        ColonneCurseur = 1;
        if (++LigneCurseur > kRows) LigneCurseur = 1;
    }
}

void Screen::ReculerCurseur() {
    if (--ColonneCurseur < 1) {
        ColonneCurseur = design::kColumns;
        if (--LigneCurseur < 1) LigneCurseur = kRows;
    }
}

void Screen::DescendreCurseur() {
    if (++LigneCurseur > kRows) LigneCurseur = 1;
}

void Screen::MonterCurseur() {
    if (--LigneCurseur < 1) LigneCurseur = kRows;
}

void Screen::CurseurOrigine() {
    LigneCurseur = 1;
    ColonneCurseur = 1;
}

void Screen::DebutLigne() { ColonneCurseur = 1; }

void Screen::EffacerFinLigne() {
    if (!cursorOnRow()) return;  // no row to write the blanks to
    Label& line = cursorLine();
    std::string caption;
    keepColumns(line.caption(), ColonneCurseur - 1, design::kColumns, caption);
    line.setCaption(std::move(caption));
}

void Screen::EffacerFinEcran() {
    EffacerFinLigne();
    // Row 1 is never blanked here: with the start row 0 the first line stays.
    const std::string blanks(design::kColumns, ' ');
    for (int n = 2; n <= kRows; ++n) {
        if (n <= LigneCurseur) continue;
        ligne(n).setCaption(blanks);
        ligneC(n).setCaption(blanks);
    }
    CurseurOrigine();
    AfficherCurseur();
}

void Screen::AfficherCurseur() {
    if (!CurseurVisible || !cursorOnRow()) return;
    Label& strip = ligneC(LigneCurseur);
    if (isStripCaption(strip.caption(), ColonneCurseur, SigneCurseur)) return;
    strip.setCaption(stripCaption(ColonneCurseur, SigneCurseur));
}

void Screen::CurseurClignotant() {
    ClignotementCurseur = true;
    CurseurVisible = true;
    AfficherCurseur();
}

void Screen::CurseurFixe() {
    ClignotementCurseur = false;
    CurseurVisible = true;
    AfficherCurseur();
}

void Screen::EteindreCurseur() {
    const std::string blanks(design::kColumns, ' ');
    for (Label* strip : strips_) {
        strip->setCaption(blanks);
        strip->hide();
    }
    ClignotementCurseur = true;
    CurseurVisible = false;
}

void Screen::blink() {
    if (!cursorOnRow()) return;
    Label& strip = ligneC(LigneCurseur);
    strip.setVisible(ClignotementCurseur ? !strip.visible() : true);
}

}  // namespace vos::panel
