// Line settings, modem outputs and flow settings of the dispatcher (GUI thread).
#include <chrono>
#include <thread>

#include "serial/core/dispatcher_base.h"

namespace vos::serial {

namespace {

constexpr LineParity kParities[] = {LineParity::None, LineParity::Odd, LineParity::Even,
                                    LineParity::Mark, LineParity::Space};
constexpr int kDrainPolls = 5000;
constexpr auto kDrainPollPeriod = std::chrono::milliseconds(2);
constexpr int kSettleCharacters = 18;

// Time of `characters` characters of the frame `p` at `baud`, in whole
// milliseconds rounded up (doubled when below 1 ms).
std::chrono::milliseconds characterTime(const LineParams& p, std::uint32_t baud, int characters) {
    if (baud == 0) return std::chrono::milliseconds(0);
    const std::uint32_t bits = 1 + p.dataBits + (p.parity == LineParity::None ? 0 : 1) + p.stopBits;
    const std::uint64_t bitTime = 10000000u / baud;  // 100-ns units
    std::uint64_t total = static_cast<std::uint64_t>(characters) * bits * bitTime;
    if (total < 10000) total *= 2;
    return std::chrono::milliseconds((total + 9999) / 10000);
}

}  // namespace

LineParams TSerialBaseDispatcher::paramsFor(const LineSettings& line, const LineParams& current) const {
    LineParams p = current;
    p.baud = line.baud > 0 ? static_cast<std::uint32_t>(line.baud) : 0;
    p.parity = line.parity <= pSpace ? kParities[line.parity] : LineParity::None;
    p.dataBits = static_cast<std::uint8_t>(line.dataBits);
    p.stopBits = line.stopBits >= 2 ? 2 : 1;
    if (line.dataBits == 5) p.stopBits = 2;  // one and a half stop bits
    return p;
}

int TSerialBaseDispatcher::setLineSettings(const LineSettings& line) {
    if (!deviceIsOpen()) return kBadArgument;
    LineParams current;
    LineParams next;
    {
        std::lock_guard lk(mainMutex_);
        line_ = line;
        if (const int rc = deviceReadParams(current); rc != 0) return rc;
        next = paramsFor(line, current);
    }
    if (next == current) return 0;
    drainOutput();
    std::uint32_t previous;
    {
        std::lock_guard lk(mainMutex_);
        previous = previousBaud_;
    }
    std::this_thread::sleep_for(characterTime(next, previous, kSettleCharacters));
    std::lock_guard lk(mainMutex_);
    if (const int rc = deviceWriteParams(next); rc != 0) return rc;
    previousBaud_ = next.baud;
    return driveDtrRtsLocked();
}

void TSerialBaseDispatcher::drainOutput() {
    for (int i = 0; i < kDrainPolls; ++i) {
        {
            std::lock_guard lk(outMutex_);
            if (outRing_.used() == 0 || !writerRunning()) return;
        }
        std::this_thread::sleep_for(kDrainPollPeriod);
    }
}

int TSerialBaseDispatcher::driveDtrRtsLocked() {
    if (!(hwFlow_ & hwfUseDTR))
        if (const int rc = deviceSetDtr(dtr_); rc != 0) return rc;
    if (!(hwFlow_ & hwfUseRTS))
        if (const int rc = deviceSetRts(rts_); rc != 0) return rc;
    return 0;
}

int TSerialBaseDispatcher::setDtr(bool on) {
    if (!deviceIsOpen()) return kBadArgument;
    std::lock_guard lk(mainMutex_);
    dtr_ = on;
    return (hwFlow_ & hwfUseDTR) ? 0 : deviceSetDtr(on);
}

int TSerialBaseDispatcher::setRts(bool on) {
    if (!deviceIsOpen()) return kBadArgument;
    std::lock_guard lk(mainMutex_);
    rts_ = on;
    return (hwFlow_ & hwfUseRTS) ? 0 : deviceSetRts(on);
}

int TSerialBaseDispatcher::setFlowSettings(std::uint16_t bufferFull, std::uint16_t bufferResume,
                                           std::uint8_t hwOptions) {
    if (!deviceIsOpen()) return kBadArgument;
    std::lock_guard lk(mainMutex_);
    if (bufferFull < bufferResume || bufferFull > inSize_) return kBadArgument;
    hwFlow_ = hwOptions;
    // The fill levels have no Linux counterpart; only the CTS handshake does.
    LineParams params;
    if (const int rc = deviceReadParams(params); rc != 0) return rc;
    const bool rtsCts = (hwOptions & hwfRequireCTS) != 0;
    if (params.rtsCts != rtsCts) {
        params.rtsCts = rtsCts;
        if (const int rc = deviceWriteParams(params); rc != 0) return rc;
    }
    return driveDtrRtsLocked();
}

int TSerialBaseDispatcher::setQueueSizes(std::uint16_t, std::uint16_t) { return 0; }

int TSerialBaseDispatcher::lineErrors(bool clear) {
    if (deviceIsOpen()) refreshLineErrors();
    std::lock_guard lk(mainMutex_);
    const int value = lineErrors_;
    if (clear && value != -1) lineErrors_ = 0;
    return value;
}

std::uint8_t TSerialBaseDispatcher::modemStatus() const {
    std::lock_guard lk(mainMutex_);
    return modem_;
}

}  // namespace vos::serial
