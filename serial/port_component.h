#pragma once
// The serial port component: the program's only connection to the machine's
// control. It keeps the line settings, opens and closes the device through a
// dispatcher (serial/core), offers byte reading and writing and the trigger
// services, and raises its events on the GUI thread.
//
// Threading: every setter, operation and event runs on the GUI thread. The
// dispatcher's worker threads never call an event directly: each event is
// handed to the GUI thread through the GuiHandover and the dispatcher thread
// waits for it (at most 3000 ms). Events run one at a time, in the order they
// fired; an exception that escapes a handler is shown in the error box.
//
// Errors: failures are negative codes inside; the surface raises the
// exceptions of serial/core/serial_errors.h (ECommNotOpen, EBadArgument, ...).
//
// Ownership: the main window owns the component; the component owns its
// dispatcher (from the start of an open to the end of the close), its saved
// triggers and its notification list. A GuiHandover passed in must outlive
// the component; without one the component makes its own.
//
// A failed line (hang-up, adapter removed, read or write error: the worker
// threads end by themselves) does not leave the port open and silent: the
// component closes it as a close of its own would (notifications, saved
// triggers, OnPortClose), then raises OnLineLost, on the GUI thread. Opening
// it again is the owner's choice.
//
// Re-entrancy: a handler may close the port or change its number from inside
// an event. The close then cannot wait for the dispatcher thread (it waits for
// that very event): the port stays "shutting down" until the event has
// returned, and the rest of the close runs right after it on the GUI thread.
// Meanwhile TakeByte returns 0 and the other operations do nothing.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "serial/core/dispatcher_table.h"
#include "serial/core/serial_errors.h"
#include "serial/core/triggers.h"
#include "serial/port_settings.h"

namespace vos {
class GuiHandover;
class SerialDevice;
}  // namespace vos

namespace vos::serial {

class TSerialBaseDispatcher;
class TSerialComPort;

enum TPortState : std::uint8_t { psClosed, psOpen, psShuttingDown };

class TSerialCustomComPort {
public:
    // Event types. `CP` is the component that raised the event.
    using TriggerAvailEvent = std::function<void(TSerialComPort& CP, std::uint16_t Count)>;
    using TriggerEvent = std::function<void(TSerialComPort& CP, std::uint16_t TriggerHandle)>;
    // Kind (kEvent* of serial/core/serial_codes.h), handle or count, kind-specific data.
    using TriggerMessageEvent =
        std::function<void(TSerialComPort& CP, std::uint16_t Msg, std::uint16_t TriggerHandle, std::uint16_t Data)>;
    using PortEvent = std::function<void(TSerialComPort& CP)>;
    using LineErrorEvent = std::function<void(TSerialComPort& CP, int Errors, bool LineBreak)>;
    // Called with true after the port has opened, false after it has closed.
    using UserNotification = std::function<void(bool opened)>;
    // The line failed and the port has been closed; `code` is the failure
    // (-161 device read error, -160 device write error, ...).
    using LineLostEvent = std::function<void(TSerialComPort& CP, int code)>;

    virtual ~TSerialCustomComPort();
    TSerialCustomComPort(const TSerialCustomComPort&) = delete;
    TSerialCustomComPort& operator=(const TSerialCustomComPort&) = delete;

