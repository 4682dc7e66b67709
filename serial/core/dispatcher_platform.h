#pragma once
// TSerialPlatformDispatcher: the dispatcher over a Linux tty, with its three
// device threads.
//
// - Reader: waits with poll() on the device and the stop event (at most 50 ms
//   per wait), reads what is there in 256-byte chunks into the I/O queue. A
//   hang-up (POLLHUP without data, read() returning 0) or a read error ends
//   it with -161, which stops all threads; the device stays open.
// - Writer: woken by writeBlock(); one pass takes the whole output ring under
//   the output lock and writes it with no lock held; a clearing abandons the
//   rest of the block and acknowledges. A write error ends it with -160.
//   When the writer is idle, writeBlock() writes the new bytes to the device
//   itself, on the GUI thread, as far as the device takes them without
//   waiting, and wakes the writer only for a rest: a key then reaches the
//   line without a thread hop. The write lock, held by each write pass and
//   by that direct write, keeps the bytes in order.
// - Status watcher: reports modem-line changes and line errors (breaks,
//   framing, parity, overruns) as status records, on devices that have them;
//   on a pseudo-terminal it only waits for the stop.
// Every wait also polls the stop event, so stop() is seen at once.
//
// Threading and lifetime as TSerialBaseDispatcher (dispatcher_base.h).
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "platform/core/serial_device.h"
#include "platform/core/wake_event.h"
#include "serial/core/dispatcher_base.h"

namespace vos::serial {

class TSerialPlatformDispatcher final : public TSerialBaseDispatcher {
public:
    explicit TSerialPlatformDispatcher(const DispatcherOptions& options);
    ~TSerialPlatformDispatcher() override;

    const std::string& deviceName() const { return name_; }

protected:
    int deviceOpen(const StartSettings& settings) override;
    int deviceClose() override;
    bool deviceIsOpen() const override { return device_.isOpen(); }
    int deviceReadParams(LineParams& params) override { return device_.readParams(params); }
    int deviceWriteParams(const LineParams& params) override { return device_.writeParams(params); }
    int deviceSetDtr(bool on) override { return device_.setDtr(on); }
    int deviceSetRts(bool on) override { return device_.setRts(on); }
    int deviceTakeLineErrors() override;
    std::uint8_t deviceModemLines() override { return device_.modemInputs(); }
    void devicePurgeInput() override { device_.purgeInput(); }
    void devicePurgeOutput() override { device_.purgeOutput(); }
    int launchReader() override;
    int launchWriter() override;
    int launchStatusWatcher() override;
    void closeDeviceThreads() override;
    void outputReady() override;
    void wakeWriterForClear() override;
    bool writerRunning() const override { return writer_.running.load(); }

private:
    int readerLoop();
    int readAvailable();
    int writerLoop();
    int writePass();
    bool writeDirect();
    bool clearRequested();
    int statusLoop();

    SerialDevice device_;
    std::string name_;
    WakeEvent outputReady_;
    WakeEvent writerWake_;
    WorkerThread reader_;
    WorkerThread writer_;
    WorkerThread status_;
    std::vector<std::uint8_t> writeBlock_;   // writer thread only
    std::vector<std::uint8_t> directBlock_;  // GUI thread only
    std::mutex writeMutex_;                  // held while bytes of the ring go to the device
    // Set before writerWake_ by a clearing, reset once that wake-up is taken:
    // spares the writer a failing read of writerWake_ per write.
    std::atomic<bool> clearPending_{false};
    LineCounters errorCounters_;            // main lock: last counters turned into line errors
};

}  // namespace vos::serial
