// The bridge thread at work: bytes both ways between the socket pair and the
// connection, and the settings requests of other threads.
#include <gensio/gensio.h>
#include <gensio/gensio_os_funcs.h>
#include <gensio/selector.h>
#include <gensio/sergensio.h>
#include <sys/socket.h>

#include <cerrno>

#include "platform/core/errno_codes.h"
#include "platform/core/net_bridge.h"

namespace vos {

namespace {

void onDeviceReadable(int, void* data) { static_cast<NetBridge*>(data)->fromDevice(); }

void onDeviceWritable(int, void* data) { static_cast<NetBridge*>(data)->deviceWritable(); }

void onWake(int, void* data) { static_cast<NetBridge*>(data)->runJobs(); }

void onAnswer(struct sergensio*, int err, unsigned int value, void* data) {
    auto* answer = static_cast<NetBridge::Answer*>(data);
    NetBridge::settle(*answer, err != 0, value != answer->value);
    answer->bridge->answers.erase(answer->self);  // gensio is done with it
}

using SetCall = int (*)(struct sergensio*, unsigned int, sergensio_done, void*);

SetCall setCallFor(NetAsk what) {
    switch (what) {
    case NetAsk::Baud: return sergensio_baud;
    case NetAsk::DataSize: return sergensio_datasize;
    case NetAsk::Parity: return sergensio_parity;
    case NetAsk::StopBits: return sergensio_stopbits;
    case NetAsk::Flow: return sergensio_flowcontrol;
    case NetAsk::Dtr: return sergensio_dtr;
    case NetAsk::Rts: return sergensio_rts;
    }
    return nullptr;
}

}  // namespace

void NetBridge::serve() {
    sel_set_fd_handlers(sel, bridgeFd, this, onDeviceReadable, onDeviceWritable, nullptr, nullptr);
    sel_set_fd_read_handler(sel, bridgeFd, SEL_FD_HANDLER_ENABLED);
    sel_set_fd_handlers(sel, wake.fd(), this, onWake, nullptr, nullptr, nullptr);
    sel_set_fd_read_handler(sel, wake.fd(), SEL_FD_HANDLER_ENABLED);
    gensio_set_read_callback_enable(io, true);
    runJobs();  // posted while connecting
    while (!quitting()) {
        gensio_time t{1, 0};
        gensio_os_funcs_service(os, &t);
        if (renewWanted) renewConnection();
    }
    sel_clear_fd_handlers_norpt(sel, wake.fd());
    sel_clear_fd_handlers_norpt(sel, bridgeFd);
}

// Outside any selector handler (the connection is made by running the
// selector). The device's end is not read meanwhile; bytes it gave that
// gensio had not taken yet go to the new connection.
void NetBridge::renewConnection() {
    renewWanted = false;
    sel_set_fd_read_handler(sel, bridgeFd, SEL_FD_HANDLER_DISABLED);
    sel_set_fd_write_handler(sel, bridgeFd, SEL_FD_HANDLER_DISABLED);
    closeConnection();
    int rc = kCodeNoDevice;
    if (!dead && !connectedTo.empty())
        rc = connectTo(connectedTo, std::chrono::steady_clock::now() + std::chrono::milliseconds(kNetConnectTimeoutMs));
    if (rc == 0) {
        gensio_set_read_callback_enable(io, true);
        if (outLength != 0) flushToConnection();
        else sel_set_fd_read_handler(sel, bridgeFd, SEL_FD_HANDLER_ENABLED);
    } else {
        connectionLost();
    }
    {
        std::lock_guard lk(mutex);
        ++renewals;
        renewCode = rc;
    }
    changed.notify_all();
}

int NetBridge::renew(int timeoutMs) {
    std::uint64_t before;
    {
        std::lock_guard lk(mutex);
        before = renewals;
    }
    post([this] { renewWanted = true; });
    std::unique_lock lk(mutex);
    if (!changed.wait_for(lk, std::chrono::milliseconds(timeoutMs), [&] { return renewals != before || finished; }))
        return kCodeNoDevice;
    return renewals != before ? renewCode : kCodeNoDevice;
}

// Bytes from the server: into the socket pair as far as it takes them; the
// rest stays with gensio, which offers it again once reading is enabled
// again (when the device has made room).
void NetBridge::fromConnection(unsigned char* data, std::size_t& length, int err) {
    if (err != 0) {
        length = 0;
        connectionLost();
        return;
    }
    if (dead || length == 0) return;
    const ssize_t n = ::send(bridgeFd, data, length, MSG_DONTWAIT | MSG_NOSIGNAL);
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
        length = 0;
        connectionLost();
        return;
    }
    const std::size_t taken = n > 0 ? static_cast<std::size_t>(n) : 0;
    if (taken < length) {
        gensio_set_read_callback_enable(io, false);
        sel_set_fd_write_handler(sel, bridgeFd, SEL_FD_HANDLER_ENABLED);
    }
    length = taken;
}

