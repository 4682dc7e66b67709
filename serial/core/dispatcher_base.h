#pragma once
// TSerialBaseDispatcher: the device-neutral engine under one open serial port.
//
// It owns the input ring (8192 bytes), the output ring (`outSize` bytes), the
// I/O queue fed by the device threads, the trigger lists and the dispatcher
// thread, which turns what arrived into events and hands each one to the GUI
// thread synchronously. The device itself and the reader, writer and status
// watcher threads belong to a subclass (TSerialPlatformDispatcher for a Linux
// tty; tests use a fake).
//
// Threads and locks
// - "GUI thread": the thread that owns the port component. Every public
//   member below is for it unless stated otherwise; never call them from a
//   worker thread.
// - Events reach the registered receivers on the GUI thread, through
//   EventHandover::runSync(), one at a time, in the order they fired, while
//   the dispatcher thread waits (at most the delivery time-out, 3000 ms; an
//   event given up on never runs late: its bytes are announced again after
//   the next arrival, its timer or status trigger fires again from the next
//   cycle on). A receiver may call every member
//   except the destructor (see below); inside a data-available event takeByte() takes the
//   announced bytes in place and they leave the ring together when the event
//   returns.
// - Internal locks (main: triggers, receivers, line state; output: output
//   ring; data: input ring) are held only for short copies, never while a
//   receiver runs or while a device call waits; no member blocks on the GUI
//   thread except stop(), clearOutput() (writer acknowledge, up to 5000 ms)
//   and setLineSettings() (output drain, up to 10 s), and those keep serving
//   pending deliveries where they wait for the dispatcher thread.
//
// Lifecycle: construct -> start() -> ... -> stop() -> destroy (or start()
// again). No thread outlives stop() or the destructor, except in the close-
// later case: stop() called from inside one of this dispatcher's own
// deliveries cannot wait for the dispatcher thread (it waits for that very
// delivery), so it stops and joins the device threads, closes the device, sets
// CloseLater and returns; the dispatcher thread ends as soon as the delivery
// returns, and the destructor joins it. The owner therefore destroys the
// dispatcher later, on the GUI thread outside the delivery (the component's
// deferred close: once deliveryRunning() is false). Destroying it from inside
// its own delivery would wait for itself: the destructor aborts instead.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/core/clock.h"
#include "platform/core/event_handover.h"
#include "platform/core/serial_line.h"
#include "platform/core/wake_event.h"
#include "serial/core/dispatcher_table.h"
#include "serial/core/io_queue.h"
#include "serial/core/ring.h"
#include "serial/core/serial_codes.h"
#include "serial/core/serial_settings.h"
#include "serial/core/triggers.h"

namespace vos::serial {

// A receiver of port events, run on the GUI thread: (kind, first, second) with
// kind one of kEventDataAvail, kEventTimer, kEventStatus; first the count or
// the trigger handle; second = slot * 65536 + a kind-specific value.
using EventReceiver = std::function<void(std::uint16_t kind, std::uint32_t first, std::uint32_t second)>;
// Told the result of a worker thread that ended with a failure other than a
// device read or write failure (those set the line errors to -1 instead).
// Runs on the ending worker thread: it must not block, and must not call the
// dispatcher; hand the code to the GUI thread to show it.
using ThreadErrorHandler = std::function<void(int code)>;
// Told, once per start, that the line failed and every worker thread is
// ending by itself (a device read or write failure, or any other thread
// failure), with the thread's result. Not told for a stop() asked for.
// Runs on the ending worker thread; same rules as ThreadErrorHandler.
using LineFailureHandler = std::function<void(int code)>;

struct DispatcherOptions {
    EventHandover* handover = nullptr;  // null: events reach no receiver
    Clock* clock = nullptr;             // null: the steady clock
    DispatcherTable* table = nullptr;   // null: slot 0, not listed anywhere
    void* owner = nullptr;              // the port component; null for a probe
    int deliveryTimeoutMs = kDeliveryTimeoutMs;
};

class TSerialBaseDispatcher {
public:
    explicit TSerialBaseDispatcher(const DispatcherOptions& options);
    // Subclasses must call shutdown() in their own destructor.
    virtual ~TSerialBaseDispatcher();
    TSerialBaseDispatcher(const TSerialBaseDispatcher&) = delete;
    TSerialBaseDispatcher& operator=(const TSerialBaseDispatcher&) = delete;

