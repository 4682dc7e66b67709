#pragma once
// A byte ring with head (next write), tail (next read) and a full flag, so all
// `size` bytes can be used. Not thread-safe: its owner holds the lock that
// guards it (the dispatcher's data lock or output lock).
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vos::serial {

class ByteRing {
public:
    explicit ByteRing(std::size_t size = 0) { reset(size); }

    // Reallocates to `size` bytes and empties the ring.
    void reset(std::size_t size);
    // Empties the ring without moving the head (tail := head).
    void clear();

    std::size_t size() const { return buf_.size(); }
    std::size_t used() const;
    std::size_t freeSpace() const { return size() - used(); }
    bool full() const { return full_; }
    std::size_t head() const { return head_; }
    std::size_t tail() const { return tail_; }

    // Copies up to `n` bytes at the head (as many as fit); returns how many.
    std::size_t write(const std::uint8_t* data, std::size_t n);
    // The byte `offset` places after the tail; offset < used().
    std::uint8_t peek(std::size_t offset) const { return buf_[(tail_ + offset) % buf_.size()]; }
    // Drops `n` bytes at the tail (n <= used()); clears the full flag when n > 0.
    void advanceTail(std::size_t n);
    // Appends every byte to `out` in order and empties the ring with head and
    // tail back at 0. Returns the count.
    std::size_t takeAll(std::vector<std::uint8_t>& out);

private:
    std::vector<std::uint8_t> buf_;
    std::size_t head_ = 0;
    std::size_t tail_ = 0;
    bool full_ = false;
};

}  // namespace vos::serial
