#pragma once
// Debian's ser2net as the remote server of a network port in tests, and a
// network namespace to pull its cable in.
//
// ser2net runs with a configuration file of the test's own, written in a
// temporary folder: never the system's /etc/ser2net.yaml, whose stock
// entry serves the machine's console. It listens on one address and a port that
// was free, and its device is a pseudo-terminal whose master the test holds
// as the machine's control. The process dies with the test process
// (parent-death signal) and is killed when the object goes.
//
// Threads: the thread that made the object.
#include <sys/types.h>

#include <string>

#include "tests/support/temp_files.h"

namespace vos::test {

class Ser2net {
public:
    enum class Kind { Rfc2217, RawTcp };
    struct Options {
        Kind kind = Kind::Rfc2217;
        std::string host = "127.0.0.1";  // the one address it listens on
        std::string netns;               // run inside this namespace ("" none)
        int port = 0;                    // 0: one free on the host now
        std::string frame = "115200n81"; // the device's settings at start
    };

    Ser2net(std::string devicePath, Options options);
    ~Ser2net();
    Ser2net(const Ser2net&) = delete;
    Ser2net& operator=(const Ser2net&) = delete;

    // /usr/sbin/ser2net is there.
    static bool installed();
    // Starts it (again, on the same port) and waits until it listens.
    bool start(int timeoutMs = 10000);
    // SIGKILL, as a crashed or switched-off server: the kernel closes its
    // connections (FIN); waits until it is gone.
    void kill();
    bool running() const { return pid_ > 0; }

    int port() const { return port_; }
    // "rfc2217://HOST:PORT" or "tcp://HOST:PORT".
    std::string url() const;
    // What ser2net wrote (for failure messages).
    std::string log() const;

private:
    bool listening() const;

    std::string device_;
    Options options_;
    TempDir dir_;
    int port_ = 0;
    pid_t pid_ = -1;
};

// A network namespace joined to this one by a veth pair: this side
// 10.231.x.y+1, the namespace's side +2 (a /30 of its own per test process).
// cut() drops every packet in the namespace (nft), as a pulled cable: no
// FIN, no RST, nothing. Removed with its link when the object goes.
class NetNamespace {
public:
    NetNamespace();
    ~NetNamespace();
    NetNamespace(const NetNamespace&) = delete;
    NetNamespace& operator=(const NetNamespace&) = delete;

    // False, with the reason, when the machine does not let the test make
    // namespaces or links (no privilege, no ip or nft tool).
    bool ready() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    const std::string& name() const { return name_; }
    const std::string& innerAddress() const { return inner_; }
    // Drops everything that comes in or goes out inside the namespace.
    bool cut();

private:
    bool run(const std::string& command);

    std::string name_;
    std::string link_;
    std::string inner_;
    std::string error_;
};

}  // namespace vos::test