    // Opens the device and starts the four threads (reader, dispatcher,
    // writer, status watcher). 0 or a negative code; on failure nothing is
    // left open or running. Throws std::logic_error("Dispatcher already
    // started.") while the device is open, and when called from inside one of
    // its own deliveries after a close-later stop (make a new dispatcher).
    int start(const StartSettings& settings);
    // Clears output and input, ends the threads and closes the device. While
    // it waits for the dispatcher thread it serves pending deliveries (their
    // receivers run nested in this call). Called from inside a delivery it
    // sets CloseLater instead of waiting for the dispatcher thread (see
    // above). Nothing to do when not open.
    void stop();
    // Any worker thread still runs. After a device failure all threads end by
    // themselves: not started, while the device stays open until stop().
    bool started() const { return activeThreads_.load() > 0; }
    bool isDeviceOpen() const;

    // Line settings. Unchanged settings write nothing; changed ones first wait
    // for the output ring to drain (polled every 2 ms, at most 5000 times) and
    // for 18 characters at the previous speed, then DTR and RTS are set again.
    int setLineSettings(const LineSettings& line);
    int setDtr(bool on);  // kBadArgument when the device is not open
    int setRts(bool on);
    // kBadArgument when bufferFull < bufferResume or bufferFull > the inSize given at start.
    int setFlowSettings(std::uint16_t bufferFull, std::uint16_t bufferResume, std::uint8_t hwOptions);
    // No Linux counterpart: succeeds.
    int setQueueSizes(std::uint16_t inSize, std::uint16_t outSize);
    // Accumulated line-error bits (kLine*), -1 after a device failure;
    // `clear` resets them to 0 (a -1 stays).
    int lineErrors(bool clear = false);
    std::uint8_t modemStatus() const;

    // Next unread byte, or kBufferIsEmpty. See the header comment for the
    // in-place taking inside a data-available event.
    int takeByte(std::uint8_t& byte);
    // All or nothing: kOutputBufferTooSmall when `length` exceeds the free
    // space (nothing is copied). Wakes the writer.
    int writeBlock(const std::uint8_t* data, std::size_t length);
    // Drops unsent output: empties the ring, has the writer abandon the block
    // it is writing (waits up to 5000 ms for its acknowledge), then purges the
    // driver's transmit queue.
    int clearOutput();
    // Drops unread input (driver queue, I/O queue, ring).
    int clearInput();
    // Unread bytes in the input ring, less those taken in the running event.
    int inputCount();
    // Bytes waiting in the output ring (line errors are refreshed first).
    int outputCount();
    // Bytes received but still waiting in the I/O queue (ring full). Any thread.
    std::size_t queuedInputBytes() const { return queue_.queuedBytes(); }
    // Received bytes dropped since start() because the I/O queue was at its
    // bound (kInputQueueLimit, serial/core/io_queue.h): the GUI thread took
    // nothing while the peer kept sending. Each overflow also sets
    // kLineOverrun in lineErrors() (and fires the line-error status
    // triggers). Any thread.
    std::uint64_t droppedInputBytes() const { return queue_.droppedBytes(); }

    // Triggers (see serial/core/triggers.h). Any thread may call these.
    int NewTimerTrigger();
    int NewStatusTrigger(int kind);
    int ArmTimerTrigger(int handle, std::uint32_t ticks, bool activate);
    int ArmStatusTrigger(int handle, std::uint32_t value, bool activate);
    int DropTrigger(int handle);
    std::uint16_t AvailThreshold() const;
    void setAvailThreshold(std::uint16_t threshold);
    SavedTriggers saveTriggers() const;
    void restoreTriggers(const SavedTriggers& saved);

