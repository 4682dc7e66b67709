// CPU use and resident memory of the installed program while it idles with
// its port open. The installed folder is copied into a private program folder
// whose Ports/COM1 is a pseudo-terminal; the program runs there as a child
// process (offscreen platform unless QT_QPA_PLATFORM says otherwise, e.g.
// xcb under xvfb-run), a thread drains and counts the idle stream, and
// /proc/<pid> is sampled once a second.
//
// Usage: app_idle_footprint_bench <installed folder> [seconds (default 20)] [warm-up s (default 3)]
//   (the folder made by `cmake --install <build> --prefix <folder>`)
// Goal on the reference machine: under 2 % of one core and under 60 MB resident.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "bench/app_bench_support.h"

extern char** environ;

using namespace vos::bench;
namespace fs = std::filesystem;

namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// utime + stime in clock ticks, from a stat line (fields 14 and 15).
long long cpuTicks(const std::string& statLine) {
    const auto close = statLine.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream in(statLine.substr(close + 2));
    std::string field;
    long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && in >> field; ++i) {
        if (i == 14) utime = std::atoll(field.c_str());
        if (i == 15) stime = std::atoll(field.c_str());
    }
    return utime + stime;
}

long statusKb(int pid, const char* key) {
    std::istringstream in(slurp("/proc/" + std::to_string(pid) + "/status"));
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::string(key).size());
    return -1;
}

// Nanoseconds on CPU of every thread, by "tid name".
std::map<std::string, long long> threadRuntimes(int pid) {
    std::map<std::string, long long> out;
    const std::string task = "/proc/" + std::to_string(pid) + "/task";
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(task, ec)) {
        std::string comm = slurp(e.path().string() + "/comm");
        if (!comm.empty() && comm.back() == '\n') comm.pop_back();
        const long long ns = std::atoll(slurp(e.path().string() + "/schedstat").c_str());
        out[e.path().filename().string() + " " + comm] = ns;
    }
    return out;
}

long long sum(const std::map<std::string, long long>& m) {
    long long s = 0;
    for (const auto& [k, v] : m) s += v;
    return s;
}

pid_t startProgram(const std::string& folder) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) env.emplace_back("QT_QPA_PLATFORM=offscreen");
    std::vector<char*> envp;
    for (auto& s : env) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::string exe = folder + "vostrelle";
    char* argv[] = {exe.data(), nullptr};
    posix_spawn_file_actions_t fa;
    ::posix_spawn_file_actions_init(&fa);
    const std::string log = folder + "stderr.txt";
    ::posix_spawn_file_actions_addopen(&fa, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (::posix_spawn(&pid, exe.c_str(), &fa, nullptr, argv, envp.data()) != 0) pid = -1;
    ::posix_spawn_file_actions_destroy(&fa);
    return pid;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || !fs::exists(fs::path(argv[1]) / "vostrelle")) {
        std::fprintf(stderr, "usage: %s <installed folder> [seconds] [warm-up seconds]\n", argv[0]);
        return 2;
    }
    const double seconds = argc > 2 ? std::atof(argv[2]) : 20.0;
    const double warmup = argc > 3 ? std::atof(argv[3]) : 3.0;
    prepareQtEnvironment();

    vos::test::ProgramFolder folder;
    fs::copy(argv[1], folder.path(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    vos::test::PtyPair pty;
    folder.linkPort(1, pty.slavePath());
    LineRecorder recorder(pty.master());

    const pid_t pid = startProgram(folder.path());
    if (pid <= 0) {
        std::fprintf(stderr, "cannot start %svostrelle\n", folder.path().c_str());
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(warmup));
    const std::string stat = "/proc/" + std::to_string(pid) + "/stat";
    const long long ticks0 = cpuTicks(slurp(stat));
    const auto threads0 = threadRuntimes(pid);
    const std::size_t bytes0 = recorder.count();
    const Clock::time_point t0 = Clock::now();
    std::vector<double> rssMb;
    while (msBetween(t0, Clock::now()) < seconds * 1000.0) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        rssMb.push_back(static_cast<double>(statusKb(pid, "VmRSS:")) / 1024.0);
    }
    const double elapsed = msBetween(t0, Clock::now()) / 1000.0;
    const long long ticks1 = cpuTicks(slurp(stat));
    const auto threads1 = threadRuntimes(pid);
    const std::size_t bytes1 = recorder.count();
    const long hwmKb = statusKb(pid, "VmHWM:");
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    recorder.stop();

    const double cpuStat = 100.0 * static_cast<double>(ticks1 - ticks0) / static_cast<double>(::sysconf(_SC_CLK_TCK)) / elapsed;
    const double cpuSched = 100.0 * static_cast<double>(sum(threads1) - sum(threads0)) / 1e9 / elapsed;
    const Summary rss = summarize(rssMb);
    std::printf("installed program idle with COM1 open, %.1f s after %.1f s warm-up, platform %s\n", elapsed,
                warmup, qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM").constData());
    std::printf("idle stream on the line: %.1f bytes/s\n", static_cast<double>(bytes1 - bytes0) / elapsed);
    std::printf("CPU: %.2f %% of one core (utime+stime), %.2f %% (scheduler run time of all threads)\n", cpuStat,
                cpuSched);
    std::printf("resident: median %.1f MB, max %.1f MB, peak (VmHWM) %.1f MB\n", rss.median, rss.max,
                static_cast<double>(hwmKb) / 1024.0);
    std::printf("per thread (ms on CPU during the window):\n");
    for (const auto& [name, ns] : threads1) {
        const auto before = threads0.find(name);
        const long long d = ns - (before == threads0.end() ? 0 : before->second);
        std::printf("  %-28s %8.1f\n", name.c_str(), static_cast<double>(d) / 1e6);
    }
    const std::string err = slurp(folder.path() + "stderr.txt");
    if (!err.empty()) std::printf("program's stderr:\n%s", err.c_str());
    std::printf("goal CPU < 2 %%: %s   goal resident < 60 MB: %s\n", cpuSched < 2.0 ? "met" : "MISSED",
                rss.max < 60.0 ? "met" : "MISSED");
    return 0;
}