    // --- settings (stored while closed; applied at once to an open port) ---
    std::uint16_t ComNumber() const { return s_.ComNumber; }
    // Open port: saves the triggers, closes, stores n, opens on n (errors
    // propagate) and gets the triggers back with the same handles.
    void setComNumber(std::uint16_t n);
    std::int32_t Baud() const { return s_.Baud; }
    // Open port: the line settings are re-applied at once (unsent output is
    // drained first, at the old speed).
    void setBaud(std::int32_t b);
    TParity Parity() const { return s_.Parity; }
    void setParity(TParity p);
    std::uint16_t DataBits() const { return s_.DataBits; }
    void setDataBits(std::uint16_t n);
    std::uint16_t StopBits() const { return s_.StopBits; }
    void setStopBits(std::uint16_t n);
    std::uint16_t InSize() const { return s_.InSize; }
    void setInSize(std::uint16_t n);
    std::uint16_t OutSize() const { return s_.OutSize; }
    // The output ring keeps the size it was opened with until the next open.
    void setOutSize(std::uint16_t n);
    std::uint16_t BufferFull() const { return s_.BufferFull; }
    // Above InSize: InSize x 9/10 is stored. Open port: flow settings re-applied.
    void setBufferFull(std::uint16_t n);
    std::uint16_t BufferResume() const { return s_.BufferResume; }
    // Above BufferFull: BufferFull / 10 is stored. Open port: flow settings re-applied.
    void setBufferResume(std::uint16_t n);
    std::uint8_t HWFlowOptions() const { return s_.HWFlowOptions; }
    void setHWFlowOptions(std::uint8_t options);
    TSWFlowOptions SWFlowOptions() const { return s_.SWFlowOptions; }
    void setSWFlowOptions(TSWFlowOptions o);
    std::uint8_t XOnChar() const { return s_.XOnChar; }
    void setXOnChar(std::uint8_t c);
    std::uint8_t XOffChar() const { return s_.XOffChar; }
    void setXOffChar(std::uint8_t c);
    bool DTR() const { return s_.DTR; }
    void setDTR(bool on);
    bool RTS() const { return s_.RTS; }
    void setRTS(bool on);
    bool AutoOpen() const { return s_.AutoOpen; }
    void setAutoOpen(bool on) { s_.AutoOpen = on; }
    bool PromptForPort() const { return s_.PromptForPort; }
    void setPromptForPort(bool on) { s_.PromptForPort = on; }
    std::uint16_t AvailThreshold() const;
    void setAvailThreshold(std::uint16_t n);

    bool Open() const { return open_; }
    // true: opens now (closed port) or as soon as the running close has
    // finished (shutting down). false: closes. Errors of the open propagate.
    void setOpen(bool on);
    // Opens a closed port on `device`, already open on the device of
    // ComNumber (opened on another thread, see serial/core/device_opener.h),
    // instead of opening the device node here; otherwise as setOpen(true).
    // Does nothing (the device is closed) unless the port is closed and has
    // a number. Errors of the open propagate.
    void openOn(std::unique_ptr<SerialDevice> device);
    TPortState PortState() const { return state_; }
    const std::string& programFolder() const { return programFolder_; }

    // --- operations (raise ECommNotOpen on a closed port; do nothing while
    //     shutting down) ---
    // Next unread byte; EBufferIsEmpty when there is none. Inside a
    // data-available event the bytes leave the ring when the event returns.
    std::uint8_t TakeByte();
    // All or nothing: EOutputBufferTooSmall when the ring lacks room.
    void SendBlock(const std::uint8_t* data, std::uint16_t length);
    void ClearOutput();
    void ClearInput();
    std::uint16_t NewTimerTrigger();
    std::uint16_t NewStatusTrigger(int kind);
    // ticks in 55-ms units; 0 keeps the previous duration.
    void ArmTimerTrigger(std::uint16_t handle, std::uint32_t ticks, bool activate);
    void ArmStatusTrigger(std::uint16_t handle, std::uint32_t value, bool activate);
    // Does nothing unless the port is open.
    void DropTrigger(std::uint16_t handle);
    // 0 unless the port is open.
    std::uint32_t InputCount();
    std::uint32_t OutputCount();
    // Modem inputs (kModem* bits of platform/core/serial_device.h); 0 unless open.
    std::uint8_t ModemLines() const;
    // A ring was seen since the last modem-status refresh; false unless open.
    bool RingSeen() const;
    // Line-error bits (kLine*) without the break bit, then cleared; -1 after
    // a device failure. 0 unless open.
    int LineError();
    // The break flag, then cleared. false unless open.
    bool LineBreak();
    // Bytes received since the open that the program had no room left for
    // (the input queue's bound) and dropped; 0 unless open.
    std::uint64_t DroppedInputBytes() const;