    // Window receivers (the component's endpoint): events go to them only when
    // more than one is registered or PortHandlerSet is true. Unregistering
    // during a delivery takes effect when it ends. Returns an id > 0.
    int registerReceiver(EventReceiver receiver);
    void unregisterReceiver(int id);
    void setPortHandlerSet(bool set);
    bool portHandlerSet() const;
    // A delivery is under way (from just before the dispatcher thread hands
    // it over until it has returned). Any thread.
    bool deliveryRunning() const { return Delivering.load(); }
    // stop() was called from inside a delivery and the dispatcher thread is
    // still to be joined (by the destructor). Any thread.
    bool closeLater() const { return CloseLater.load(); }
    // May be set at any time; see ThreadErrorHandler.
    void setThreadErrorHandler(ThreadErrorHandler handler);
    // May be set at any time; see LineFailureHandler.
    void setLineFailureHandler(LineFailureHandler handler);

    int slot() const { return slot_; }
    void* owner() const { return owner_; }
    // Cycles the dispatcher thread has completed (tests wait on it). Any thread.
    std::uint64_t cycleCount() const { return cycles_.load(); }
    // Makes the dispatcher thread run a cycle now. Any thread.
    void wakeDispatcher() { dispatcherWake_.set(); }

protected:
    // A worker thread with its "still running" mark, for joinServing().
    struct WorkerThread {
        std::thread thread;
        std::atomic<bool> running{false};
    };

    // --- device hooks, implemented by the subclass ---
    // GUI thread, in start(): open the device, ask for the driver queue sizes.
    virtual int deviceOpen(const StartSettings& settings) = 0;
    // GUI thread, after every worker thread has ended: close. 0 or -1.
    virtual int deviceClose() = 0;
    virtual bool deviceIsOpen() const = 0;
    // Main lock held; GUI or dispatcher thread.
    virtual int deviceReadParams(LineParams& params) = 0;
    virtual int deviceWriteParams(const LineParams& params) = 0;
    virtual int deviceSetDtr(bool on) = 0;
    virtual int deviceSetRts(bool on) = 0;
    // New kLine* bits since the last call (read and clear). Main lock held.
    virtual int deviceTakeLineErrors() = 0;
    // CTS, DSR, ring, carrier as kModem* bits. Main lock held.
    virtual std::uint8_t deviceModemLines() = 0;
    virtual void devicePurgeInput() = 0;
    virtual void devicePurgeOutput() = 0;
    // GUI thread, in start(): launch one device thread each (launchThread()),
    // 0 or a code. The base launches the dispatcher thread between reader and writer.
    virtual int launchReader() = 0;
    virtual int launchWriter() = 0;
    virtual int launchStatusWatcher() = 0;
    // GUI thread: StopThreads is set and signalled; end and join the device
    // threads with joinServing().
    virtual void closeDeviceThreads() = 0;
    // GUI thread: the output ring got bytes; wake the writer.
    virtual void outputReady() = 0;
    // GUI thread: ask the writer to abandon its block and acknowledge().
    virtual void wakeWriterForClear() = 0;
    virtual bool writerRunning() const = 0;

    // --- services for the subclass ---
    // Starts `body` on a new thread named `name` (at most 15 characters: what
    // top -H and a debugger show) and waits up to 3000 ms for it to call
    // threadBegins(). The body must end with threadEnded(result).
    int launchThread(WorkerThread& worker, const char* name, std::function<void()> body);
    // First call of every worker body: counts the thread and acknowledges.
    void threadBegins();
    // Last call of every worker body. -160/-161 set the line errors to -1
    // and stop all threads; other negative results go to the error handler.
    void threadEnded(int result);
    // GUI thread: waits for `worker` to end while serving pending deliveries, then joins it.
    void joinServing(WorkerThread& worker);
    // Whoever holds the platform's write side (the writer thread, or the GUI
    // thread writing directly): moves the whole output ring into `block`
    // (appended) under the output lock and empties it. False when it was empty.
    bool takeOutput(std::vector<std::uint8_t>& block);
    // Puts back a rest taken by takeOutput() that could not be written; the
    // caller makes sure the ring is still empty (it holds the write side).
    void returnOutput(const std::uint8_t* data, std::size_t length);
    // The start acknowledge (also the writer's answer to a clearing).
    void acknowledge() { startAck_.set(); }
    TIOQueue& ioQueue() { return queue_; }
    // Sets StopThreads and signals stopEvent().
    void requestStopThreads();
    bool stopThreadsRequested() const { return StopThreads.load(); }
    // Manual-reset event set with StopThreads: every device wait polls it.
    WakeEvent& stopEvent() { return stopEvent_; }
    // Subclass destructors call this first: stops and joins everything.
    void shutdown();

private:
    int startThreads();
    void undoStart();
    void closeThreadsAndDevice();
    void resetState();
    void refreshModemStatus();
    void refreshLineErrors();
    void noteInputOverrun();
    void dispatcherThreadBody();
    bool runCycle();
    bool moveInput();
    bool checkAvailability();
    bool checkStatus();
    bool checkTimers();
    void checkStatusAndTimers();
    bool deliver(std::uint16_t kind, std::uint32_t first, std::uint16_t value, std::uint32_t count);
    void finishDelivery();
    void rearmGivenUp();
    void reportLineFailure(int code);
    bool haltDeliveries() const { return stopRequested_.load() || CloseLater.load(); }
    LineParams paramsFor(const LineSettings& line, const LineParams& current) const;
    void drainOutput();
    int driveDtrRtsLocked();
    void freeRings();

