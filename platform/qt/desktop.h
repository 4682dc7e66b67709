#pragma once
// Services of the desktop and the OS that the program asks for by name.
#include <functional>
#include <string>
#include <vector>

namespace vos {

// Adds a TrueType file to the program's font table and makes the face the
// screen lines ask for ("Lucida Sans Typewriter") resolve to it. A missing or
// bad file is not an error: returns false and changes nothing.
bool installFont(const std::string& path);

// A tone of the given frequency and duration on the default sound device.
// Silent and immediate where there is no sound device. Blocks for the tone.
void beep(int frequencyHz, int durationMs);

// Opens a document with the desktop's program for its type. The result is not
// reported: a missing document or no program gives nothing.
void openDocument(const std::string& path);

// Puts plain text (UTF-8) on the desktop's clipboard.
void copyToClipboard(const std::string& utf8);

// Starts a program with arguments, detached; returns false if it cannot start.
bool startDetached(const std::string& program, const std::vector<std::string>& args);

// The program's folder, with a trailing '/': the folder of the path the
// program was started by, also when that path is a symbolic link to a program
// file lying elsewhere (platform/core/started_path.h); the program file's own
// folder when that path is not known. Ask at start-up (a relative start path
// is taken from the working folder).
std::string programFolder();

// Runs the application: builds the windows through `build`, then serves
// events until the main window has closed. An exception escaping `build` (or
// the first show, i.e. the start-up sequence) is shown in the error box and
// the program ends with status 1. Returns the exit status. When `build` has
// not shown the first form created (the main form), it is shown here. The
// application object outlives the call, so the windows may be destroyed after
// it returns. SIGTERM, SIGHUP and SIGINT, and the loss of the display, end
// the program through the main form's close (session_end.h). Call once per
// process.
int runApplication(int argc, char** argv, const std::function<void()>& build);

// Ends the event loop with the given status (after the current handler).
void quitApplication(int status);

// Serves pending events once (used while a close waits for worker threads).
void processPendingEvents();

}  // namespace vos
