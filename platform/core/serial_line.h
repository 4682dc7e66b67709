#pragma once
// Line parameters of a serial device and their termios form.
//
// The device is always used raw: 8-bit clean, no echo, no signal characters,
// no CR/LF translation, no software flow control, CLOCAL | CREAD, reads that
// return whatever is there (VMIN 1, VTIME 0 on a non-blocking descriptor).
#include <termios.h>

#include <cstdint>

namespace vos {

// Modem input bits as the serial layer keeps them (modem status register order).
inline constexpr std::uint8_t kModemCts = 0x10;
inline constexpr std::uint8_t kModemDsr = 0x20;
inline constexpr std::uint8_t kModemRing = 0x40;
inline constexpr std::uint8_t kModemDcd = 0x80;

enum class LineParity : std::uint8_t { None, Odd, Even, Mark, Space };

struct LineParams {
    std::uint32_t baud = 9600;
    LineParity parity = LineParity::None;
    std::uint8_t dataBits = 8;  // 5 to 8
    std::uint8_t stopBits = 1;  // 1 or 2
    bool rtsCts = false;        // hardware output flow control
    bool operator==(const LineParams&) const = default;
};

// The termios speed constant for `baud`, or B0 when the system has none.
speed_t speedConstant(std::uint32_t baud);
// The speed in bit/s of a termios speed constant, 0 when unknown.
std::uint32_t baudFromSpeed(speed_t speed);

// Makes `t` raw, leaving speed, size, parity and stop bits as they are.
void makeRawTermios(termios& t);
// Writes `params` into `t` and makes it raw. Returns 0, or EINVAL when the
// parameters have no termios form (unknown speed, data bits outside 5-8).
int applyLineParams(const LineParams& params, termios& t);
// The parameters that `t` stands for.
LineParams lineParamsOf(const termios& t);

}  // namespace vos
