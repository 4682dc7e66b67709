// Byte rings and the I/O queue.
#include <gtest/gtest.h>

#include <numeric>

#include "serial/core/io_queue.h"
#include "serial/core/ring.h"

namespace vos {
namespace {

std::vector<std::uint8_t> counting(std::size_t n, std::uint8_t from = 0) {
    std::vector<std::uint8_t> v(n);
    std::iota(v.begin(), v.end(), from);
    return v;
}

std::vector<std::uint8_t> drain(serial::ByteRing& ring) {
    std::vector<std::uint8_t> out;
    ring.takeAll(out);
    return out;
}

TEST(ByteRing, FillsCompletelyAndWrapsInOrder) {
    serial::ByteRing ring(8);
    const auto first = counting(5);
    EXPECT_EQ(ring.write(first.data(), 5), 5u);
    ring.advanceTail(4);  // tail at 4, one byte left
    const auto second = counting(7, 100);
    EXPECT_EQ(ring.write(second.data(), 7), 7u);  // wraps around the end
    EXPECT_TRUE(ring.full());
    EXPECT_EQ(ring.used(), 8u);
    EXPECT_EQ(ring.freeSpace(), 0u);
    EXPECT_EQ(ring.write(second.data(), 1), 0u);  // nothing fits
    EXPECT_EQ(ring.peek(0), 4);
    EXPECT_EQ(ring.peek(1), 100);
    EXPECT_EQ(ring.peek(7), 106);
    std::vector<std::uint8_t> want{4, 100, 101, 102, 103, 104, 105, 106};
    EXPECT_EQ(drain(ring), want);
    EXPECT_EQ(ring.used(), 0u);
    EXPECT_EQ(ring.head(), 0u);
    EXPECT_EQ(ring.tail(), 0u);
}

TEST(ByteRing, WriteTakesOnlyWhatFits) {
    serial::ByteRing ring(4);
    const auto data = counting(6);
    EXPECT_EQ(ring.write(data.data(), 6), 4u);
    EXPECT_TRUE(ring.full());
    ring.advanceTail(4);
    EXPECT_FALSE(ring.full());
    EXPECT_EQ(ring.used(), 0u);
}

TEST(ByteRing, ClearKeepsTheHead) {
    serial::ByteRing ring(8);
    const auto data = counting(6);
    ring.write(data.data(), 6);
    ring.clear();
    EXPECT_EQ(ring.used(), 0u);
    EXPECT_EQ(ring.head(), 6u);
    EXPECT_EQ(ring.tail(), 6u);
    const auto eight = counting(8);
    ring.write(eight.data(), 8);
    EXPECT_TRUE(ring.full());
}

std::unique_ptr<serial::TDataBuffer> chunk(const std::vector<std::uint8_t>& bytes) {
    auto c = serial::TDataBuffer::create();
    std::copy(bytes.begin(), bytes.end(), c->data.begin());
    c->filled = static_cast<std::uint16_t>(bytes.size());
    return c;
}

TEST(IoQueue, MovesAcrossRecordsUpToAStatusRecord) {
    serial::TIOQueue q;
    ASSERT_EQ(q.error(), 0);
    q.appendData(chunk(counting(3, 0)));
    q.appendData(chunk(counting(4, 10)));
    q.appendStatus(0x40);
    q.appendData(chunk(counting(2, 20)));
    EXPECT_TRUE(q.appended().consume());
    EXPECT_EQ(q.queuedBytes(), 9u);
    EXPECT_EQ(q.recordCount(), 3u);  // the second chunk joined the first's free space

    serial::ByteRing ring(100);
    EXPECT_FALSE(q.takeStatusAtHead().has_value());  // data at the head stays
    EXPECT_EQ(q.moveInto(ring), 7u);
    EXPECT_EQ(q.moveInto(ring), 0u);  // the status record blocks
    EXPECT_EQ(q.takeStatusAtHead(), std::optional<std::uint32_t>(0x40));
    EXPECT_EQ(q.moveInto(ring), 2u);
    EXPECT_TRUE(q.empty());
    EXPECT_EQ(q.queuedBytes(), 0u);
    std::vector<std::uint8_t> want{0, 1, 2, 10, 11, 12, 13, 20, 21};
    EXPECT_EQ(drain(ring), want);
}

TEST(IoQueue, FullRingKeepsTheRestQueued) {
    serial::TIOQueue q;
    q.appendData(chunk(counting(200, 0)));
    q.appendData(chunk(counting(56, 200)));
    serial::ByteRing ring(150);
    EXPECT_EQ(q.moveInto(ring), 150u);
    EXPECT_EQ(q.queuedBytes(), 106u);
    auto got = drain(ring);
    EXPECT_EQ(q.moveInto(ring), 106u);
    auto rest = drain(ring);
    got.insert(got.end(), rest.begin(), rest.end());
    EXPECT_EQ(got, counting(256));
}

TEST(IoQueue, ClearDropsEverything) {
    serial::TIOQueue q;
    q.appendData(chunk(counting(10)));
    q.appendStatus(0x8);
    q.clear();
    EXPECT_TRUE(q.empty());
    EXPECT_EQ(q.queuedBytes(), 0u);
    serial::ByteRing ring(16);
    EXPECT_EQ(q.moveInto(ring), 0u);
}

TEST(IoQueue, EmptyChunksAreNotQueued) {
    serial::TIOQueue q;
    q.appendData(serial::TDataBuffer::create());
    q.appendData(nullptr);
    EXPECT_TRUE(q.empty());
}

}  // namespace
}  // namespace vos
