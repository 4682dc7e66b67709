#pragma once
// Another program holding a serial port: a process that opens the device and
// takes its exclusive lock, as a terminal program would, until release().
//
// Threads: the test's thread; the holder is a process of its own.
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

extern char** environ;

namespace vos::test {

// Another process holding a device open with an exclusive flock, as a second
// program holding the port would. The holder is exec'd (not a bare fork), so
// it inherits none of this process's descriptors or locks.
class HeldPort {
public:
    explicit HeldPort(const std::string& device) {
        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t fa;
        ::posix_spawn_file_actions_init(&fa);
        ::posix_spawn_file_actions_adddup2(&fa, in[0], 0);
        ::posix_spawn_file_actions_adddup2(&fa, out[1], 1);
        // fd 3 holds the lock for as long as the shell lives; the shell ends
        // when its standard input is closed.
        const char* script = "exec 3<>\"$1\" && flock -xn 3 && echo held && read x";
        std::vector<std::string> args{"sh", "-c", script, "sh", device};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (::posix_spawn(&pid_, "/bin/sh", &fa, nullptr, argv.data(), environ) != 0) pid_ = -1;
        ::posix_spawn_file_actions_destroy(&fa);
        ::close(in[0]);
        ::close(out[1]);
        toChild_ = in[1];
        fromChild_ = out[0];
        held_ = readLine(10000) == "held";
    }
    ~HeldPort() { release(); }
    HeldPort(const HeldPort&) = delete;
    HeldPort& operator=(const HeldPort&) = delete;

    bool held() const { return held_; }
    // Ends the holder and waits for it: the device is free again.
    void release() {
        if (toChild_ >= 0) ::close(toChild_);
        toChild_ = -1;
        if (pid_ > 0) {
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
        pid_ = -1;
        if (fromChild_ >= 0) ::close(fromChild_);
        fromChild_ = -1;
        held_ = false;
    }

private:
    std::string readLine(int timeoutMs) {
        std::string line;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd p{fromChild_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            char c;
            if (::read(fromChild_, &c, 1) != 1) break;
            if (c == '\n') return line;
            line += c;
        }
        return line;
    }

    pid_t pid_ = -1;
    int toChild_ = -1;
    int fromChild_ = -1;
    bool held_ = false;
};

}  // namespace vos::test
