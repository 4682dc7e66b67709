// The dispatcher and its device threads on a pseudo-terminal: bytes both
// ways, data-available events, the rings' limits, clearing.
#include <atomic>
#include <thread>

#include "tests/serial/serial_core_fixture.h"

namespace vos::test {
namespace {

using DispatcherData = PtyDispatcherTest;

std::vector<std::uint8_t> pattern(std::size_t n, std::size_t offset = 0) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>((i + offset) % 251);
    return v;
}

TEST_F(DispatcherData, AllByteValuesPassUnchangedBothWays) {
    std::vector<std::uint8_t> received;
    takeAnnouncedInto(received);
    ASSERT_EQ(open(), 0);
    const auto all = allByteValues();
    ASSERT_TRUE(peer.write(all));
    ASSERT_TRUE(pumpUntil([&] { return received.size() >= 256; }));
    EXPECT_EQ(received, all);

    ASSERT_EQ(port->writeBlock(all.data(), all.size()), 0);
    EXPECT_EQ(peer.read(256), all);
}

TEST_F(DispatcherData, OneEventPerArrivalAndUnreadBytesAnnouncedAgain) {
    std::vector<std::uint8_t> taken;
    onEvent = [&](const Event& e) {
        std::uint8_t b = 0;
        if (e.kind == serial::kEventDataAvail && port->takeByte(b) == 0) taken.push_back(b);
    };
    ASSERT_EQ(open(), 0);
    ASSERT_TRUE(peer.write(std::vector<std::uint8_t>{1, 2, 3}));
    ASSERT_TRUE(pumpUntil([&] { return !events.empty(); }));
    EXPECT_EQ(events[0].kind, serial::kEventDataAvail);
    EXPECT_EQ(events[0].first, 3u);
    EXPECT_EQ(events[0].second >> 16, static_cast<std::uint32_t>(port->slot()));
    ASSERT_TRUE(waitUntil([&] { return port->inputCount() == 2; }));

    // No new arrival, no new event, however many cycles pass.
    const auto cycles = port->cycleCount();
    port->wakeDispatcher();
    ASSERT_TRUE(pumpUntil([&] { return port->cycleCount() >= cycles + 3; }));
    EXPECT_EQ(events.size(), 1u);

    ASSERT_TRUE(peer.write(std::vector<std::uint8_t>{4}));
    ASSERT_TRUE(pumpUntil([&] { return events.size() >= 2; }));
    EXPECT_EQ(events[1].first, 3u);  // 2 old + 1 new
    EXPECT_EQ(taken, (std::vector<std::uint8_t>{1, 2}));
    ASSERT_TRUE(waitUntil([&] { return port->inputCount() == 2; }));
    EXPECT_EQ(takeAll(), (std::vector<std::uint8_t>{3, 4}));
}

TEST_F(DispatcherData, OverTakingFailsButTheTailMovesByWhatWasTaken) {
    std::vector<int> codes;
    onEvent = [&](const Event& e) {
        if (e.kind != serial::kEventDataAvail) return;
        EXPECT_EQ(port->inputCount(), static_cast<int>(e.first));
        for (std::uint32_t i = 0; i < e.first + 2; ++i) {
            std::uint8_t b = 0;
            codes.push_back(port->takeByte(b));
        }
        EXPECT_EQ(port->inputCount(), 0);
    };
    ASSERT_EQ(open(), 0);
    ASSERT_TRUE(peer.write(std::vector<std::uint8_t>{9}));
    ASSERT_TRUE(pumpUntil([&] { return events.size() == 1; }));
    EXPECT_EQ(codes, (std::vector<int>{0, serial::kBufferIsEmpty, serial::kBufferIsEmpty}));
    ASSERT_TRUE(peer.write(std::vector<std::uint8_t>{10, 11}));
    ASSERT_TRUE(pumpUntil([&] { return events.size() == 2; }));
    EXPECT_EQ(events[1].first, 2u);  // the taken byte left the ring
}

TEST_F(DispatcherData, FullInputRingKeepsChunksQueuedAndLosesNothing) {
    bool taking = false;
    std::vector<std::uint8_t> received;
    takeAnnouncedInto(received, &taking);
    ASSERT_EQ(open(), 0);
    constexpr std::size_t kExtra = 3000;
    const auto sent = pattern(serial::kInputRingSize + kExtra);
    ASSERT_TRUE(peer.write(sent));
    ASSERT_TRUE(pumpUntil([&] {
        return port->inputCount() == static_cast<int>(serial::kInputRingSize) &&
               port->queuedInputBytes() == kExtra && !events.empty() &&
               events.back().first == serial::kInputRingSize && !port->deliveryRunning();
    }));
    // Ring full and announced: nothing moves, no event comes.
    const auto cycles = port->cycleCount();
    const auto eventCount = events.size();
    port->wakeDispatcher();
    ASSERT_TRUE(pumpUntil([&] { return port->cycleCount() >= cycles + 3; }));
    EXPECT_EQ(events.size(), eventCount);
    EXPECT_EQ(port->queuedInputBytes(), kExtra);
    // The handler starts reading. One byte taken outside an event makes room:
    // the queued chunks come in and are announced.
    taking = true;
    std::uint8_t first = 0;
    ASSERT_EQ(port->takeByte(first), 0);
    received.push_back(first);
    ASSERT_TRUE(pumpUntil([&] { return received.size() >= sent.size(); }));
    EXPECT_EQ(received, sent);
    EXPECT_EQ(port->queuedInputBytes(), 0u);
}

// A peer far faster than a line while nobody takes anything: the I/O queue
// stops at its bound, what comes beyond is dropped, counted and reported as
// an overrun; every byte let in is delivered in order, and bytes are let in
// again once there is room.
TEST_F(DispatcherData, AFloodBeyondTheQueueBoundIsDroppedAndCountedAsAnOverrun) {
    bool taking = false;
    std::vector<std::uint8_t> received;
    takeAnnouncedInto(received, &taking);
    ASSERT_EQ(open(), 0);
    constexpr std::size_t kRing = serial::kInputRingSize;
    constexpr std::size_t kQueue = serial::kInputQueueLimit;
    constexpr std::size_t kBeyond = 100000;
    std::vector<std::uint8_t> sent(kRing + kQueue + kBeyond);
    for (std::size_t i = 0; i < sent.size(); ++i)
        sent[i] = static_cast<std::uint8_t>(i ^ (i >> 8) ^ (i >> 16));
    // The ring full first, so that nothing leaves the queue during the flood.
    ASSERT_TRUE(peer.write(std::vector<std::uint8_t>(sent.begin(), sent.begin() + kRing)));
    ASSERT_TRUE(pumpUntil([&] { return port->inputCount() == static_cast<int>(kRing); }));
    bool flooded = false;
    std::thread flood([&] { flooded = peer.write(std::vector<std::uint8_t>(sent.begin() + kRing, sent.end()), 60000); });
    const bool dropped = pumpUntil([&] { return port->droppedInputBytes() >= kBeyond; }, 60000);
    flood.join();
    ASSERT_TRUE(flooded && dropped);
    EXPECT_EQ(port->droppedInputBytes(), kBeyond);
    EXPECT_EQ(port->queuedInputBytes(), kQueue);
    ASSERT_TRUE(pumpUntil([&] {
        port->wakeDispatcher();
        return (port->lineErrors() & serial::kLineOverrun) != 0 && !port->deliveryRunning();
    }));

    // The handler starts reading; one byte taken outside an event makes room.
    taking = true;
    std::uint8_t first = 0;
    ASSERT_EQ(port->takeByte(first), 0);
    received.push_back(first);
    ASSERT_TRUE(pumpUntil([&] { return received.size() >= kRing + kQueue; }, 60000)) << received.size() << " bytes taken";
    EXPECT_TRUE(received == std::vector<std::uint8_t>(sent.begin(), sent.begin() + kRing + kQueue))
        << "the bytes let in do not come out as sent";
    ASSERT_TRUE(peer.write(std::vector<std::uint8_t>{7, 8, 9}));
    ASSERT_TRUE(pumpUntil([&] { return received.size() >= kRing + kQueue + 3; }));
    EXPECT_EQ(std::vector<std::uint8_t>(received.end() - 3, received.end()), (std::vector<std::uint8_t>{7, 8, 9}));
    EXPECT_EQ(port->droppedInputBytes(), kBeyond);
}

TEST_F(DispatcherData, AWriteOfExactlyTheFreeSpaceFillsTheRing) {
    ASSERT_EQ(open(), 0);
    // Nobody reads the peer: once the terminal is full the writer is stuck
    // on its block and the ring keeps what comes next. The kernel may still
    // move bytes out of a terminal that has just filled up, so the ring must
    // keep its count for a while before the writer counts as stuck. Blocks of
    // 100 bytes leave it partly full.
    std::vector<std::uint8_t> accepted;
    std::size_t offset = 0;
    bool stuck = false;
    for (int round = 0; round < 50 && !stuck; ++round) {
        for (int i = 0; i < 5000; ++i) {
            const auto block = pattern(100, offset);
            if (port->writeBlock(block.data(), block.size()) == serial::kOutputBufferTooSmall) break;
            accepted.insert(accepted.end(), block.begin(), block.end());
            offset += 100;
        }
        const int before = port->outputCount();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        stuck = before > 0 && port->outputCount() == before;
    }
    ASSERT_TRUE(stuck);
    const int freeSpace = 256 - port->outputCount();
    const auto fill = pattern(static_cast<std::size_t>(freeSpace), offset);
    ASSERT_EQ(port->writeBlock(fill.data(), fill.size()), 0);
    accepted.insert(accepted.end(), fill.begin(), fill.end());
    EXPECT_EQ(port->outputCount(), 256);
    const std::uint8_t one = 0;
    EXPECT_EQ(port->writeBlock(&one, 1), serial::kOutputBufferTooSmall);
    EXPECT_EQ(port->writeBlock(&one, 0), 0);
    // Everything accepted arrives, in order, once the peer reads.
    EXPECT_EQ(peer.read(accepted.size()), accepted);
}

// Small blocks are written by the GUI thread itself while the writer is idle
// and handed to the writer while it is busy with a rest: with a peer that
// reads slowly both happen, and every byte still arrives once, in order.
TEST_F(DispatcherData, SmallBlocksArriveInOrderWhateverThreadWritesThem) {
    ASSERT_EQ(open(), 0);
    const std::size_t total = 200000;  // more than a terminal's buffer holds
    std::vector<std::uint8_t> got;
    std::atomic<bool> readerEnded{false};
    std::thread reader([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));  // let the terminal fill
        while (got.size() < total) {
            auto part = peer.read(std::min<std::size_t>(997, total - got.size()));
            if (part.empty()) break;  // nothing for 10 s: the writing side stalled
            got.insert(got.end(), part.begin(), part.end());
            if (got.size() % 5 == 0) std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
        readerEnded = true;
    });
    const auto sent = pattern(total);
    std::size_t done = 0;
    while (done < total && !readerEnded.load()) {
        const std::size_t n = std::min<std::size_t>(1 + done % 7, total - done);
        if (port->writeBlock(sent.data() + done, n) == serial::kOutputBufferTooSmall) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            continue;
        }
        done += n;
    }
    reader.join();
    ASSERT_EQ(got.size(), total);
    EXPECT_EQ(got, sent);
}

