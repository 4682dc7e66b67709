#pragma once
// The character screen as plain text, for the clipboard (Ctrl+C): the 12
// lines top to bottom, each ended by "\n", every column as the control sent
// it: "&&" of the caption as one "&", the letter O that the screen shows as
// Ø as an O again. UTF-8.
//
// Pure reading of the line captions: GUI thread, like the Screen.
#include <string>

namespace vos::panel {
class Screen;
}

namespace vos::input {

std::string screenCopyText(const panel::Screen& screen);

}  // namespace vos::input
