#include "tests/support/e2e/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace vos::e2e {

namespace {

using Clock = std::chrono::steady_clock;

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (auto& s : strings) out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

int openOutput(const std::string& file) {
    if (file.empty()) return ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    return ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
}

// Runs in the forked child: only async-signal-safe calls until exec.
[[noreturn]] void execChild(char** argv, char** envp, int out, int err, int keep, const char* dir) {
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    const int devnull = ::open("/dev/null", O_RDONLY);
    if (devnull >= 0) ::dup2(devnull, 0);
    if (out >= 0) ::dup2(out, 1);
    if (err >= 0) ::dup2(err, 2);
    if (keep >= 0) ::fcntl(keep, F_SETFD, 0);
    if (dir != nullptr && ::chdir(dir) != 0) ::_exit(126);
    ::execvpe(argv[0], argv, envp);
    ::_exit(127);
}

ExitStatus decode(int status) {
    if (WIFSIGNALED(status)) return {true, WTERMSIG(status)};
    return {false, WEXITSTATUS(status)};
}

}  // namespace

ChildProcess::ChildProcess(const SpawnOptions& options) {
    if (options.argv.empty()) throw std::runtime_error("ChildProcess: no program");
    std::vector<std::string> args = options.argv;
    std::vector<std::string> env = options.env;
    std::vector<char*> argv = pointers(args);
    std::vector<char*> envp = pointers(env);
    const int out = openOutput(options.outputFile);
    const int err = openOutput(options.errorFile);
    const char* dir = options.workingDir.empty() ? nullptr : options.workingDir.c_str();
    pid_ = ::fork();
    if (pid_ == 0) execChild(argv.data(), envp.data(), out, err, options.inheritFd, dir);
    const int forkErrno = errno;
    if (out >= 0) ::close(out);
    if (err >= 0) ::close(err);
    if (pid_ < 0) throw std::runtime_error(std::string("fork: ") + std::strerror(forkErrno));
    ::setpgid(pid_, pid_);  // also here: no window in which the group does not exist yet
}

ChildProcess::~ChildProcess() { stop(); }

// The child has ended but is kept as a zombie, so its pid (and group id)
// cannot be reused while the rest of its group is being killed.
bool ChildProcess::endedWithoutReaping() {
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
        return errno == ECHILD;
    return info.si_pid == pid_;
}

ExitStatus ChildProcess::reap() {
    ::kill(-pid_, SIGKILL);  // whatever the child left running in its group
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    status_ = decode(status);
    return *status_;
}

bool ChildProcess::running() { return !status_ && !endedWithoutReaping(); }

std::optional<ExitStatus> ChildProcess::waitExit(int timeoutMs) {
    if (status_) return status_;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!endedWithoutReaping()) {
        if (Clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return reap();
}

ExitStatus ChildProcess::stop(int graceMs) {
    if (status_) return *status_;
    if (pid_ <= 0) return {};
    ::kill(-pid_, SIGTERM);
    if (auto s = waitExit(graceMs)) return *s;
    ::kill(-pid_, SIGKILL);
    return reap();
}

std::vector<std::string> environmentWith(const std::vector<std::string>& set,
                                         const std::vector<std::string>& unset) {
    auto nameOf = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
    auto listed = [&](const std::string& name) {
        for (const auto& s : set)
            if (nameOf(s) == name) return true;
        for (const auto& u : unset)
            if (u == name) return true;
        return false;
    };
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e)
        if (!listed(nameOf(*e))) env.emplace_back(*e);
    env.insert(env.end(), set.begin(), set.end());
    return env;
}

ExitStatus runTool(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                   std::string* output, int timeoutMs) {
    std::string file;
    if (output != nullptr) {
        char name[] = "/tmp/vostrelle-e2e-tool-XXXXXX";
        const int fd = ::mkstemp(name);
        if (fd < 0) throw std::runtime_error("mkstemp failed");
        ::close(fd);
        file = name;
    }
    ExitStatus status;
    {
        ChildProcess tool({argv, env, file, "", -1, ""});
        const auto ended = tool.waitExit(timeoutMs);
        status = ended ? *ended : tool.stop(500);
    }
    if (output != nullptr) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        *output = text.str();
        ::unlink(file.c_str());
    }
    return status;
}

}  // namespace vos::e2e
