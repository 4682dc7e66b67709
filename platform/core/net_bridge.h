#pragma once
// The bridge thread of a NetPort (platform/core/net_port.h): internal to it.
//
// One thread per connection makes every gensio call, on a selector of its
// own: it resolves the name, connects, then moves bytes between its end of
// the socket pair and the connection, and runs the settings requests that
// other threads post to it. It ends when asked to (stop()) or, while
// connecting, when the time is up; it then closes the connection and frees
// everything. Other threads only touch the members under `mutex` and the
// wake event.
//
// Ownership: the thread holds the Bridge through a shared pointer, so an
// owner that stops waiting (a name resolution that hangs, a close that does
// not end) may let go first; the thread then ends on its own.
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/core/net_port.h"
#include "platform/core/wake_event.h"

struct gensio;
struct gensio_addr;
struct gensio_iod;
struct gensio_os_funcs;
struct selector_s;
struct sergensio;

namespace vos {

// One round of requests to the server, waited for by the thread that asked.
struct NetRequest {
    std::mutex m;
    std::condition_variable cv;
    int outstanding = 0;
    bool refused = false;  // the server answered another value
    bool failed = false;   // an error, or the connection ended first
};

enum class NetAsk : std::uint8_t { Baud, DataSize, Parity, StopBits, Flow, Dtr, Rts };

struct NetAskItem {
    NetAsk what;
    unsigned value;  // in gensio's terms (SERGENSIO_*)
};

struct NetBridge {
    enum class State { Connecting, Open, Failed, Ended };

    NetBridge(const NetAddress& address, int bridgeFd, int timeoutMs);
    ~NetBridge();
    NetBridge(const NetBridge&) = delete;
    NetBridge& operator=(const NetBridge&) = delete;

    // Starts the thread (detached; see the ownership note above).
    static int start(const std::shared_ptr<NetBridge>& bridge);
    // Caller: waits until the connection is up (0) or failed (its code);
    // gives up (-2) and leaves the thread to end alone after `timeoutMs`.
    int waitConnected(int timeoutMs);
    // Owner: ends the thread and waits for it at most `timeoutMs`.
    void stop(int timeoutMs);
    // Any thread: sends `items` and waits for every answer at most
    // `timeoutMs`; false when some answer did not come in time.
    bool ask(const std::vector<NetAskItem>& items, int timeoutMs, std::shared_ptr<NetRequest>& request);
    // Any thread: closes the connection and makes a new one to the same
    // address, the socket pair staying as it is (gensio's pending requests
    // go with the old one). 0, or the code of the failed connection, which
    // then counts as lost (the device sees a hang-up).
    int renew(int timeoutMs);

    const NetAddress address;
    const std::chrono::steady_clock::time_point deadline;  // of the connection

    // --- under `mutex` ---
    std::mutex mutex;
    std::condition_variable changed;
    State state = State::Connecting;
    int code = 0;  // why it failed
    bool quit = false;
    bool finished = false;
    std::deque<std::function<void()>> jobs;
    WakeEvent wake;  // jobs or quit
    std::uint64_t renewals = 0;  // connections renewed (or failed to)
    int renewCode = 0;

    // --- bridge thread only ---
    struct Answer {
        NetBridge* bridge;
        std::shared_ptr<NetRequest> request;
        unsigned value;
        bool settled = false;
        std::list<Answer>::iterator self;
    };

    void run();
    int connectAny();
    int connectTo(const std::string& gensioText, std::chrono::steady_clock::time_point until);
    void renewConnection();
    bool serviceUntil(const std::function<bool()>& done, std::chrono::steady_clock::time_point until);
    void serve();
    void closeConnection();
    void post(std::function<void()> job);
    void runJobs();
    bool quitting();
    void publish(State s, int failure);
    void sendAsk(const NetAskItem& item, const std::shared_ptr<NetRequest>& request);
    static void settle(Answer& answer, bool failed, bool refused);
    void connectionLost();
    void fromConnection(unsigned char* data, std::size_t& length, int err);
    void fromDevice();
    void flushToConnection();
    void deviceWritable();

    int bridgeFd;
    int socketFd = -1;  // the TCP socket inside gensio (set when it is made)
    selector_s* sel = nullptr;
    gensio_os_funcs* os = nullptr;
    gensio* io = nullptr;
    sergensio* sio = nullptr;
    std::string connectedTo;  // gensio's text of the connection
    bool renewWanted = false;
    bool opened = false;
    int openError = 0;
    bool dead = false;
    std::array<unsigned char, 4096> out{};  // from the device, not yet taken by gensio
    std::size_t outLength = 0;
    std::size_t outDone = 0;
    std::list<Answer> answers;
    // gensio's own socket_open, wrapped to set the socket's options.
    int (*socketOpen)(gensio_os_funcs*, const gensio_addr*, int, gensio_iod**) = nullptr;
};

}  // namespace vos
