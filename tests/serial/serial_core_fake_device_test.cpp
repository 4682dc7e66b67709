// The dispatcher core over a fake device: modem-line and line-error triggers,
// a ring's worth of input arriving at once, thread-end reports, failed starts.
#include <gtest/gtest.h>

#include <atomic>
#include <numeric>

#include "serial/core/dispatcher_base.h"
#include "tests/support/gui_pump.h"
#include "tests/support/wait_until.h"

namespace vos::test {
namespace {

// A device in memory. Its only thread is a stand-in writer whose end result
// a test chooses.
class FakeDispatcher final : public serial::TSerialBaseDispatcher {
public:
    using serial::TSerialBaseDispatcher::TSerialBaseDispatcher;
    ~FakeDispatcher() override { shutdown(); }

    void injectStatus(std::uint32_t mask) { ioQueue().appendStatus(mask); }
    void injectBytes(const std::vector<std::uint8_t>& bytes) {
        for (std::size_t at = 0; at < bytes.size(); at += serial::kChunkSize) {
            auto chunk = serial::TDataBuffer::create();
            const std::size_t n = std::min(serial::kChunkSize, bytes.size() - at);
            std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), n, chunk->data.begin());
            chunk->filled = static_cast<std::uint16_t>(n);
            ioQueue().appendData(std::move(chunk));
        }
    }
    // Makes the stand-in writer end with `result`.
    void failWriter(int result) {
        writerResult = result;
        writerFail.set();
    }

    std::atomic<std::uint8_t> lines{0};
    std::atomic<int> pendingErrors{0};
    int statusLaunchResult = 0;

protected:
    int deviceOpen(const serial::StartSettings&) override {
        open_ = true;
        return 0;
    }
    int deviceClose() override {
        open_ = false;
        return 0;
    }
    bool deviceIsOpen() const override { return open_; }
    int deviceReadParams(LineParams& p) override {
        p = params_;
        return 0;
    }
    int deviceWriteParams(const LineParams& p) override {
        params_ = p;
        return 0;
    }
    int deviceSetDtr(bool) override { return 0; }
    int deviceSetRts(bool) override { return 0; }
    int deviceTakeLineErrors() override { return pendingErrors.exchange(0); }
    std::uint8_t deviceModemLines() override { return lines.load(); }
    void devicePurgeInput() override {}
    void devicePurgeOutput() override {}
    int launchReader() override { return 0; }
    int launchWriter() override {
        return launchThread(writer_, "vos-writer", [this] {
            threadBegins();
            const int which = waitAny({&stopEvent(), &writerFail}, -1);
            threadEnded(which == 1 ? writerResult.load() : 0);
        });
    }
    int launchStatusWatcher() override { return statusLaunchResult; }
    void closeDeviceThreads() override { joinServing(writer_); }
    void outputReady() override {}
    void wakeWriterForClear() override {}
    bool writerRunning() const override { return false; }

private:
    bool open_ = false;
    LineParams params_{38400, LineParity::None, 8, 1, false};
    WorkerThread writer_;
    WakeEvent writerFail;
    std::atomic<int> writerResult{0};
};

struct Event {
    std::uint16_t kind;
    std::uint32_t first;
};

class FakeDevice : public ::testing::Test {
protected:
    void SetUp() override {
        // Slot 0 is taken by another dispatcher: this one gets slot 1.
        other = std::make_unique<FakeDispatcher>(serial::DispatcherOptions{&gui, nullptr, &table, nullptr});
        port = std::make_unique<FakeDispatcher>(serial::DispatcherOptions{&gui, nullptr, &table, this});
        port->registerReceiver([this](std::uint16_t kind, std::uint32_t first, std::uint32_t second) {
            events.push_back({kind, first});
            EXPECT_EQ(second >> 16, 1u);
            if (onEvent) onEvent(events.back());
        });
        port->setPortHandlerSet(true);
    }
    void TearDown() override {
        port.reset();
        other.reset();
    }

    int start() {
        serial::StartSettings s;
        s.deviceName = "fake";
        s.line = {9600, serial::pNone, 8, 1};
        return port->start(s);
    }
    bool pumpUntil(const std::function<bool()>& done) { return gui.pumpUntil(done, 10000); }

    serial::DispatcherTable table;
    PumpedHandover gui;
    std::unique_ptr<FakeDispatcher> other;
    std::unique_ptr<FakeDispatcher> port;
    std::vector<Event> events;
    std::function<void(const Event&)> onEvent;
};

TEST_F(FakeDevice, TheSlotIsTakenFromTheTableAndGivenBack) {
    EXPECT_EQ(port->slot(), 1);
    EXPECT_EQ(table.find(1), port.get());
    EXPECT_EQ(port->owner(), this);
    port.reset();
    EXPECT_EQ(table.find(1), nullptr);
    EXPECT_EQ(table.size(), 1);  // trailing empty slots go
    EXPECT_EQ(table.find(0), other.get());
    other.reset();
    EXPECT_EQ(table.size(), 0);
}

