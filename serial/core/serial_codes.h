#pragma once
// Numbers shared by the serial core and the port component above it: result
// codes, event kinds, status-trigger kinds, line-error and device-event bits.
#include <cstdint>

#include "platform/core/errno_codes.h"
#include "platform/core/serial_line.h"

namespace vos::serial {

// Result codes (0 = success; negative = failure). The operating-system range
// (-2 .. -162) comes from platform/core/errno_codes.h.
inline constexpr int kBadArgument = -1002;
inline constexpr int kPortNotAssigned = -1005;
inline constexpr int kBadId = -2001;
inline constexpr int kCommNotOpen = -2007;
inline constexpr int kAlreadyOpen = -2008;
inline constexpr int kNoPortSelected = -2011;
inline constexpr int kPutBlockFail = -3004;
inline constexpr int kOutputBufferTooSmall = -3006;
inline constexpr int kBufferIsEmpty = -3007;
inline constexpr int kNoMoreTriggers = -5001;
inline constexpr int kBadTriggerHandle = -5003;
inline constexpr int kNoChunkMemory = -13868;  // a receive chunk could not be allocated

// Event kinds as delivered to a receiver (first parameter / second parameter
// low 16 bits in brackets). The second parameter's upper 16 bits carry the
// dispatcher's slot number.
inline constexpr std::uint16_t kEventDataAvail = 0x7E01;      // (count / 0)
inline constexpr std::uint16_t kEventDataMatch = 0x7E02;      // never raised here
inline constexpr std::uint16_t kEventTimer = 0x7E03;          // (handle / 0)
inline constexpr std::uint16_t kEventStatus = 0x7E04;         // (handle / count for kinds 3, 4)
inline constexpr std::uint16_t kEventPortOpened = 0x7E08;     // used by the component
inline constexpr std::uint16_t kEventPortClosed = 0x7E09;     // used by the component
inline constexpr std::uint16_t kEventDeferredClose = 0x7E0A;  // used by the component

// Status-trigger kinds (the low 3 bits of a status trigger's handle).
inline constexpr int kStatusModem = 1;       // value: mask of modem lines
inline constexpr int kStatusLineError = 2;   // value: mask of line-error bits
inline constexpr int kStatusOutFree = 3;     // value: free bytes threshold
inline constexpr int kStatusOutUsed = 4;     // value: used bytes threshold
inline constexpr int kStatusOutSent = 5;     // no value
inline constexpr int kStatusKindCount = 5;

// Line-error bits (accumulated; -1 after a device read or write failure).
// Status triggers of kind 2 select among them: 7 = any error, 8 = break.
inline constexpr int kLineOverrun = 0x01;  // hardware overrun or driver queue overflow
inline constexpr int kLineParity = 0x02;
inline constexpr int kLineFrame = 0x04;
inline constexpr int kLineBreak = 0x08;

// Modem status: the kModem* line bits of platform/core/serial_line.h in the
// upper nibble, change bits in the lower nibble.
inline constexpr std::uint8_t kModemDeltaCts = 0x01;
inline constexpr std::uint8_t kModemDeltaDsr = 0x02;
inline constexpr std::uint8_t kModemRingEnded = 0x04;  // trailing edge of ring
inline constexpr std::uint8_t kModemDeltaDcd = 0x08;

// Device-event bits carried by status records of the I/O queue.
inline constexpr std::uint32_t kDevRxChar = 0x0001;
inline constexpr std::uint32_t kDevCts = 0x0008;
inline constexpr std::uint32_t kDevDsr = 0x0010;
inline constexpr std::uint32_t kDevDcd = 0x0020;
inline constexpr std::uint32_t kDevBreak = 0x0040;
inline constexpr std::uint32_t kDevError = 0x0080;
inline constexpr std::uint32_t kDevRing = 0x0100;
inline constexpr std::uint32_t kDevRingEnded = 0x2000;
inline constexpr std::uint32_t kDevRingMask = kDevRing | kDevRingEnded;                    // 0x2100
inline constexpr std::uint32_t kDevModemMask = kDevCts | kDevDsr | kDevDcd | kDevRingMask;  // 0x2138
inline constexpr std::uint32_t kDevLineMask = kDevBreak | kDevError;                        // 0xC0
inline constexpr std::uint32_t kDevReportMask = kDevModemMask | kDevLineMask;               // 0x21F8

inline constexpr int kDeliveryTimeoutMs = 3000;
inline constexpr int kThreadStartTimeoutMs = 3000;
inline constexpr int kClearOutputTimeoutMs = 5000;
// The wait for it is cut in slices that check that the writer still runs.
inline constexpr int kClearOutputSliceMs = 10;
inline constexpr std::size_t kInputRingSize = 8192;
inline constexpr std::size_t kChunkSize = 256;

}  // namespace vos::serial
