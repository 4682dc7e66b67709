#pragma once
// The I/O queue between the device threads and the dispatcher thread.
//
// The reader appends received chunks (TDataBuffer), the status watcher appends
// device-event masks (TStatusBuffer); only the dispatcher thread removes
// records, except clear(), which the owner may call from the GUI thread. All
// members are thread-safe. While the input ring is full (the GUI thread takes
// nothing), chunks wait here, up to a bound.
//
// The bound: kInputQueueLimit bytes. A peer can send far faster than a
// serial line (a pseudo-terminal, a network port: megabytes a second); what
// arrives beyond the bound is dropped, like bytes a UART had no room for,
// counted (droppedBytes()) and reported once per overflow (takeOverflow()).
// Nothing already queued is ever dropped. A received chunk is first copied
// into the free space of the last chunk, so the memory held stays close to
// the bytes held even when the reader gets one byte per read.
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <variant>

#include "platform/core/wake_event.h"
#include "serial/core/ring.h"
#include "serial/core/serial_codes.h"

namespace vos::serial {

// 4 MiB: at 19200 baud (1,920 bytes a second) over half an hour of line
// while the GUI thread takes nothing, so at real line rates nothing is ever
// dropped; and a few megabytes of memory at most, whatever the peer sends.
inline constexpr std::size_t kInputQueueLimit = std::size_t{4} << 20;
// Records besides: full chunks for the bytes above, and room for status
// records (each may leave the chunk before it partly filled). A status
// record beyond this is dropped too: it carries no bytes, and what it tells
// is read again from the device (modem lines every cycle, error counters
// as totals) by the next one that gets in.
inline constexpr std::size_t kInputQueueMaxRecords = kInputQueueLimit / kChunkSize + 1024;

struct TDataBuffer {
    std::array<std::uint8_t, kChunkSize> data{};
    std::uint16_t size = kChunkSize;
    std::uint16_t filled = 0;
    std::uint16_t consumed = 0;

    // A fresh chunk. Throws std::runtime_error("Insufficient memory to allocate
    // I/O buffer.") when memory is exhausted.
    static std::unique_ptr<TDataBuffer> create();
};

struct TStatusBuffer {
    std::uint32_t mask = 0;
};

class TIOQueue {
public:
    TIOQueue() = default;
    TIOQueue(const TIOQueue&) = delete;
    TIOQueue& operator=(const TIOQueue&) = delete;

    // 0, or the errno that kept the wake-up event from being created.
    int error() const { return appended_.error(); }

    // Queues the chunk's unread bytes, as far as the bound lets them in.
    void appendData(std::unique_ptr<TDataBuffer> chunk);
    void appendStatus(std::uint32_t mask);

    // Bytes dropped at the bound since construction or resetDropped().
    std::uint64_t droppedBytes() const;
    void resetDropped();
    // True once after bytes were dropped (cleared by the call).
    bool takeOverflow();

    // Dispatcher thread: removes the head record when it is a status record
    // and returns its mask.
    std::optional<std::uint32_t> takeStatusAtHead();
    // Dispatcher thread: copies bytes from the data records at the head, in
    // order and across records, into `ring` until the ring is full, a status
    // record comes up or the queue is empty. Records used up are removed.
    // Returns the number of bytes moved.
    std::size_t moveInto(ByteRing& ring);

    // Removes every record.
    void clear();
    bool empty() const;
    std::size_t queuedBytes() const;
    std::size_t recordCount() const;

    // Signalled (auto-reset) whenever a record is appended.
    WakeEvent& appended() { return appended_; }

private:
    using Record = std::variant<std::unique_ptr<TDataBuffer>, TStatusBuffer>;

    mutable std::mutex m_;
    std::deque<Record> records_;
    std::size_t queuedBytes_ = 0;
    std::uint64_t dropped_ = 0;
    bool overflow_ = false;
    WakeEvent appended_;
};

}  // namespace vos::serial
