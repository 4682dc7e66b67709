// Fuzz target: the receive side of the panel with its real controls. Any byte
// stream, cut into data-available events at points taken from the input, is
// fed through Receiver -> Decoder -> Screen / LampBank on a Form; after every
// event the panel's invariants must hold, and at the end the panel must be
// exactly what the same stream gives in one single event. Any violation
// aborts (a libFuzzer finding).
//
// Input layout:
//   byte 0      bit 0: milling machine (else lathe); bit 1: big screen shown;
//               bits 2-7: number k of cut points (0..63)
//   2k bytes    the cut points, 16-bit little-endian offsets into the stream
//               (taken modulo its length + 1; equal points give empty events)
//   the rest    the byte stream from the control
//
// Both panels start as the main window leaves them after its activation:
// the banner on the lines (line 4 is 39 characters), blank strips.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/form1_design.h"
#include "fuzz/fuzz_qt_app.h"
#include "panel/decoder.h"
#include "panel/lamps.h"
#include "panel/machine_type.h"
#include "panel/receiver.h"
#include "panel/screen.h"
#include "panel/screen_text.h"
#include "platform/qt/form.h"
#include "platform/qt/label.h"
#include "platform/qt/shape.h"

namespace {

using vos::panel::Screen;

[[noreturn]] void violation(const char* what, int detail = 0) {
    std::fprintf(stderr, "panel invariant violated: %s (%d)\n", what, detail);
    std::abort();
}

#define PANEL_CHECK(cond, detail) \
    do {                          \
        if (!(cond)) violation(#cond, (detail)); \
    } while (0)

// Lamp of each value of the second selector group, -1 for none. Written
// from the command table, not taken from the lamp bank's own table.
constexpr std::array<int, 16> kLampOfValue32 = {-1, 30, 31, 32, 33, 34, 35, -1,
                                                -1, -1, 36, 37, 38, 39, -1, -1};

// Characters a line can hold after the banner: the banner's own, and what
// the control can write (32-126 but the letter O, plus 177 and 216).
bool allowedOnLine(unsigned char c) {
    return (c >= 32 && c <= 126 && c != 'O') || c == 177 || c == 216;
}

// The panel modules of the main window on a Form of their own, with the
// big-screen frame they read.
struct Panel {
    vos::Form form{"Panel", vos::FormStyle::Borderless};
    vos::panel::MachineType type;
    vos::panel::LampBank lamps{form, type};
    vos::Shape& grandeVisu = form.addShape("GrandeVisu");
    Screen screen{form};
    int beeps = 0;
    vos::panel::Decoder decoder{screen, lamps, [this](int hz, int ms) {
                                    PANEL_CHECK(hz == 500 && ms == 50, hz);
                                    ++beeps;
                                }};
    vos::panel::Receiver receiver{form, decoder};

    Panel() { lamps.setBigScreen(&grandeVisu); }

    // The state after the window's activation, for a new input.
    void reset(bool milling, bool bigScreen) {
        vos::panel::applyMachineTypeRule(milling ? vos::design::kSkinMilling : "num760t.jpg", type);
        grandeVisu.setVisible(bigScreen);
        for (int i = 0; i < vos::design::lamps::kCount; ++i) lamps.led(i).hide();
        lamps.DernierChoix16 = 0;
        lamps.DernierChoix32 = 6;
        for (int n = 1; n <= Screen::kRows; ++n) {
            const auto text = n == vos::app::kBannerLine ? vos::app::kBannerText : vos::app::kBlankLine;
            screen.ligne(n).setCaption(std::string(text));
            screen.ligneC(n).setCaption(std::string(vos::app::kBlankLine));
            screen.ligneC(n).show();
        }
        screen.LigneCurseur = 0;
        screen.ColonneCurseur = 0;
        screen.ModeInsertion = false;
        screen.CurseurVisible = false;
        screen.ClignotementCurseur = false;
        receiver.labelNbOctets().setCaption("000");
        beeps = 0;
    }
};

// The bytes of one event; taking more than announced is a fault of the test.
struct StreamSource : vos::panel::ByteSource {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t next = 0;
    std::uint8_t TakeByte() override {
        PANEL_CHECK(next < size, static_cast<int>(next));
        return data[next++];
    }
};

// What the byte stream so far implies, to check the panel against.
struct Expectations {
    bool homed = false;          // a home or clear command has come
    bool bannerLineLong = false; // line 4 has been 40 characters once
    int beeps = 0;

    void consumed(const std::uint8_t* bytes, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint8_t b = bytes[i];
            homed = homed || b == 131 || b == 140 || b == 143 || b == 156;
            beeps += b == 128;
        }
    }
};

void checkLines(const Panel& p, Expectations& e) {
    for (int n = 1; n <= Screen::kRows; ++n) {
        const std::string& caption = p.screen.ligne(n).caption();
        const std::string text = p.screen.lineText(n);
        // The caption is the text with every "&" doubled, nothing else.
        PANEL_CHECK(vos::panel::captionFromText(text) == caption, n);
        if (n == vos::app::kBannerLine && text.size() == 39) {
            // The banner's length survives until a clear gives it 40.
            PANEL_CHECK(!e.bannerLineLong, n);
        } else {
            PANEL_CHECK(text.size() == 40, n);
        }
        if (n == vos::app::kBannerLine && text.size() == 40) e.bannerLineLong = true;
        for (unsigned char c : text) PANEL_CHECK(allowedOnLine(c), c);
    }
}

void checkStrips(const Panel& p) {
    const Screen& s = p.screen;
    const bool onCell = s.LigneCurseur >= 1 && s.LigneCurseur <= 12 && s.ColonneCurseur >= 1 &&
                        s.ColonneCurseur <= 40;
    for (int n = 1; n <= Screen::kRows; ++n) {
        const std::string& strip = s.ligneC(n).caption();
        PANEL_CHECK(strip.size() == 40, n);
        int marks = 0;
        for (char c : strip) {
            PANEL_CHECK(c == ' ' || c == Screen::SigneCurseur, n);
            marks += c == Screen::SigneCurseur;
        }
        PANEL_CHECK(marks <= 1, n);
        // No mark is drawn while the cursor is off, and turning it off blanks all.
        if (!s.CurseurVisible) PANEL_CHECK(marks == 0, n);
    }
    // Every byte that moves a visible cursor redraws its mark.
    if (s.CurseurVisible && onCell)
        PANEL_CHECK(s.ligneC(s.LigneCurseur).caption() ==
                        vos::panel::stripCaption(s.ColonneCurseur, Screen::SigneCurseur),
                    s.ColonneCurseur);
}

void checkCursor(const Panel& p, const Expectations& e) {
    const Screen& s = p.screen;
    PANEL_CHECK(s.LigneCurseur >= 0 && s.LigneCurseur <= 12, s.LigneCurseur);
    PANEL_CHECK(s.ColonneCurseur >= 0 && s.ColonneCurseur <= 40, s.ColonneCurseur);
    if (e.homed) {
        PANEL_CHECK(s.LigneCurseur >= 1, s.LigneCurseur);
        PANEL_CHECK(s.ColonneCurseur >= 1, s.ColonneCurseur);
    }
}

void checkLamps(const Panel& p, bool milling, bool bigScreen) {
    const auto& l = p.lamps;
    PANEL_CHECK(l.DernierChoix16 <= 15, l.DernierChoix16);
    PANEL_CHECK(l.DernierChoix32 <= 15, l.DernierChoix32);
    for (int i = 0; i < vos::design::lamps::kCount; ++i) {
        if (!l.led(i).visible()) continue;
        PANEL_CHECK(!bigScreen || i == 41, i);  // the one lamp lit over the big screen
        PANEL_CHECK(i != 26 && i != 27, i);     // driven by no byte
        if (i <= 15) PANEL_CHECK(i == l.DernierChoix16, i);
        if (i >= 30 && i <= 39) PANEL_CHECK(i == kLampOfValue32[l.DernierChoix32], i);
        if (milling) PANEL_CHECK(i != 24 && i != 29, i);
        else PANEL_CHECK(i != 25 && i != 28, i);
    }
}

void checkAfterEvent(const Panel& p, Expectations& e, bool milling, bool bigScreen, std::size_t count) {
    checkLines(p, e);
    checkStrips(p);
    checkCursor(p, e);
    checkLamps(p, milling, bigScreen);
    PANEL_CHECK(p.receiver.labelNbOctets().caption() == std::to_string(count), static_cast<int>(count));
    PANEL_CHECK(p.beeps == e.beeps, p.beeps);
}

void checkSame(const Panel& a, const Panel& b) {
    for (int n = 1; n <= Screen::kRows; ++n) {
        PANEL_CHECK(a.screen.ligne(n).caption() == b.screen.ligne(n).caption(), n);
        PANEL_CHECK(a.screen.ligneC(n).caption() == b.screen.ligneC(n).caption(), n);
        PANEL_CHECK(a.screen.ligneC(n).visible() == b.screen.ligneC(n).visible(), n);
    }
    for (int i = 0; i < vos::design::lamps::kCount; ++i)
        PANEL_CHECK(a.lamps.led(i).visible() == b.lamps.led(i).visible(), i);
    PANEL_CHECK(a.lamps.DernierChoix16 == b.lamps.DernierChoix16, 16);
    PANEL_CHECK(a.lamps.DernierChoix32 == b.lamps.DernierChoix32, 32);
    PANEL_CHECK(a.screen.LigneCurseur == b.screen.LigneCurseur, a.screen.LigneCurseur);
    PANEL_CHECK(a.screen.ColonneCurseur == b.screen.ColonneCurseur, a.screen.ColonneCurseur);
    PANEL_CHECK(a.screen.ModeInsertion == b.screen.ModeInsertion, 0);
    PANEL_CHECK(a.screen.CurseurVisible == b.screen.CurseurVisible, 0);
    PANEL_CHECK(a.screen.ClignotementCurseur == b.screen.ClignotementCurseur, 0);
    PANEL_CHECK(a.beeps == b.beeps, a.beeps);
}

// Feeds stream[from, to) as one data-available event.
void feed(Panel& p, const std::uint8_t* stream, std::size_t from, std::size_t to) {
    StreamSource src;
    src.data = stream + from;
    src.size = to - from;
    p.receiver.PortTriggerAvail(src, static_cast<std::uint16_t>(to - from));
    PANEL_CHECK(src.next == src.size, static_cast<int>(src.next));
}

Panel* gSplit = nullptr;
Panel* gWhole = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    vos::fuzz::startQtApplication(argc, argv);
    // Built once: creating some 70 widgets per input would dominate the run.
    // reset() brings back every piece of state the panel has.
    gSplit = new Panel;
    gWhole = new Panel;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool milling = data[0] & 1;
    const bool bigScreen = data[0] & 2;
    const std::size_t cutCount = std::min<std::size_t>(data[0] >> 2, (size - 1) / 2);
    const std::uint8_t* stream = data + 1 + 2 * cutCount;
    const std::size_t length = size - 1 - 2 * cutCount;
    if (length > 0xFFFF) return 0;  // one event announces at most 65535 bytes

    std::vector<std::size_t> cuts{0, length};
    for (std::size_t i = 0; i < cutCount; ++i) {
        const std::size_t raw = data[1 + 2 * i] | (std::size_t{data[2 + 2 * i]} << 8);
        cuts.push_back(raw % (length + 1));
    }
    std::sort(cuts.begin(), cuts.end());

    Panel& split = *gSplit;
    Panel& whole = *gWhole;
    split.reset(milling, bigScreen);
    whole.reset(milling, bigScreen);

    Expectations e;
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
        feed(split, stream, cuts[i], cuts[i + 1]);
        e.consumed(stream + cuts[i], cuts[i + 1] - cuts[i]);
        checkAfterEvent(split, e, milling, bigScreen, cuts[i + 1] - cuts[i]);
    }
    feed(whole, stream, 0, length);
    checkSame(split, whole);
    return 0;
}
