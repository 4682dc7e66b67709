#pragma once
// The connection behind a network port (platform/core/net_address.h), made
// with the gensio library: "telnet(rfc2217),tcp,..." for rfc2217://, plain
// "tcp,..." for tcp://.
//
// The serial device never sees the connection itself: it reads and writes
// one end of a local socket pair, and a bridge thread of this object moves
// the bytes between the other end and the connection. The telnet layer
// (its negotiation, the doubling of 0xFF) stays inside gensio: the bytes on
// the socket pair are exactly the line's. When the connection closes or
// fails, the bridge shuts its end down, so the device's reader sees a
// hang-up (poll() POLLHUP, read() 0 after the last bytes).
//
// A pulled cable (no FIN, no RST) is seen within kUnackedLimitMs plus one
// retransmission: the socket gives up on bytes the server does not
// acknowledge for that long (TCP_USER_TIMEOUT; the panel writes an idle
// byte every 2 ms, so there are always some), and a silent idle connection
// is probed by TCP keepalive after 1 s.
//
// Threads: connect() blocks its caller (at most about the time-out it is
// given) and is meant for a thread other than the GUI thread. Afterwards
// every member may be called from any thread; the settings calls wait for
// the server's answer (on a LAN, a round trip). The bridge thread makes
// every gensio call, so gensio needs no signal to wake it.
#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/core/net_address.h"
#include "platform/core/serial_line.h"

namespace vos {

struct NetBridge;

// Name resolution, connection and telnet negotiation together.
inline constexpr int kNetConnectTimeoutMs = 2000;
// Unacknowledged bytes older than this end the connection.
inline constexpr int kUnackedLimitMs = 3000;
// How long a speed or frame change waits for the server's answer.
inline constexpr int kNetSettingsAnswerMs = 2000;
// How long the first DTR or RTS request waits for an answer. A server that
// does not answer it (ser2net on a pseudo-terminal, which has no modem
// lines) is taken as one without modem lines: the connection is made again
// (gensio would match a later answer to the unanswered request), further
// requests are not sent, and driving the lines succeeds without effect, as
// on a local pseudo-terminal.
inline constexpr int kNetFirstLineAnswerMs = 300;

class NetPort {
public:
    ~NetPort();
    NetPort(const NetPort&) = delete;
    NetPort& operator=(const NetPort&) = delete;

    // Resolves, connects and (rfc2217) negotiates within timeoutMs, and
    // returns at the latest half a second after it (a name resolution that
    // hangs longer is left to end on the bridge thread, which then frees
    // everything). Returns 0 and sets `port` and `deviceFd` (the device's
    // end of the socket pair: non-blocking, close-on-exec, owned by the
    // caller from now on), or a code: -2 when the server cannot be reached
    // (unknown name, refused, no answer in time), -4 no descriptors left,
    // -8 no memory.
    static int connect(const NetAddress& address, int timeoutMs, std::unique_ptr<NetPort>& port,
                       int& deviceFd);

    const NetAddress& address() const;

    // The last parameters the server confirmed (rfc2217) or was given (tcp);
    // speed 0 before the first writeParams(), so the first one is sent.
    int readParams(LineParams& out) const;
    // rfc2217: sends speed, data bits, parity, stop bits (and flow control
    // when it changes: it is set off at connection) and waits for the answers: 0 when the server confirmed each value, -162
    // when it answered another value (a refusal), failed, or did not answer
    // in time. A speed or size without a termios form is refused before
    // asking (-162, as locally). tcp: accepted without effect.
    int writeParams(const LineParams& params);
    // rfc2217: DTR or RTS on the remote port, same answers (see
    // kNetFirstLineAnswerMs for a server without modem lines). tcp: 0.
    int setDtr(bool on);
    int setRts(bool on);

private:
    explicit NetPort(std::shared_ptr<NetBridge> bridge);
    void clearFlowControl();
    int setLine(bool dtr, bool on);
    int forgetModemLines();

    std::shared_ptr<NetBridge> bridge_;
    mutable std::mutex mutex_;
    LineParams params_{};  // mutex_: the confirmed ones (no flow control at connection)
    int lineAnswers_ = -1;  // mutex_: -1 not known yet, 0 the server does not answer, 1 it does
};

}  // namespace vos
