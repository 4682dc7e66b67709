// GUI-thread operations of the dispatcher on the rings: taking, writing,
// clearing and counting bytes.
#include "serial/core/dispatcher_base.h"

#include <chrono>

namespace vos::serial {

int TSerialBaseDispatcher::takeByte(std::uint8_t& byte) {
    bool wasFull = false;
    {
        std::lock_guard lk(dataMutex_);
        const std::size_t available = inRing_.used();
        if (InAvailDelivery) {
            // Taken in place; the tail moves when the event returns.
            if (TakenCount >= available) return kBufferIsEmpty;
            byte = inRing_.peek(TakenCount);
            ++TakenCount;
            return 0;
        }
        if (available == 0) return kBufferIsEmpty;
        wasFull = inRing_.full();
        byte = inRing_.peek(0);
        inRing_.advanceTail(1);
    }
    // Chunks may be waiting for room in the ring.
    if (wasFull) dispatcherWake_.set();
    return 0;
}

int TSerialBaseDispatcher::writeBlock(const std::uint8_t* data, std::size_t length) {
    if (length == 0) return 0;
    {
        std::lock_guard lk(outMutex_);
        if (length > outRing_.freeSpace()) return kOutputBufferTooSmall;
        outRing_.write(data, length);
    }
    sent_ = true;
    outputReady();
    return 0;
}

bool TSerialBaseDispatcher::takeOutput(std::vector<std::uint8_t>& block) {
    std::lock_guard lk(outMutex_);
    return outRing_.takeAll(block) > 0;
}

void TSerialBaseDispatcher::returnOutput(const std::uint8_t* data, std::size_t length) {
    std::lock_guard lk(outMutex_);
    outRing_.write(data, length);
}

int TSerialBaseDispatcher::clearOutput() {
    {
        std::lock_guard lk(outMutex_);
        outRing_.clear();
    }
    if (!deviceIsOpen()) return 0;
    if (writerRunning()) {
        // The writer gives up its block first; purging before that would let
        // it push the rest of the old block into the emptied driver queue. A
        // writer that is ending (the line failed) never answers: waiting
        // stops with it.
        startAck_.reset();
        wakeWriterForClear();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kClearOutputTimeoutMs);
        while (!startAck_.wait(kClearOutputSliceMs) && writerRunning() &&
               std::chrono::steady_clock::now() < deadline) {
        }
    }
    devicePurgeOutput();
    return 0;
}

int TSerialBaseDispatcher::clearInput() {
    if (deviceIsOpen()) devicePurgeInput();
    queue_.clear();
    std::lock_guard lk(dataMutex_);
    if (InAvailDelivery) {
        // Everything announced counts as taken: the tail passes it all when
        // the running event returns, and nothing more can be taken in it.
        TakenCount = MaxTakenCount = inRing_.used();
    } else {
        inRing_.clear();
        TakenCount = 0;
    }
    return 0;
}

int TSerialBaseDispatcher::inputCount() {
    std::lock_guard lk(dataMutex_);
    return static_cast<int>(inRing_.used() - (InAvailDelivery ? TakenCount : 0));
}

int TSerialBaseDispatcher::outputCount() {
    if (deviceIsOpen()) refreshLineErrors();
    std::lock_guard lk(outMutex_);
    return static_cast<int>(outRing_.used());
}

}  // namespace vos::serial