TEST_F(FakeDevice, ModemLineTrigger) {
    ASSERT_EQ(start(), 0);
    const int h = port->NewStatusTrigger(serial::kStatusModem);
    ASSERT_EQ(port->ArmStatusTrigger(h, kModemCts, true), 0);
    port->lines = kModemDsr;  // not selected
    port->injectStatus(serial::kDevDsr);
    ASSERT_TRUE(pumpUntil([&] { return (port->modemStatus() & 0xF0) == kModemDsr; }));
    gui.pumpFor(120);
    EXPECT_TRUE(events.empty());
    port->lines = kModemDsr | kModemCts;
    port->injectStatus(serial::kDevCts);
    ASSERT_TRUE(pumpUntil([&] { return events.size() == 1; }));
    EXPECT_EQ(events[0].kind, serial::kEventStatus);
    EXPECT_EQ(events[0].first, static_cast<std::uint32_t>(h));

    // The trailing edge of a ring, selected by its change bit.
    ASSERT_EQ(port->ArmStatusTrigger(h, serial::kModemRingEnded, true), 0);
    port->injectStatus(serial::kDevRingEnded);
    ASSERT_TRUE(pumpUntil([&] { return events.size() == 2; }));
}

TEST_F(FakeDevice, LineErrorTriggerAndErrorBits) {
    ASSERT_EQ(start(), 0);
    const int errors = port->NewStatusTrigger(serial::kStatusLineError);
    const int breaks = port->NewStatusTrigger(serial::kStatusLineError);
    ASSERT_EQ(port->ArmStatusTrigger(errors, serial::kLineOverrun | serial::kLineParity | serial::kLineFrame, true), 0);
    ASSERT_EQ(port->ArmStatusTrigger(breaks, serial::kLineBreak, true), 0);
    port->pendingErrors = serial::kLineParity;
    port->injectStatus(serial::kDevError);
    ASSERT_TRUE(pumpUntil([&] { return events.size() == 1; }));
    EXPECT_EQ(events[0].first, static_cast<std::uint32_t>(errors));
    EXPECT_EQ(port->lineErrors(true), serial::kLineParity);  // read and clear
    EXPECT_EQ(port->lineErrors(), 0);
    port->pendingErrors = serial::kLineBreak;
    port->injectStatus(serial::kDevBreak);
    ASSERT_TRUE(pumpUntil([&] { return events.size() == 2; }));
    EXPECT_EQ(events[1].first, static_cast<std::uint32_t>(breaks));
}

TEST_F(FakeDevice, ARingsWorthArrivingAtOnceIsAnnounced) {
    ASSERT_EQ(start(), 0);
    int firstTaken = 0;
    onEvent = [&](const Event&) {
        std::uint8_t b = 0;
        if (events.size() == 1) firstTaken += port->takeByte(b) == 0;
    };
    port->injectBytes({0x42});
    ASSERT_TRUE(waitUntil([&] { return gui.pendingCount() == 1; }));
    // While the first event waits for the GUI thread, exactly a ring's worth
    // more arrives: it brings the head back to where it was announced.
    std::vector<std::uint8_t> big(serial::kInputRingSize);
    std::iota(big.begin(), big.end(), 0);
    port->injectBytes(big);
    ASSERT_TRUE(pumpUntil([&] { return events.size() == 2; }));
    EXPECT_EQ(firstTaken, 1);
    EXPECT_EQ(events[1].first, serial::kInputRingSize);
}

TEST_F(FakeDevice, ThreadEndReports) {
    std::atomic<int> reported{0};
    port->setThreadErrorHandler([&](int code) { reported = code; });
    ASSERT_EQ(start(), 0);
    EXPECT_TRUE(port->started());
    port->failWriter(-5);
    ASSERT_TRUE(waitUntil([&] { return reported.load() == -5 && !port->started(); }));
    EXPECT_EQ(port->lineErrors(), 0);
    EXPECT_TRUE(port->isDeviceOpen());
    port->stop();

    reported = 0;
    ASSERT_EQ(start(), 0);
    const int errors = port->NewStatusTrigger(serial::kStatusLineError);
    ASSERT_EQ(port->ArmStatusTrigger(errors, serial::kLineBreak, true), 0);
    port->failWriter(kCodeWriteFault);
    ASSERT_TRUE(pumpUntil([&] { return !port->started() && events.size() == 1; }));
    EXPECT_EQ(port->lineErrors(), -1);
    EXPECT_EQ(events[0].first, static_cast<std::uint32_t>(errors));
    EXPECT_EQ(reported.load(), 0);  // a device failure is not an error report
}

TEST_F(FakeDevice, AFailedThreadStartUndoesTheStart) {
    port->statusLaunchResult = kCodeGeneralFailure;
    EXPECT_EQ(start(), kCodeGeneralFailure);
    EXPECT_FALSE(port->isDeviceOpen());
    EXPECT_FALSE(port->started());
    port->statusLaunchResult = 0;
    EXPECT_EQ(start(), 0);
}

}  // namespace
}  // namespace vos::test
