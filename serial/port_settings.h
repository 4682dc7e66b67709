#pragma once
// The settings of the serial port component and the pure rules its setters
// apply, apart from the component so that they are checked on their own.
#include <cstdint>

#include "serial/core/serial_settings.h"

namespace vos::serial {

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

}  // namespace vos::serial
