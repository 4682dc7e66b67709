#pragma once
// Message text for a serial result code.
#include <string>

namespace vos::serial {

// The message table's text for `code` (looked up by its absolute value);
// failing that the operating system's text for the error number |code|, with
// control characters blanked and double blanks reduced; failing that "".
std::string messageForCode(int code);

// Control characters become blanks, runs of blanks become one blank.
std::string tidySystemText(const std::string& text);

}  // namespace vos::serial
