#pragma once
// Line and start settings as the port component hands them to its dispatcher.
#include <cstdint>
#include <memory>
#include <string>

namespace vos {
class SerialDevice;
}  // namespace vos

namespace vos::serial {


enum TParity : std::uint8_t { pNone, pOdd, pEven, pMark, pSpace };

// Hardware handshake options (a set of these bits).
enum THwFlowOption : std::uint8_t {
    hwfUseDTR = 0x01,
    hwfUseRTS = 0x02,
    hwfRequireDSR = 0x04,
    hwfRequireCTS = 0x08,
};

struct LineSettings {
    std::int32_t baud = 19200;
    TParity parity = pNone;
    std::uint16_t dataBits = 8;
    std::uint16_t stopBits = 1;  // 0 counts as 1, above 2 as 2
    bool operator==(const LineSettings&) const = default;
};

struct StartSettings {
    std::string deviceName;      // path of the device node (see platform/core/port_map.h)
    // Already open on deviceName (opened on another thread, see
    // serial/core/device_opener.h): taken over instead of opening the node.
    std::shared_ptr<SerialDevice> device;
    LineSettings line;
    std::uint16_t inSize = 4096;   // driver receive queue; upper bound of the flow levels
    std::uint16_t outSize = 4096;  // size of the output ring
    bool dtr = true;
    bool rts = true;
    std::uint8_t hwFlow = 0;  // THwFlowOption bits
};

}  // namespace vos::serial
