#pragma once
// Text of the about box: seven lines joined by CR LF (the last one empty).
// Pure function: callable from any thread.
#include <string>

#include "platform/core/os_version.h"

namespace vos::app {

// `version`: the OS version record read at start-up; `pixelsPerInch`: the
// main window's. Numbers are written as unsigned decimals.
std::string aboutText(const OsVersion& version, unsigned pixelsPerInch);

}  // namespace vos::app
