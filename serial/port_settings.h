#pragma once
// The settings of the serial port component and the pure rules its setters
// apply, apart from the component so that they are checked on their own.
#include <cstdint>

#include "serial/core/serial_settings.h"

namespace vos {

enum TSWFlowOptions : std::uint8_t { swfNone, swfReceive, swfTransmit, swfBoth };

// Every stored setting, with the component's own defaults (an instance made
// without stored values). `Open` is not here: it is run-time state.
struct TSerialPortSettings {
    std::uint16_t ComNumber = 0;  // 0: no port chosen
    std::int32_t Baud = 19200;
    TParity Parity = pNone;
    std::uint16_t DataBits = 8;
    std::uint16_t StopBits = 1;
    std::uint16_t InSize = 4096;
    std::uint16_t OutSize = 4096;
    std::uint16_t BufferFull = 0;
    std::uint16_t BufferResume = 0;
    std::uint8_t HWFlowOptions = 0;  // THwFlowOption bits
    TSWFlowOptions SWFlowOptions = swfNone;
    std::uint8_t XOnChar = 17;
    std::uint8_t XOffChar = 19;
    bool DTR = true;
    bool RTS = true;
    bool AutoOpen = true;
    bool PromptForPort = true;
    std::uint16_t AvailThreshold = 1;
};

// A BufferFull above InSize becomes InSize x 9/10, truncated.
constexpr std::uint16_t correctedBufferFull(std::uint16_t full, std::uint16_t inSize) {
    return full > inSize ? static_cast<std::uint16_t>(inSize * 9u / 10u) : full;
}

// A BufferResume above BufferFull becomes BufferFull / 10, truncated.
constexpr std::uint16_t correctedBufferResume(std::uint16_t resume, std::uint16_t full) {
    return resume > full ? static_cast<std::uint16_t>(full / 10u) : resume;
}

// The levels the device is given with no flow option set: XOFF limit =
// InSize - BufferFull, XON limit = BufferResume. Valid when resume <= full <=
// inSize (the flow settings are refused with "Bad argument" otherwise).
constexpr bool flowLevelsValid(std::uint16_t full, std::uint16_t resume, std::uint16_t inSize) {
    return resume <= full && full <= inSize;
}

// Time of 18 characters at `line`'s speed, in whole milliseconds (rounded
// up): what the output needs to leave the wire after the output ring is
// empty, before the line settings change. A character is 1 start bit, the
// data bits, a parity bit if any and the stop bits (one and a half with 5
// data bits); a total below 1 ms is doubled.
constexpr std::uint32_t drainPauseMs(const LineSettings& line) {
    const std::uint64_t speed = line.baud > 0 ? static_cast<std::uint64_t>(line.baud) : 1;
    const std::uint64_t bitTime = 10000000 / speed;  // 100-ns units
    std::uint64_t stopHalves = line.stopBits >= 2 ? 4 : 2;
    if (line.dataBits == 5) stopHalves = 3;
    const std::uint64_t halves =
        2 * (1 + line.dataBits + (line.parity != pNone ? 1 : 0)) + stopHalves;
    std::uint64_t total = 18 * halves * bitTime / 2;  // 100-ns units
    if (total < 10000) total *= 2;
    return static_cast<std::uint32_t>((total + 9999) / 10000);
}

}  // namespace vos
