#include "tests/support/ser2net.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace vos::test {

namespace {

constexpr const char* kSer2net = "/usr/sbin/ser2net";

// A TCP port nobody listens on now at `host` (bound once, then let go).
int freePort(const std::string& host) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    ::inet_pton(AF_INET, host.c_str(), &a.sin_addr);
    socklen_t len = sizeof a;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(fd);
    return port;
}

// A listening TCP socket on `port` in the table of /proc/<pid>/net (the
// process's own network namespace).
bool listensOn(pid_t pid, int port) {
    char hexPort[8];
    std::snprintf(hexPort, sizeof hexPort, ":%04X", port);
    for (const char* table : {"tcp", "tcp6"}) {
        std::ifstream in("/proc/" + std::to_string(pid) + "/net/" + table);
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string slot, local, remote, state;
            fields >> slot >> local >> remote >> state;
            if (state == "0A" && local.size() > 5 && local.substr(local.size() - 5) == hexPort) return true;
        }
    }
    return false;
}

pid_t spawn(const std::vector<std::string>& argv, const std::string& logFile) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(127);
    const int log = ::open(logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    const int null = ::open("/dev/null", O_RDONLY);
    ::dup2(null, 0);
    ::dup2(log, 1);
    ::dup2(log, 2);
    ::execvp(args[0], args.data());
    ::_exit(127);
}

int runQuiet(const std::string& command) {
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

Ser2net::Ser2net(std::string devicePath, Options options)
    : device_(std::move(devicePath)), options_(std::move(options)) {
    port_ = options_.port != 0 ? options_.port : freePort(options_.host);
    const std::string accepter = std::string(options_.kind == Kind::Rfc2217 ? "telnet(rfc2217)," : "") +
                                 "tcp," + options_.host + "," + std::to_string(port_);
    std::ofstream yaml(dir_.File("ser2net.yaml"));
    yaml << "%YAML 1.1\n---\n"
         << "connection: &vostrelle\n"
         << "  accepter: " << accepter << "\n"
         << "  connector: serialdev," << device_ << "," << options_.frame << ",local\n"
         << "  options:\n"
         << "    kickolduser: true\n";
}

Ser2net::~Ser2net() { kill(); }

bool Ser2net::installed() { return ::access(kSer2net, X_OK) == 0; }

std::string Ser2net::url() const {
    return std::string(options_.kind == Kind::Rfc2217 ? "rfc2217://" : "tcp://") + options_.host + ":" +
           std::to_string(port_);
}

std::string Ser2net::log() const { return Slurp(dir_.File("ser2net.log")); }

bool Ser2net::listening() const { return pid_ > 0 && listensOn(pid_, port_); }

bool Ser2net::start(int timeoutMs) {
    if (pid_ > 0) return listening();
    // -n: in the foreground; -u: no UUCP lock files; -P: a pid file of our
    // own (the default one is the system service's).
    std::vector<std::string> argv = {kSer2net, "-n", "-u", "-c", dir_.File("ser2net.yaml"),
                                     "-P", dir_.File("ser2net.pid")};
    if (!options_.netns.empty()) argv.insert(argv.begin(), {"ip", "netns", "exec", options_.netns});
    pid_ = spawn(argv, dir_.File("ser2net.log"));
    if (pid_ < 0) return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        if (listening()) return true;
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

void Ser2net::kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
}

NetNamespace::NetNamespace() {
    const int index = static_cast<int>(::getpid() % 16384);
    const std::string id = std::to_string(::getpid());
    name_ = "vos" + id;
    link_ = "vos" + id + "a";
    const std::string prefix = "10.231." + std::to_string(index / 64) + ".";
    const int base = (index % 64) * 4;
    const std::string outer = prefix + std::to_string(base + 1);
    inner_ = prefix + std::to_string(base + 2);
    const std::string peer = "vos" + id + "b";
    runQuiet("ip link del " + link_);
    runQuiet("ip netns del " + name_);
    if (runQuiet("command -v nft") != 0) {
        error_ = "the nft tool is missing (package nftables)";
        return;
    }
    const std::string ns = "ip netns exec " + name_ + " ";
    const char* what = nullptr;
    if (!run("ip netns add " + name_)) what = "ip netns add";
    else if (!run("ip link add " + link_ + " type veth peer name " + peer)) what = "ip link add ... type veth";
    else if (!run("ip link set " + peer + " netns " + name_)) what = "ip link set ... netns";
    else if (!run("ip addr add " + outer + "/30 dev " + link_) || !run("ip link set " + link_ + " up") ||
             !run(ns + "ip addr add " + inner_ + "/30 dev " + peer) || !run(ns + "ip link set " + peer + " up") ||
             !run(ns + "ip link set lo up"))
        what = "ip addr / ip link set up";
    if (what) error_ = std::string("the machine does not let this test make a network namespace (") + what + ")";
}

NetNamespace::~NetNamespace() {
    runQuiet("ip link del " + link_);
    runQuiet("ip netns del " + name_);
}

bool NetNamespace::run(const std::string& command) { return runQuiet(command) == 0; }

bool NetNamespace::cut() {
    const std::string nft = "ip netns exec " + name_ + " nft ";
    return run(nft + "add table inet cut") &&
           run(nft + "'add chain inet cut in { type filter hook input priority -300; policy drop; }'") &&
           run(nft + "'add chain inet cut out { type filter hook output priority -300; policy drop; }'");
}

}  // namespace vos::test
