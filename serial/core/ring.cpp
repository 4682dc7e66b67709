#include "serial/core/ring.h"

#include <algorithm>
#include <cstring>

namespace vos::serial {

void ByteRing::reset(std::size_t size) {
    buf_.assign(size, 0);
    head_ = tail_ = 0;
    full_ = false;
}

void ByteRing::clear() {
    tail_ = head_;
    full_ = false;
}

std::size_t ByteRing::used() const {
    if (full_) return buf_.size();
    return head_ >= tail_ ? head_ - tail_ : buf_.size() - tail_ + head_;
}

std::size_t ByteRing::write(const std::uint8_t* data, std::size_t n) {
    n = std::min(n, freeSpace());
    std::size_t done = 0;
    while (done < n) {
        const std::size_t piece = std::min(n - done, buf_.size() - head_);
        std::memcpy(buf_.data() + head_, data + done, piece);
        head_ = (head_ + piece) % buf_.size();
        done += piece;
    }
    if (n > 0 && head_ == tail_) full_ = true;
    return n;
}

void ByteRing::advanceTail(std::size_t n) {
    if (n == 0 || buf_.empty()) return;
    tail_ = (tail_ + n) % buf_.size();
    full_ = false;
}

std::size_t ByteRing::takeAll(std::vector<std::uint8_t>& out) {
    const std::size_t n = used();
    const std::size_t first = std::min(n, buf_.size() - tail_);
    out.insert(out.end(), buf_.begin() + static_cast<std::ptrdiff_t>(tail_),
               buf_.begin() + static_cast<std::ptrdiff_t>(tail_ + first));
    out.insert(out.end(), buf_.begin(), buf_.begin() + static_cast<std::ptrdiff_t>(n - first));
    head_ = tail_ = 0;
    full_ = false;
    return n;
}

}  // namespace vos::serial
