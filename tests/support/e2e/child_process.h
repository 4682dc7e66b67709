#pragma once
// A program started by an end-to-end test, in a process group of its own so
// that stopping it also stops whatever it started. The group is ended when the
// object goes, whatever way the test ends; the child also dies with the test
// process (parent-death signal), so a crashed test leaves nothing behind.
//
// Threads: create, wait for and stop a child from the thread that made it
// (the parent-death signal follows the thread that forked).
#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace vos::e2e {

struct SpawnOptions {
    std::vector<std::string> argv;     // argv[0] is looked up in PATH
    std::vector<std::string> env;      // the whole environment, "NAME=value"
    std::string outputFile;            // stdout appended here; empty: /dev/null
    std::string errorFile;             // stderr appended here; empty: /dev/null
    int inheritFd = -1;                // passed on to the child under the same number
    std::string workingDir;            // empty: the test's own
};

// How a child ended: its exit status, or the signal that killed it.
struct ExitStatus {
    bool signalled = false;
    int value = 0;  // exit status, or signal number when signalled
    bool success() const { return !signalled && value == 0; }
};

class ChildProcess {
public:
    // Starts the program; throws std::runtime_error when it cannot.
    explicit ChildProcess(const SpawnOptions& options);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    // True while the child has not ended.
    bool running();
    // Waits up to timeoutMs for the child to end on its own; the status once
    // it has ended (what is left of its group is then killed).
    std::optional<ExitStatus> waitExit(int timeoutMs);
    // Ends the group: SIGTERM, then SIGKILL after graceMs. Idempotent.
    ExitStatus stop(int graceMs = 3000);

private:
    bool endedWithoutReaping();
    ExitStatus reap();

    pid_t pid_ = -1;
    std::optional<ExitStatus> status_;
};

// The test's environment with the given variables set (or replaced) and the
// named ones removed.
std::vector<std::string> environmentWith(const std::vector<std::string>& set,
                                         const std::vector<std::string>& unset = {});

// Runs a short-lived tool to its end (at most timeoutMs, then it is killed)
// and returns its exit status; its standard output goes to *output when given.
ExitStatus runTool(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                   std::string* output = nullptr, int timeoutMs = 30000);

}  // namespace vos::e2e