void NetBridge::deviceWritable() {
    sel_set_fd_write_handler(sel, bridgeFd, SEL_FD_HANDLER_DISABLED);
    if (!dead) gensio_set_read_callback_enable(io, true);
}

// Bytes from the device: one buffer at a time; while gensio has not taken
// all of it, the device is not read (its socket buffer holds the rest).
void NetBridge::fromDevice() {
    if (dead || outLength != 0) return;
    const ssize_t n = ::recv(bridgeFd, out.data(), out.size(), MSG_DONTWAIT);
    if (n < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) connectionLost();
        return;
    }
    if (n == 0) {  // the device's end is closed: nothing more to carry
        connectionLost();
        return;
    }
    outLength = static_cast<std::size_t>(n);
    outDone = 0;
    flushToConnection();
}

void NetBridge::flushToConnection() {
    if (dead) return;
    if (outDone < outLength) {
        gensiods count = 0;
        if (gensio_write(io, &count, out.data() + outDone, outLength - outDone, nullptr) != 0) {
            connectionLost();
            return;
        }
        outDone += count;
    }
    const bool rest = outDone < outLength;
    if (!rest) outLength = outDone = 0;
    gensio_set_write_callback_enable(io, rest);
    sel_set_fd_read_handler(sel, bridgeFd, rest ? SEL_FD_HANDLER_DISABLED : SEL_FD_HANDLER_ENABLED);
}

// The connection closed or failed: the device's reader is to see a hang-up.
// Its end gets what was already written, then the end of the stream.
void NetBridge::connectionLost() {
    if (dead) return;
    dead = true;
    if (io) {
        gensio_set_read_callback_enable(io, false);
        gensio_set_write_callback_enable(io, false);
    }
    sel_set_fd_read_handler(sel, bridgeFd, SEL_FD_HANDLER_DISABLED);
    sel_set_fd_write_handler(sel, bridgeFd, SEL_FD_HANDLER_DISABLED);
    ::shutdown(bridgeFd, SHUT_RDWR);
    for (auto& answer : answers) settle(answer, true, false);
}

void NetBridge::post(std::function<void()> job) {
    {
        std::lock_guard lk(mutex);
        jobs.push_back(std::move(job));
    }
    wake.set();
}

void NetBridge::runJobs() {
    wake.consume();
    std::deque<std::function<void()>> now;
    {
        std::lock_guard lk(mutex);
        now.swap(jobs);
    }
    for (auto& job : now) job();
}

bool NetBridge::ask(const std::vector<NetAskItem>& items, int timeoutMs,
                          std::shared_ptr<NetRequest>& request) {
    request = std::make_shared<NetRequest>();
    request->outstanding = static_cast<int>(items.size());
    {
        std::lock_guard lk(mutex);
        if (state != State::Open) {
            request->failed = true;
            return true;
        }
    }
    post([this, items, request] {
        for (const auto& item : items) sendAsk(item, request);
    });
    std::unique_lock lk(request->m);
    return request->cv.wait_for(lk, std::chrono::milliseconds(timeoutMs),
                                [&] { return request->outstanding == 0; });
}

void NetBridge::sendAsk(const NetAskItem& item, const std::shared_ptr<NetRequest>& request) {
    answers.push_back(Answer{this, request, item.value, false, {}});
    Answer& answer = answers.back();
    answer.self = std::prev(answers.end());
    if (dead || !sio) {
        settle(answer, true, false);
        return;
    }
    if (setCallFor(item.what)(sio, item.value, onAnswer, &answer) != 0) {
        settle(answer, true, false);
        answers.erase(answer.self);
    }
}

void NetBridge::settle(Answer& answer, bool failed, bool refused) {
    if (answer.settled) return;
    answer.settled = true;
    NetRequest& r = *answer.request;
    {
        std::lock_guard lk(r.m);
        r.failed = r.failed || failed;
        r.refused = r.refused || refused;
        --r.outstanding;
    }
    r.cv.notify_all();
}

}  // namespace vos
