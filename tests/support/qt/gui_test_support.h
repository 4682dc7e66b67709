#pragma once
// Helpers for tests that run real Qt widgets (the gui, faults and e2e labels).
// The test main builds a QApplication (offscreen platform unless
// QT_QPA_PLATFORM says otherwise) and routes every message box to a recorder
// instead of showing it, so tests can assert on the boxes the program raised.
#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace vos::test {

// Boxes raised since the last clear, in order: {kind, text} where kind is
// "error", "info" or "message".
std::vector<std::pair<std::string, std::string>>& recordedMessages();
void clearRecordedMessages();
// Texts of the recorded error boxes only.
std::vector<std::string> recordedErrors();

// Serves events until cond() holds or the time limit passes; returns cond().
// The limit is generous on purpose: tests run on a loaded machine.
bool waitUntil(const std::function<bool()>& cond,
               std::chrono::milliseconds limit = std::chrono::seconds(20));

// Serves events for about the given time (for "nothing happens" checks).
void serveEventsFor(std::chrono::milliseconds duration);

// Restores the recording sink (after a test installed its own).
void installRecordingSink();

}  // namespace vos::test