    struct Receiver {
        int id = 0;
        EventReceiver fn;
        std::atomic<bool> removed{false};
    };

    // Fixed at construction.
    EventHandover* const handover_;
    std::unique_ptr<Clock> ownClock_;
    Clock* const clock_;
    DispatcherTable* const table_;
    void* const owner_;
    const int deliveryTimeoutMs_;
    int slot_ = 0;

    // Main lock.
    mutable std::mutex mainMutex_;
    TriggerSet triggers_;
    std::vector<std::shared_ptr<Receiver>> receivers_;
    int nextReceiverId_ = 1;
    bool PortHandlerSet = false;
    bool ServiceNeeded = false;
    bool RemovalPending = false;
    int lineErrors_ = 0;
    std::uint8_t modem_ = 0;
    bool RingSeen = false;
    ThreadErrorHandler errorHandler_;
    LineFailureHandler lineFailureHandler_;
    LineSettings line_;
    std::uint32_t previousBaud_ = 115200;
    std::uint16_t inSize_ = 0;
    std::uint8_t hwFlow_ = 0;
    bool dtr_ = true;
    bool rts_ = true;

    // Output lock.
    mutable std::mutex outMutex_;
    ByteRing outRing_;
    std::atomic<bool> sent_{false};

    // Data lock.
    mutable std::mutex dataMutex_;
    ByteRing inRing_{kInputRingSize};
    bool InAvailDelivery = false;
    std::size_t TakenCount = 0;
    std::size_t MaxTakenCount = 0;
    std::uint64_t arrivals_ = 0;          // bytes ever moved into the ring
    std::uint64_t arrivalsAnnounced_ = 0;  // arrivals_ at the last data-available event

    // Dispatcher thread only: whether the GUI thread missed the last
    // delivery's time-out, and the triggers whose events it missed so (their
    // handlers, which would arm them again, never ran).
    bool lastGivenUp_ = false;
    std::vector<std::pair<std::uint16_t, bool>> givenUp_;  // handle, output-sent kind

    TIOQueue queue_;
    WakeEvent dispatcherWake_;
    WakeEvent startAck_;
    WakeEvent stopEvent_{WakeEvent::Mode::ManualReset};
    WorkerThread dispatcherThread_;
    std::mutex endMutex_;
    std::condition_variable endCv_;

    std::atomic<int> activeThreads_{0};
    std::atomic<bool> StopThreads{false};
    std::atomic<bool> stopRequested_{false};  // by stop(), not by a device failure
    std::atomic<bool> deviceFailed_{false};
    std::atomic<bool> lineFailureReported_{false};
    std::atomic<bool> Delivering{false};
    std::atomic<bool> CloseLater{false};
    std::atomic<int> jobsRunning_{0};  // this dispatcher's deliveries running on the GUI thread
    std::atomic<std::uint64_t> cycles_{0};
    bool closing_ = false;  // GUI thread only: re-entry guard of stop()
};

}  // namespace vos::serial
