// Network ports against the real server: Debian's ser2net, started by the
// test with a configuration of its own on 127.0.0.1 (or inside a network
// namespace), its device a pseudo-terminal whose master the test holds as
// the machine's control. The dispatcher runs on Ports/COM1, a link to
// rfc2217://... or tcp://..., exactly as on a local terminal.
#include <gensio/gensio.h>
#include <gensio/gensio_unix.h>
#include <gensio/selector.h>
#include <gensio/sergensio.h>
#include <gtest/gtest.h>
#include <termios.h>

#include <atomic>
#include <chrono>
#include <iostream>
#include <thread>

#include "platform/core/serial_device.h"
#include "serial/core/device_opener.h"
#include "tests/serial/serial_core_fixture.h"
#include "tests/support/ser2net.h"

namespace vos::test {
namespace {

using Clock = std::chrono::steady_clock;

class NetPortTest : public PtyDispatcherTest {
protected:
    void SetUp() override {
        if (!Ser2net::installed()) GTEST_SKIP() << "ser2net is not installed (deps/debian-packages.txt)";
        PtyDispatcherTest::SetUp();
    }

    // ser2net serving the control's terminal; COM1 becomes its URL.
    void serve(Ser2net::Options options) {
        server = std::make_unique<Ser2net>(peer.slavePath(), options);
        ASSERT_TRUE(server->start()) << server->log();
        folder.linkPort(1, server->url());
    }

    // The settings ser2net gave the control's terminal (the master reads
    // the slave's termios).
    termios control() const {
        termios t{};
        ::tcgetattr(peer.master(), &t);
        return t;
    }

    // Opens with a line-failure handler that records the failure's time.
    int openWatched(const serial::StartSettings& s) {
        const int rc = open(s);
        if (rc == 0)
            port->setLineFailureHandler([this](int code) {
                failureCode = code;
                failedAt = Clock::now();
                failed = true;
            });
        return rc;
    }

    // Every byte value from the control arrives as sent, and from the panel
    // the other way: no telnet negotiation, no 0xFF doubling left over.
    void expectEveryByteBothWays() {
        std::vector<std::uint8_t> got;
        takeAnnouncedInto(got);
        ASSERT_TRUE(peer.write(allByteValues()));
        EXPECT_TRUE(pumpUntil([&] { return got.size() >= 256; }));
        onEvent = nullptr;
        EXPECT_EQ(got, allByteValues());
        const auto all = allByteValues();
        ASSERT_EQ(port->writeBlock(all.data(), all.size()), 0);
        EXPECT_EQ(peer.read(256), all);
    }

    std::unique_ptr<Ser2net> server;
    std::atomic<bool> failed{false};
    std::atomic<int> failureCode{0};
    Clock::time_point failedAt;
};

speed_t speedOf(const termios& t) { return cfgetospeed(&t); }

TEST_F(NetPortTest, Rfc2217SetsTheRemotePortCarriesEveryByteAndIsFoundAgainAfterARestart) {
    serve({});  // ser2net starts the device at 115200
    ASSERT_EQ(openWatched(settings()), 0);
    termios t = control();
    EXPECT_EQ(speedOf(t), B9600);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);

    serial::LineSettings line{19200, serial::pNone, 8, 1};
    EXPECT_EQ(port->setLineSettings(line), 0);
    EXPECT_EQ(speedOf(control()), B19200);
    line.baud = 9600;
    EXPECT_EQ(port->setLineSettings(line), 0);
    EXPECT_EQ(speedOf(control()), B9600);
    // A speed without a termios form is refused, as on a local terminal.
    line.baud = 12345;
    EXPECT_NE(port->setLineSettings(line), 0);
    EXPECT_EQ(speedOf(control()), B9600);

    expectEveryByteBothWays();

    // The server goes: the reader sees the hang-up.
    server->kill();
    ASSERT_TRUE(pumpUntil([&] { return failed.load(); }, 10000)) << "no line failure after the server died";
    EXPECT_EQ(failureCode.load(), kCodeReadFault);
    EXPECT_EQ(port->lineErrors(), -1);
    port->stop();

