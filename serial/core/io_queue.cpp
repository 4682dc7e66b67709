#include "serial/core/io_queue.h"

#include <new>
#include <stdexcept>

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
        queuedBytes_ += chunk->filled - chunk->consumed;
        records_.emplace_back(std::move(chunk));
    }
    appended_.set();
}

void TIOQueue::appendStatus(std::uint32_t mask) {
    {
        std::lock_guard lk(m_);
        records_.emplace_back(TStatusBuffer{mask});
    }
    appended_.set();
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
