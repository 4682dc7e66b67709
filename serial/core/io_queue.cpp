#include "serial/core/io_queue.h"

#include <algorithm>
#include <new>
#include <stdexcept>
#include <utility>

namespace vos::serial {

std::unique_ptr<TDataBuffer> TDataBuffer::create() {
    try {
        return std::make_unique<TDataBuffer>();
    } catch (const std::bad_alloc&) {
        throw std::runtime_error("Insufficient memory to allocate I/O buffer.");
    }
}

void TIOQueue::appendData(std::unique_ptr<TDataBuffer> chunk) {
    if (!chunk || chunk->filled <= chunk->consumed) return;
    {
        std::lock_guard lk(m_);
        std::size_t n = chunk->filled - chunk->consumed;
        const std::size_t room = kInputQueueLimit - queuedBytes_;
        if (n > room) {
            dropped_ += n - room;
            overflow_ = true;
            n = room;
        }
        if (n == 0) return;
        if (!records_.empty()) {
            if (auto* last = std::get_if<std::unique_ptr<TDataBuffer>>(&records_.back())) {
                TDataBuffer& tail = **last;
                const std::size_t fits = std::min(n, tail.data.size() - tail.filled);
                std::copy_n(chunk->data.data() + chunk->consumed, fits, tail.data.data() + tail.filled);
                tail.filled = static_cast<std::uint16_t>(tail.filled + fits);
                chunk->consumed = static_cast<std::uint16_t>(chunk->consumed + fits);
                queuedBytes_ += fits;
                n -= fits;
            }
        }
        if (n > 0 && records_.size() >= kInputQueueMaxRecords) {
            dropped_ += n;
            overflow_ = true;
        } else if (n > 0) {
            chunk->filled = static_cast<std::uint16_t>(chunk->consumed + n);
            queuedBytes_ += n;
            records_.emplace_back(std::move(chunk));
        }
    }
    appended_.set();
}

void TIOQueue::appendStatus(std::uint32_t mask) {
    {
        std::lock_guard lk(m_);
        if (records_.size() >= kInputQueueMaxRecords) return;
        records_.emplace_back(TStatusBuffer{mask});
    }
    appended_.set();
}

std::uint64_t TIOQueue::droppedBytes() const {
    std::lock_guard lk(m_);
    return dropped_;
}

void TIOQueue::resetDropped() {
    std::lock_guard lk(m_);
    dropped_ = 0;
    overflow_ = false;
}

bool TIOQueue::takeOverflow() {
    std::lock_guard lk(m_);
    return std::exchange(overflow_, false);
}

std::optional<std::uint32_t> TIOQueue::takeStatusAtHead() {
    std::lock_guard lk(m_);
    if (records_.empty()) return std::nullopt;
    const auto* status = std::get_if<TStatusBuffer>(&records_.front());
    if (!status) return std::nullopt;
    const std::uint32_t mask = status->mask;
    records_.pop_front();
    return mask;
}

std::size_t TIOQueue::moveInto(ByteRing& ring) {
    std::lock_guard lk(m_);
    std::size_t moved = 0;
    while (!records_.empty() && !ring.full()) {
        auto* chunk = std::get_if<std::unique_ptr<TDataBuffer>>(&records_.front());
        if (!chunk) break;
        TDataBuffer& b = **chunk;
        const std::size_t n = ring.write(b.data.data() + b.consumed, b.filled - b.consumed);
        b.consumed = static_cast<std::uint16_t>(b.consumed + n);
        moved += n;
        queuedBytes_ -= n;
        if (b.consumed < b.filled) break;  // the ring is full
        records_.pop_front();
    }
    return moved;
}

void TIOQueue::clear() {
    std::lock_guard lk(m_);
    records_.clear();
    queuedBytes_ = 0;
}

bool TIOQueue::empty() const {
    std::lock_guard lk(m_);
    return records_.empty();
}

std::size_t TIOQueue::queuedBytes() const {
    std::lock_guard lk(m_);
    return queuedBytes_;
}

std::size_t TIOQueue::recordCount() const {
    std::lock_guard lk(m_);
    return records_.size();
}

}  // namespace vos::serial
