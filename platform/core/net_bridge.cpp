// The bridge thread's life: name resolution, connection, closing.
#include "platform/core/net_bridge.h"

#include <gensio/gensio.h>
#include <gensio/gensio_os_funcs.h>
#include <gensio/gensio_unix.h>
#include <gensio/selector.h>
#include <gensio/sergensio.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdarg>
#include <system_error>
#include <thread>

#include "platform/core/errno_codes.h"

namespace vos {

namespace {

using Clock = std::chrono::steady_clock;

// At most this many of the addresses a name resolves to are tried.
constexpr int kMaxAddresses = 4;
// How long the thread waits for gensio to close the connection.
constexpr auto kCloseWait = std::chrono::milliseconds(2000);
// Keepalive of an idle connection: first probe after 1 s, then every 1 s.
constexpr int kKeepIdleS = 1;
constexpr int kKeepIntervalS = 1;
constexpr int kKeepProbes = 2;

struct SocketOption {
    int level;
    int name;
    int value;
};

// Keys and idle bytes leave at once (no Nagle delay); bytes unacknowledged
// for kUnackedLimitMs, or a silent peer, end the connection.
constexpr SocketOption kSocketOptions[] = {
    {IPPROTO_TCP, TCP_NODELAY, 1},
    {SOL_SOCKET, SO_KEEPALIVE, 1},
    {IPPROTO_TCP, TCP_KEEPIDLE, kKeepIdleS},
    {IPPROTO_TCP, TCP_KEEPINTVL, kKeepIntervalS},
    {IPPROTO_TCP, TCP_KEEPCNT, kKeepProbes},
    {IPPROTO_TCP, TCP_USER_TIMEOUT, kUnackedLimitMs},
};

// gensio's log lines would go to the program's standard error.
void quietLog(gensio_os_funcs*, enum gensio_log_levels, const char*, va_list) {}

// Every socket gensio makes for this connection gets the options above
// before it connects.
int socketOpenWithOptions(gensio_os_funcs* o, const struct gensio_addr* addr, int protocol,
                          struct gensio_iod** iod) {
    auto* bridge = static_cast<NetBridge*>(gensio_os_funcs_get_data(o));
    const int rv = bridge->socketOpen(o, addr, protocol, iod);
    if (rv != 0 || protocol != GENSIO_NET_PROTOCOL_TCP) return rv;
    const int fd = o->iod_get_fd(*iod);
    for (const auto& opt : kSocketOptions)
        ::setsockopt(fd, opt.level, opt.name, &opt.value, sizeof opt.value);
    bridge->socketFd = fd;
    return rv;
}

// The numeric addresses `host` stands for, in the resolver's order, as
// gensio's address text ("ipv4,192.0.2.7" / "ipv6,fd00::7"). A code when
// there are none.
int resolve(const std::string& host, std::vector<std::string>& out) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* list = nullptr;
    const int rc = ::getaddrinfo(host.c_str(), nullptr, &hints, &list);
    if (rc == EAI_MEMORY) return kCodeNoMemory;
    if (rc != 0) return kCodeNoDevice;
    for (addrinfo* a = list; a && static_cast<int>(out.size()) < kMaxAddresses; a = a->ai_next) {
        char text[NI_MAXHOST];
        if (::getnameinfo(a->ai_addr, a->ai_addrlen, text, sizeof text, nullptr, 0, NI_NUMERICHOST) != 0)
            continue;
        const std::string entry = std::string(a->ai_family == AF_INET6 ? "ipv6," : "ipv4,") + text;
        if (std::find(out.begin(), out.end(), entry) == out.end()) out.push_back(entry);
    }
    ::freeaddrinfo(list);
    return out.empty() ? kCodeNoDevice : 0;
}

int ignoreEvents(struct gensio*, void*, int, int, unsigned char*, gensiods*, const char* const*) {
    return GE_NOTSUP;
}

// gensio keeps the OS handler of the process's very first allocation for
// good (its registry lock is used through it), so that first allocation is
// made here, with a handler that lives as long as the program, never with a
// connection's own, which is freed with it. Made once, read-only after.
bool primeGensio() {
    static const bool primed = [] {
        selector_s* sel = nullptr;
        gensio_os_funcs* o = nullptr;
        if (sel_alloc_selector_nothread(&sel) != 0 || gensio_unix_funcs_alloc(sel, 0, &o) != 0) return false;
        gensio_os_funcs_set_vlog(o, quietLog);
        // Both layers once, so that each loads and registers itself here.
        gensio* io = nullptr;
        if (str_to_gensio("telnet(rfc2217),tcp,127.0.0.1,9", o, ignoreEvents, nullptr, &io) != 0) return false;
        gensio_free(io);
        return true;
    }();
    return primed;
}

int codeForGensio(int err) {
    if (err == GE_NOMEM) return kCodeNoMemory;
    return kCodeNoDevice;
}

int onEvent(struct gensio*, void* data, int event, int err, unsigned char* buf, gensiods* buflen,
            const char* const*) {
    auto* bridge = static_cast<NetBridge*>(data);
    switch (event) {
    case GENSIO_EVENT_READ: {
        std::size_t length = buflen ? *buflen : 0;
        bridge->fromConnection(buf, length, err);
        if (buflen) *buflen = length;
        return 0;
    }
    case GENSIO_EVENT_WRITE_READY: bridge->flushToConnection(); return 0;
    default: return GE_NOTSUP;  // modem-state reports and the like: not used
    }
}

}  // namespace

