// The port component's construction and settings. Opening and closing are in
// port_open_close.cpp, operations and events in port_operations.cpp.
#include "serial/port_component.h"

#include <algorithm>

#include "platform/core/net_address.h"
#include "platform/core/port_map.h"
#include "platform/qt/gui_handover.h"
#include "serial/com_select_form.h"
#include "serial/core/dispatcher_base.h"
#include "serial/core/port_availability.h"

namespace vos::serial {

TSerialCustomComPort::TSerialCustomComPort(std::string programFolder, GuiHandover* handover)
    : programFolder_(std::move(programFolder)),
      ownHandover_(handover ? nullptr : std::make_unique<GuiHandover>()),
      handover_(handover ? handover : ownHandover_.get()),
      alive_(std::make_shared<TSerialCustomComPort*>(this)) {
    selectPort = [this] {
        TComSelectForm dialog([this](int n) { return PortAvailable(n); },
                              [this](int n) {
                                  const auto net = networkAddress(devicePathForPort(programFolder_, n));
                                  return net ? net->url() : std::string();
                              });
        return dialog.Execute();
    };
}

// Closes an open port without raising its events: their owners may already
// be gone when the component is destroyed.
TSerialCustomComPort::~TSerialCustomComPort() {
    alive_.reset();
    closeSilently();
    notifications_.clear();
    saved_.reset();
}

TSerialComPort& TSerialCustomComPort::self() { return static_cast<TSerialComPort&>(*this); }

TSerialBaseDispatcher* TSerialCustomComPort::openDispatcher() const {
    return state_ == psOpen ? dispatcher_.get() : nullptr;
}

LineSettings TSerialCustomComPort::lineSettings() const {
    return {s_.Baud, s_.Parity, s_.DataBits, s_.StopBits};
}

void TSerialCustomComPort::applyLine() {
    if (auto* d = openDispatcher()) raiseForCode(d->setLineSettings(lineSettings()));
}

// With no flow option the levels only reach the device as limits, but they
// are still checked: BufferResume <= BufferFull <= the InSize of the open.
void TSerialCustomComPort::applyFlow() {
    if (auto* d = openDispatcher())
        raiseForCode(d->setFlowSettings(s_.BufferFull, s_.BufferResume, s_.HWFlowOptions));
}

void TSerialCustomComPort::setComNumber(std::uint16_t n) {
    if (n == s_.ComNumber) return;
    if (state_ != psOpen) {
        s_.ComNumber = n;
        return;
    }
    closePort();  // saves the triggers
    s_.ComNumber = n;
    if (state_ == psShuttingDown) {
        openPending_ = true;  // closed from inside an event: reopen after it
        return;
    }
    openPort();  // restores the saved triggers
}

void TSerialCustomComPort::setBaud(std::int32_t b) {
    if (b == s_.Baud) return;
    s_.Baud = b;
    applyLine();
}

void TSerialCustomComPort::setParity(TParity p) {
    if (p == s_.Parity) return;
    s_.Parity = p;
    applyLine();
}

void TSerialCustomComPort::setDataBits(std::uint16_t n) {
    if (n == s_.DataBits) return;
    s_.DataBits = n;
    applyLine();
}

void TSerialCustomComPort::setStopBits(std::uint16_t n) {
    if (n == s_.StopBits) return;
    s_.StopBits = n;
    applyLine();
}

// A refusal of the driver's queue sizes is ignored.
void TSerialCustomComPort::setInSize(std::uint16_t n) {
    s_.InSize = n;
    if (auto* d = openDispatcher()) d->setQueueSizes(s_.InSize, s_.OutSize);
}

void TSerialCustomComPort::setOutSize(std::uint16_t n) {
    s_.OutSize = n;
    if (auto* d = openDispatcher()) d->setQueueSizes(s_.InSize, s_.OutSize);
}

void TSerialCustomComPort::setBufferFull(std::uint16_t n) {
    s_.BufferFull = correctedBufferFull(n, s_.InSize);
    applyFlow();
}

void TSerialCustomComPort::setBufferResume(std::uint16_t n) {
    s_.BufferResume = correctedBufferResume(n, s_.BufferFull);
    applyFlow();
}

void TSerialCustomComPort::setHWFlowOptions(std::uint8_t options) {
    s_.HWFlowOptions = options;
    applyFlow();
}

// Software handshake is never enabled on the line (the device stays raw);
// the values are kept for the configuration and re-validate the flow levels.
void TSerialCustomComPort::setSWFlowOptions(TSWFlowOptions o) {
    s_.SWFlowOptions = o;
    applyFlow();
}

void TSerialCustomComPort::setXOnChar(std::uint8_t c) {
    s_.XOnChar = c;
    applyFlow();
}

void TSerialCustomComPort::setXOffChar(std::uint8_t c) {
    s_.XOffChar = c;
    applyFlow();
}

void TSerialCustomComPort::setDTR(bool on) {
    s_.DTR = on;
    if (auto* d = openDispatcher()) raiseForCode(d->setDtr(on));
}

void TSerialCustomComPort::setRTS(bool on) {
    s_.RTS = on;
    if (auto* d = openDispatcher()) raiseForCode(d->setRts(on));
}

std::uint16_t TSerialCustomComPort::AvailThreshold() const {
    if (auto* d = openDispatcher()) return d->AvailThreshold();
    return s_.AvailThreshold;
}

void TSerialCustomComPort::setAvailThreshold(std::uint16_t n) {
    s_.AvailThreshold = n;
    if (auto* d = openDispatcher()) d->setAvailThreshold(n);
}

bool TSerialCustomComPort::PortAvailable(int n) const { return serial::PortAvailable(programFolder_, n); }

void TSerialCustomComPort::AddUserNotification(const void* id, UserNotification callback) {
    notifications_.emplace_back(id, std::move(callback));
}

void TSerialCustomComPort::RemoveUserNotification(const void* id) {
    std::erase_if(notifications_, [id](const auto& e) { return e.first == id; });
}

// Last registered first. A callback may add or remove entries: the list is
// walked on a copy, skipping entries removed meanwhile.
void TSerialCustomComPort::notifyUsers(bool opened) {
    const auto entries = notifications_;
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        const bool stillThere = std::any_of(notifications_.begin(), notifications_.end(),
                                            [&](const auto& e) { return e.first == it->first; });
        if (stillThere && it->second) it->second(opened);
    }
}

}  // namespace vos::serial
