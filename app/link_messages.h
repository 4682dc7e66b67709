#pragma once
// The operator's texts about the link to the control: the status texts of a
// port that is not open, the error box of a failed open, the message for a
// key pressed while the line is down, and the tooltip that names the device
// behind a port number.
#include <cstdint>
#include <exception>
#include <string>

#include "platform/core/port_map.h"

namespace vos::app {

// "COM1 NON DISPONIBLE", "COM1 LIAISON PERDUE", "COM1 9600", "COM1 OUVERTURE…".
std::string notAvailableText(int n);
std::string openingText(int n);
std::string lineLostText(int n);
std::string openText(int n, std::int32_t baud);

// The serial code a failure carries (the component's codes, or the negated
// system code of an EInOutError); 0 for any other error.
int failureCode(const std::exception_ptr& e);

// What the error box shows for the failed open of port n on `device`: the
// failure itself, as raised; for a refused permission, followed by the
// device tried and the remedy (the dialout group); for a device that is not
// a serial port, followed by the device tried and what to link instead; for
// a network port that cannot be reached, followed by its address and what
// the panel does; for an open without a chosen port, followed by what it
// means for the panel.
std::exception_ptr openFailureForOperator(const std::exception_ptr& e, int n, const DeviceTrail& device);

// The one message of an outage for a key that could not be sent: the line
// lost, the port not available, or no port chosen (n = 0).
std::string keyNotSentText(int n, bool lost);

// The one message of an open port whose control sent more than the program
// could take: `dropped` bytes were lost (the rest was shown).
std::string inputDroppedText(int n, std::uint64_t dropped);

// The device behind port n, for the status text's tooltip:
// "COM1 : /home/op/Vostrelle/Ports/COM1 → /dev/serial/by-id/usb-... (/dev/ttyUSB0)".
std::string deviceHint(int n, const DeviceTrail& device);

}  // namespace vos::app