NetBridge::NetBridge(const NetAddress& a, int fd, int timeoutMs)
    : address(a), deadline(Clock::now() + std::chrono::milliseconds(timeoutMs)), bridgeFd(fd) {}

NetBridge::~NetBridge() {
    if (bridgeFd >= 0) ::close(bridgeFd);
}

int NetBridge::start(const std::shared_ptr<NetBridge>& bridge) {
    try {
        std::thread([bridge] { bridge->run(); }).detach();
    } catch (const std::system_error& e) {
        return codeForErrno(e.code().value(), DeviceStep::Open);
    }
    return 0;
}

int NetBridge::waitConnected(int timeoutMs) {
    std::unique_lock lk(mutex);
    const bool decided = changed.wait_for(lk, std::chrono::milliseconds(timeoutMs),
                                          [&] { return state != State::Connecting; });
    if (decided && state == State::Open) return 0;
    const int failure = decided ? code : kCodeNoDevice;
    quit = true;
    wake.set();
    return failure;
}

void NetBridge::stop(int timeoutMs) {
    std::unique_lock lk(mutex);
    quit = true;
    wake.set();
    changed.wait_for(lk, std::chrono::milliseconds(timeoutMs), [&] { return finished; });
}

bool NetBridge::quitting() {
    std::lock_guard lk(mutex);
    return quit;
}

void NetBridge::publish(State s, int failure) {
    {
        std::lock_guard lk(mutex);
        state = s;
        code = failure;
    }
    changed.notify_all();
}

void NetBridge::run() {
    // gensio writes to sockets; a peer gone must not raise SIGPIPE, which
    // would end the program. Blocked here, on this thread only.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);

    int rc = kCodeNoMemory;
    if (wake.error() == 0 && primeGensio() && sel_alloc_selector_nothread(&sel) == 0 &&
        gensio_unix_funcs_alloc(sel, 0, &os) == 0) {
        gensio_os_funcs_set_vlog(os, quietLog);
        gensio_os_funcs_set_data(os, this);
        socketOpen = os->socket_open;
        os->socket_open = socketOpenWithOptions;
        rc = connectAny();
    }
    if (rc == 0 && !quitting()) {
        publish(State::Open, 0);
        serve();
    } else {
        publish(State::Failed, rc != 0 ? rc : kCodeNoDevice);
    }
    closeConnection();
    if (os) gensio_os_funcs_free(os);
    if (sel) sel_free_selector(sel);
    os = nullptr;
    sel = nullptr;
    {
        std::lock_guard lk(mutex);
        state = State::Ended;
        finished = true;
    }
    changed.notify_all();
}

int NetBridge::connectAny() {
    std::vector<std::string> hosts;
    if (const int rc = resolve(address.host, hosts); rc != 0) return rc;
    const char* layers = address.scheme == NetScheme::Rfc2217 ? "telnet(rfc2217),tcp," : "tcp,";
    int rc = kCodeNoDevice;
    for (const auto& host : hosts) {
        if (Clock::now() >= deadline || quitting()) return kCodeNoDevice;
        rc = connectTo(layers + host + "," + std::to_string(address.port), deadline);
        if (rc == 0) return 0;
    }
    return rc;
}

// One attempt at one address, until `until`.
int NetBridge::connectTo(const std::string& gensioText, Clock::time_point until) {
    if (const int rv = str_to_gensio(gensioText.c_str(), os, onEvent, this, &io); rv != 0) {
        io = nullptr;
        return codeForGensio(rv);
    }
    opened = false;
    openError = 0;
    auto done = [](struct gensio*, int err, void* data) {
        auto* self = static_cast<NetBridge*>(data);
        self->opened = true;
        self->openError = err;
    };
    int rv = gensio_open(io, done, this);
    if (rv == 0) {
        serviceUntil([this] { return opened; }, until);
        rv = opened ? openError : GE_TIMEDOUT;
    }
    if (rv != 0) {
        closeConnection();
        return codeForGensio(rv);
    }
    if (address.scheme == NetScheme::Rfc2217) sio = gensio_to_sergensio(io);
    connectedTo = gensioText;
    return 0;
}

// Runs the selector until `done` or `until`, or a quit request.
bool NetBridge::serviceUntil(const std::function<bool()>& done, Clock::time_point until) {
    while (!done()) {
        const auto now = Clock::now();
        if (now >= until || quitting()) return false;
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(until - now);
        const auto slice = std::min<std::chrono::microseconds>(left, std::chrono::milliseconds(50));
        gensio_time t{slice.count() / 1000000, static_cast<int32_t>((slice.count() % 1000000) * 1000)};
        gensio_os_funcs_service(os, &t);
    }
    return true;
}

void NetBridge::closeConnection() {
    if (!io) return;
    bool closed = false;
    auto done = [](struct gensio*, void* data) { *static_cast<bool*>(data) = true; };
    if (gensio_close(io, done, &closed) == 0) {
        const auto until = Clock::now() + kCloseWait;
        while (!closed && Clock::now() < until) {
            gensio_time t{0, 50 * 1000 * 1000};
            gensio_os_funcs_service(os, &t);
        }
    }
    gensio_free(io);
    io = nullptr;
    sio = nullptr;
    socketFd = -1;
    // No answer can come any more: whoever still waits for one is told.
    for (auto& answer : answers) settle(answer, true, false);
    answers.clear();
}

}  // namespace vos
