#pragma once
// Message boxes. Each runs a nested event loop until dismissed.
#include <functional>
#include <string>

namespace vos {

// Error icon, one OK button, title "Vostrelle".
void showErrorBox(const std::string& utf8);
// Information icon, one OK button, its top-left corner at (x, y) on the screen.
void showInfoBoxAt(const std::string& utf8, int x, int y);
// No icon, one OK button.
void showMessage(const std::string& utf8);

// Tests and headless runs: when set, boxes are not shown; each text is passed
// to the sink instead (and the call returns at once). kind is "error",
// "info" or "message" after the function that was called. An empty function
// restores the real boxes.
void setMessageSink(std::function<void(const std::string& kind, const std::string& text)> sink);

}  // namespace vos