    // While it is down, the port does not open; once it is back, the device
    // opener's watch opens it by itself, and the line works again at its
    // speed.
    const std::string path = devicePathForPort(folder.path(), 1);
    EXPECT_EQ(probeDevice(path), 0) << "present for the search even while down";
    SerialDevice down;
    EXPECT_EQ(down.open(path), kCodeNoDevice);
    std::atomic<std::uint64_t> found{0};
    serial::DeviceOpener watch([&](std::uint64_t ticket) { found = ticket; });
    const std::uint64_t ticket = watch.openWhenPresent(path);
    ASSERT_TRUE(waitUntil([&] { return watch.attempts() >= 1; }));
    ASSERT_TRUE(server->start()) << server->log();
    ASSERT_TRUE(waitUntil([&] { return found.load() == ticket; }, 10000)) << "not found again";
    serial::StartSettings again = settings();
    auto outcome = watch.take(ticket);
    ASSERT_TRUE(outcome.has_value());
    again.device = std::move(outcome->device);
    again.line.baud = 19200;
    ASSERT_NE(again.device, nullptr);
    ASSERT_EQ(open(again), 0);
    EXPECT_EQ(speedOf(control()), B19200);
    expectEveryByteBothWays();
}

TEST_F(NetPortTest, RawTcpCarriesEveryByteAndLeavesTheSpeedToTheServer) {
    Ser2net::Options raw;
    raw.kind = Ser2net::Kind::RawTcp;
    serve(raw);
    serial::StartSettings s = settings();
    s.line.baud = 19200;
    ASSERT_EQ(openWatched(s), 0);
    expectEveryByteBothWays();  // the server has the device open by now
    EXPECT_EQ(speedOf(control()), B115200);  // the server's, untouched
    server->kill();
    EXPECT_TRUE(pumpUntil([&] { return failed.load(); }, 10000)) << "no line failure after the server died";
}

// A cable pulled out between panel and server: no FIN, no RST, the packets
// just vanish (dropped inside a network namespace). The panel writes an
// idle byte every 2 ms; the connection must be given up within 5 s (the
// bound checked here is wider: the machine is loaded; the measured time is
// printed and docs/PERFORMANCE.md has it).
TEST_F(NetPortTest, APulledCableIsALostLineWithinSeconds) {
    NetNamespace ns;
    if (!ns.ready()) GTEST_SKIP() << ns.error();
    serve({.host = ns.innerAddress(), .netns = ns.name(), .port = 4001});
    ASSERT_EQ(openWatched(settings()), 0);
    expectEveryByteBothWays();

    ASSERT_TRUE(ns.cut());
    const auto cutAt = Clock::now();
    auto lastIdle = Clock::now();
    const bool lost = pumpUntil([&] {
        if (Clock::now() - lastIdle >= std::chrono::milliseconds(2)) {
            const std::uint8_t idle = 0;
            port->writeBlock(&idle, 1);  // may be refused once the ring is full
            lastIdle = Clock::now();
        }
        return failed.load();
    }, 20000);
    ASSERT_TRUE(lost) << "the line still looks alive 20 s after the cable was pulled";
    const auto seconds = std::chrono::duration<double>(failedAt - cutAt).count();
    std::cout << "pulled cable seen after " << seconds << " s\n";
    RecordProperty("pulled_cable_seconds", std::to_string(seconds));
    EXPECT_LT(seconds, 10.0);
    EXPECT_EQ(failureCode.load(), kCodeReadFault);
}

// An RFC 2217 server that refuses one speed: it answers every request with
// the value asked for, except `refused`, answered with 9600. Made with
// gensio's server side on a thread of its own (ser2net never refuses a
// speed). Its OS handler is made once and kept for the process: gensio may
// keep the first one it is given.
class RefusingServer {
public:
    explicit RefusingServer(int refused) : refused_(refused) {
        static gensio_os_funcs* const os = [] {
            selector_s* sel = nullptr;
            gensio_os_funcs* o = nullptr;
            if (sel_alloc_selector_nothread(&sel) != 0 || gensio_unix_funcs_alloc(sel, 0, &o) != 0) return o;
            return o;
        }();
        os_ = os;
        if (!os_ || str_to_gensio_accepter("telnet(rfc2217),tcp,127.0.0.1,0", os_, onAccept, this, &acc_) != 0 ||
            gensio_acc_startup(acc_) != 0)
            return;
        char text[16] = {};
        gensiods len = sizeof text;
        if (gensio_acc_control(acc_, GENSIO_CONTROL_DEPTH_FIRST, GENSIO_CONTROL_GET, GENSIO_ACC_CONTROL_LPORT, text,
                               &len) == 0)
            port_ = std::atoi(text);
        thread_ = std::thread([this] {
            while (!stop_) {
                gensio_time t{0, 20 * 1000 * 1000};
                gensio_os_funcs_service(os_, &t);
            }
            if (io_) gensio_free(io_);
            gensio_acc_free(acc_);
        });
    }
    ~RefusingServer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    int port() const { return port_; }

private:
    static int onAccept(struct gensio_accepter*, void* data, int event, void* what) {
        if (event != GENSIO_ACC_EVENT_NEW_CONNECTION) return GE_NOTSUP;
        auto* self = static_cast<RefusingServer*>(data);
        self->io_ = static_cast<struct gensio*>(what);
        gensio_set_callback(self->io_, onEvent, self);
        gensio_set_read_callback_enable(self->io_, true);
        return 0;
    }
    static int onEvent(struct gensio* io, void* data, int event, int, unsigned char* buf, gensiods*,
                       const char* const*) {
        auto* self = static_cast<RefusingServer*>(data);
        struct sergensio* sio = gensio_to_sergensio(io);
        const unsigned value = buf ? *reinterpret_cast<unsigned*>(buf) : 0;
        switch (event) {
        case GENSIO_EVENT_READ: return 0;  // bytes taken and dropped
        case GENSIO_EVENT_SER_BAUD:
            return sergensio_baud(sio, static_cast<int>(value) == self->refused_ ? 9600 : value, nullptr, nullptr);
        case GENSIO_EVENT_SER_DATASIZE: return sergensio_datasize(sio, value, nullptr, nullptr);
        case GENSIO_EVENT_SER_PARITY: return sergensio_parity(sio, value, nullptr, nullptr);
        case GENSIO_EVENT_SER_STOPBITS: return sergensio_stopbits(sio, value, nullptr, nullptr);
        case GENSIO_EVENT_SER_FLOWCONTROL: return sergensio_flowcontrol(sio, value, nullptr, nullptr);
        case GENSIO_EVENT_SER_DTR: return sergensio_dtr(sio, value, nullptr, nullptr);
        case GENSIO_EVENT_SER_RTS: return sergensio_rts(sio, value, nullptr, nullptr);
        default: return GE_NOTSUP;
        }
    }

    const int refused_;
    gensio_os_funcs* os_ = nullptr;
    struct gensio_accepter* acc_ = nullptr;
    struct gensio* io_ = nullptr;  // server thread
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

using NetSettings = PtyDispatcherTest;

// A speed the server answers with another value is refused like a speed a
// local terminal refuses; other speeds still go through.
TEST_F(NetSettings, ASpeedTheServerRefusesIsAnErrorLikeALocalRefusal) {
    RefusingServer server(19200);
    ASSERT_NE(server.port(), 0);
    folder.linkPort(1, "rfc2217://127.0.0.1:" + std::to_string(server.port()));
    ASSERT_EQ(open(), 0);  // 9600, DTR and RTS answered as asked
    serial::LineSettings line{19200, serial::pNone, 8, 1};
    EXPECT_EQ(port->setLineSettings(line), kCodeGeneralFailure);
    line.baud = 9600;
    EXPECT_EQ(port->setLineSettings(line), 0);
    line.baud = 4800;
    EXPECT_EQ(port->setLineSettings(line), 0);
}

}  // namespace
}  // namespace vos::test