    // Whether port n has a usable device (a port held by another program, or
    // by this one, counts as present). Needs no open port.
    bool PortAvailable(int n) const;
    // True when an idle byte may be queued now: open, not shutting down, and
    // more than an eighth of the output ring free (the rest is kept for the
    // operator's keys while the line does not drain). Never raises.
    bool canSendIdle() const;

    // --- user notification list (last registered is called first) ---
    void AddUserNotification(const void* id, UserNotification callback);
    // Removes the entries registered with `id`.
    void RemoveUserNotification(const void* id);

    // --- events (GUI thread) ---
    TriggerAvailEvent OnTriggerAvail;
    TriggerEvent OnTriggerTimer;
    TriggerEvent OnTriggerStatus;
    TriggerMessageEvent OnTrigger;  // before each of the three above
    PortEvent OnTriggerModemStatus;
    LineErrorEvent OnTriggerLineError;
    PortEvent OnTriggerOutbuffFree;
    PortEvent OnTriggerOutbuffUsed;
    PortEvent OnTriggerOutSent;
    PortEvent OnPortOpen;
    PortEvent OnPortClose;
    LineLostEvent OnLineLost;

    // Shows the port selection dialog when a port without number opens with
    // PromptForPort; returns the chosen number, 0 when none. Replaceable
    // (tests); by default the TComSelectForm dialog.
    std::function<int()> selectPort;

protected:
    // `programFolder` locates the port map (its Ports folder); `handover` may
    // be null: the component then makes its own.
    TSerialCustomComPort(std::string programFolder, GuiHandover* handover);

private:
    TSerialComPort& self();
    TSerialBaseDispatcher* dispatcherForOperation();
    TSerialBaseDispatcher* openDispatcher() const;
    LineSettings lineSettings() const;
    void applyLine();
    void applyFlow();

    void openPort(std::shared_ptr<SerialDevice> device = nullptr);
    void startDispatcher(std::shared_ptr<SerialDevice> device);
    void watchLine(TSerialBaseDispatcher& d);
    void lineFailed(std::uint64_t generation, int code);
    void applyAllSettings();
    void closePort();
    void finishClose();
    void postDeferredClose();
    void completeDeferredClose();
    void closeSilently() noexcept;
    void notifyUsers(bool opened);
    void reportThreadError(int code);

    void dispatchEvent(std::uint16_t kind, std::uint32_t first, std::uint32_t second);
    void dispatchStatusKind(std::uint16_t handle);

    TSerialPortSettings s_;
    std::string programFolder_;
    std::unique_ptr<GuiHandover> ownHandover_;
    GuiHandover* handover_;
    DispatcherTable table_;
    std::unique_ptr<TSerialBaseDispatcher> dispatcher_;
    int receiverId_ = 0;
    std::uint64_t generation_ = 0;  // counts the dispatchers started
    std::uint16_t openOutSize_ = 0;  // size of the output ring of this open
    TPortState state_ = psClosed;
    bool open_ = false;
    bool openPending_ = false;
    bool deferredClose_ = false;
    bool silent_ = false;  // closing without events
    std::optional<SavedTriggers> saved_;
    std::vector<std::pair<const void*, UserNotification>> notifications_;
    // Jobs posted to the GUI thread hold a weak reference: they do nothing
    // once the component is gone.
    std::shared_ptr<TSerialCustomComPort*> alive_;
};

class TSerialComPort : public TSerialCustomComPort {
public:
    explicit TSerialComPort(std::string programFolder, GuiHandover* handover = nullptr)
        : TSerialCustomComPort(std::move(programFolder), handover) {}
};

}  // namespace vos::serial
