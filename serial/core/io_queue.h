#pragma once
// The I/O queue between the device threads and the dispatcher thread.
//
// The reader appends received chunks (TDataBuffer), the status watcher appends
// device-event masks (TStatusBuffer); only the dispatcher thread removes
// records, except clear(), which the owner may call from the GUI thread. All
// members are thread-safe. The queue has no size limit: while the input ring
// is full, chunks wait here.
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

    void appendData(std::unique_ptr<TDataBuffer> chunk);
    void appendStatus(std::uint32_t mask);

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
    WakeEvent appended_;
};

}  // namespace vos::serial