TEST_F(DispatcherData, ClearingOutputAbandonsAPendingWrite) {
    ASSERT_EQ(open(settings(32768)), 0);
    const auto big = pattern(32768);
    ASSERT_EQ(port->writeBlock(big.data(), big.size()), 0);
    // The writer took the block and is stuck on the full terminal.
    ASSERT_TRUE(waitUntil([&] { return port->outputCount() == 0; }));
    EXPECT_EQ(port->clearOutput(), 0);
    EXPECT_EQ(port->outputCount(), 0);
    const std::string marker = "<after clear>";
    ASSERT_EQ(port->writeBlock(reinterpret_cast<const std::uint8_t*>(marker.data()), marker.size()), 0);
    const auto got = peer.readUntilQuiet(300);
    ASSERT_GE(got.size(), marker.size());
    EXPECT_LT(got.size(), big.size());
    const std::size_t prefix = got.size() - marker.size();
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + static_cast<std::ptrdiff_t>(prefix), big.begin()));
    EXPECT_EQ(std::string(got.begin() + static_cast<std::ptrdiff_t>(prefix), got.end()), marker);
}

TEST_F(DispatcherData, ClearingInputDropsEverythingUnread) {
    ASSERT_EQ(open(), 0);
    port->setPortHandlerSet(false);  // no events: bytes just pile up
    ASSERT_TRUE(peer.write(pattern(100)));
    ASSERT_TRUE(waitUntil([&] { return port->inputCount() == 100; }));
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(port->clearInput(), 0);
    EXPECT_EQ(port->inputCount(), 0);
    std::uint8_t b = 0;
    EXPECT_EQ(port->takeByte(b), serial::kBufferIsEmpty);
    ASSERT_TRUE(peer.write(std::vector<std::uint8_t>{42}));
    ASSERT_TRUE(waitUntil([&] { return port->inputCount() == 1; }));
    EXPECT_EQ(takeAll(), (std::vector<std::uint8_t>{42}));
}

TEST_F(DispatcherData, ClearingInputInsideAnEventCountsEverythingAsTaken) {
    std::vector<int> after;
    onEvent = [&](const Event& e) {
        if (e.kind != serial::kEventDataAvail) return;
        std::uint8_t b = 0;
        port->clearInput();
        after.push_back(port->inputCount());
        after.push_back(port->takeByte(b));
    };
    ASSERT_EQ(open(), 0);
    ASSERT_TRUE(peer.write(pattern(5)));
    ASSERT_TRUE(pumpUntil([&] { return events.size() == 1; }));
    EXPECT_EQ(after, (std::vector<int>{0, serial::kBufferIsEmpty}));
    ASSERT_TRUE(waitUntil([&] { return !port->deliveryRunning(); }));
    EXPECT_EQ(port->inputCount(), 0);
}

}  // namespace
}  // namespace vos::test
