#include "platform/core/net_port.h"

#include <fcntl.h>
#include <gensio/sergensio.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "platform/core/errno_codes.h"
#include "platform/core/net_bridge.h"

namespace vos {

namespace {

// The owner waits this long for the bridge to close the connection; a
// close that takes longer ends on the bridge thread alone.
constexpr int kStopWaitMs = 1000;
// The caller of connect() waits a little longer than the bridge's own
// deadline, which decides.
constexpr int kConnectMarginMs = 500;

struct ParityRow {
    LineParity parity;
    unsigned value;
};

constexpr ParityRow kParities[] = {
    {LineParity::None, SERGENSIO_PARITY_NONE}, {LineParity::Odd, SERGENSIO_PARITY_ODD},
    {LineParity::Even, SERGENSIO_PARITY_EVEN}, {LineParity::Mark, SERGENSIO_PARITY_MARK},
    {LineParity::Space, SERGENSIO_PARITY_SPACE},
};

unsigned parityValue(LineParity parity) {
    for (const auto& row : kParities)
        if (row.parity == parity) return row.value;
    return SERGENSIO_PARITY_NONE;
}

// A refused setting reads as a refused local one (EINVAL from tcsetattr).
int refusedCode() { return codeForErrno(EINVAL, DeviceStep::Control); }

}  // namespace

NetPort::NetPort(std::shared_ptr<NetBridge> bridge) : bridge_(std::move(bridge)) { params_.baud = 0; }

NetPort::~NetPort() { bridge_->stop(kStopWaitMs); }

int NetPort::connect(const NetAddress& address, int timeoutMs, std::unique_ptr<NetPort>& port,
                     int& deviceFd) {
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, pair) != 0)
        return codeForErrno(errno, DeviceStep::Open);
    std::shared_ptr<NetBridge> bridge;
    try {
        bridge = std::make_shared<NetBridge>(address, pair[1], timeoutMs);
    } catch (const std::bad_alloc&) {
        ::close(pair[0]);
        ::close(pair[1]);
        return kCodeNoMemory;
    }
    int rc = NetBridge::start(bridge);
    if (rc == 0) rc = bridge->waitConnected(timeoutMs + kConnectMarginMs);
    if (rc != 0) {
        ::close(pair[0]);
        return rc;
    }
    port.reset(new NetPort(std::move(bridge)));
    port->clearFlowControl();
    deviceFd = pair[0];
    return 0;
}

// RFC 2217 carries flow control, DTR and RTS in the same command; a server
// that does not answer DTR or RTS (ser2net on a terminal without modem
// lines) leaves a request open in gensio that takes the next answer to that
// command. So flow control, which this line never uses, is set off once,
// first, and asked for again only if a change is wanted.
void NetPort::clearFlowControl() {
    if (bridge_->address.scheme != NetScheme::Rfc2217) return;
    std::shared_ptr<NetRequest> request;
    bridge_->ask({{NetAsk::Flow, SERGENSIO_FLOWCONTROL_NONE}}, kNetSettingsAnswerMs, request);
}

const NetAddress& NetPort::address() const { return bridge_->address; }

int NetPort::readParams(LineParams& out) const {
    std::lock_guard lk(mutex_);
    out = params_;
    return 0;
}

int NetPort::writeParams(const LineParams& params) {
    termios check{};
    if (applyLineParams(params, check) != 0) return refusedCode();
    if (bridge_->address.scheme == NetScheme::Rfc2217) {
        std::vector<NetAskItem> items = {
            {NetAsk::Baud, params.baud},
            {NetAsk::DataSize, params.dataBits},
            {NetAsk::Parity, parityValue(params.parity)},
            {NetAsk::StopBits, params.stopBits},
        };
        bool flow;
        {
            std::lock_guard lk(mutex_);
            flow = params_.rtsCts;
        }
        if (params.rtsCts != flow)
            items.push_back({NetAsk::Flow, params.rtsCts ? SERGENSIO_FLOWCONTROL_RTS_CTS : SERGENSIO_FLOWCONTROL_NONE});
        std::shared_ptr<NetRequest> request;
        if (!bridge_->ask(items, kNetSettingsAnswerMs, request)) return refusedCode();
        std::lock_guard lk(request->m);
        if (request->failed || request->refused) return refusedCode();
    }
    std::lock_guard lk(mutex_);
    params_ = params;
    return 0;
}

int NetPort::setDtr(bool on) { return setLine(true, on); }

int NetPort::setRts(bool on) { return setLine(false, on); }

int NetPort::setLine(bool dtr, bool on) {
    if (bridge_->address.scheme != NetScheme::Rfc2217) return 0;
    int answers;
    {
        std::lock_guard lk(mutex_);
        answers = lineAnswers_;
    }
    if (answers == 0) return 0;
    const unsigned value = dtr ? (on ? SERGENSIO_DTR_ON : SERGENSIO_DTR_OFF)
                               : (on ? SERGENSIO_RTS_ON : SERGENSIO_RTS_OFF);
    std::shared_ptr<NetRequest> request;
    const bool answered = bridge_->ask({{dtr ? NetAsk::Dtr : NetAsk::Rts, value}},
                                       answers < 0 ? kNetFirstLineAnswerMs : kNetSettingsAnswerMs, request);
    bool failed;
    bool refused;
    {
        std::lock_guard requestLock(request->m);
        failed = request->failed;
        refused = request->refused;
    }
    if (answered || answers > 0 || failed) {
        if (answered && !failed) {
            std::lock_guard lk(mutex_);
            lineAnswers_ = 1;
        }
        return (!answered || failed || refused) ? refusedCode() : 0;
    }
    return forgetModemLines();
}

// The server did not answer a first DTR or RTS request: it has no modem
// lines. gensio would give that request the answer to a later one (the
// speed's), so the connection is made again, without such requests from
// now on, and what was already set is set again on the new one.
int NetPort::forgetModemLines() {
    LineParams confirmed;
    {
        std::lock_guard lk(mutex_);
        lineAnswers_ = 0;
        confirmed = params_;
        params_ = LineParams{};
        params_.baud = 0;
    }
    if (bridge_->renew(kNetConnectTimeoutMs + kConnectMarginMs) != 0) return refusedCode();
    clearFlowControl();
    return confirmed.baud != 0 ? writeParams(confirmed) : 0;
}

}  // namespace vos
