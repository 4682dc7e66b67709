#include "input/screen_copy.h"

#include "panel/screen.h"
#include "panel/screen_text.h"
#include "platform/qt/label.h"

namespace vos::input {
namespace {

// The screen writes the control's O as Ø (Screen::EcrireCaractere); the
// control sends no Ø of its own (its characters are 7-bit), so every Ø on the
// screen is an O.
constexpr char32_t kOShown = 0xD8;
constexpr char32_t kOSent = 'O';

}  // namespace

std::string screenCopyText(const panel::Screen& screen) {
    std::string out;
    for (int n = 1; n <= panel::Screen::kRows; ++n) {
        const std::string line = panel::collapseAmpersands(screen.ligne(n).caption());
        for (std::size_t pos = 0; pos < line.size();) {
            const char32_t cp = panel::decodeUtf8(line, pos);
            appendUtf8(out, cp == kOShown ? kOSent : cp);
        }
        out += '\n';
    }
    return out;
}

}  // namespace vos::input
