// The simulator program on its pseudo-terminal, seen from the panel's side
// of the line: start screen, echo, hang-up and reopening, clean exit.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

#include "tests/support/sim_panel_model.h"
#include "tests/support/temp_files.h"

namespace vos::sim {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::PanelModel;

constexpr auto kPatience = 30s;  // generous: the machine may be loaded

using vos::test::TempDir;

bool WaitFor(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        std::this_thread::sleep_for(10ms);
    }
    return done();
}

class SimProcess {
public:
    explicit SimProcess(std::vector<std::string> args) {
        pid_ = ::fork();
        if (pid_ == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDOUT_FILENO);
            std::vector<char*> argv{const_cast<char*>(VOS_SIM_EXE)};
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(VOS_SIM_EXE, argv.data());
            ::_exit(127);
        }
    }
    ~SimProcess() {
        if (pid_ > 0 && !exited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    pid_t pid() const { return pid_; }
    // Exit status, or -1 if it did not end in time.
    int Wait() {
        int status = 0;
        const bool ended = WaitFor([&] { return ::waitpid(pid_, &status, WNOHANG) == pid_; });
        exited_ = ended;
        return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // CPU time used so far, in clock ticks.
    long CpuTicks() const {
        std::ifstream in("/proc/" + std::to_string(pid_) + "/stat");
        std::string stat((std::istreambuf_iterator<char>(in)), {});
        std::istringstream rest(stat.substr(stat.rfind(')') + 2));
        std::string field;
        long utime = 0, stime = 0;
        for (int i = 3; i <= 15 && rest >> field; ++i) {
            if (i == 14) utime = std::stol(field);
            if (i == 15) stime = std::stol(field);
        }
        return utime + stime;
    }

private:
    pid_t pid_ = -1;
    bool exited_ = false;
};

int OpenLine(const fs::path& link) {
    const int fd = ::open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        termios t{};
        ::tcgetattr(fd, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(fd, TCSANOW, &t);
    }
    return fd;
}

// Plays the panel: an idle byte every few milliseconds, every byte received
// fed to the model, until `done` holds.
bool Pump(int fd, PanelModel& panel, const std::function<bool()>& done) {
    return WaitFor([&] {
        const uint8_t idle = 0;
        [[maybe_unused]] ssize_t w = ::write(fd, &idle, 1);
        char buf[4096];
        ssize_t n;
        while ((n = ::read(fd, buf, sizeof buf)) > 0) panel.Feed(std::string_view(buf, n));
        return done();
    });
}

bool Shows(const PanelModel& p, int row, std::string_view text) {
    return p.lines[row - 1].compare(0, text.size(), text) == 0;
}

TEST(SimProcess, ScreenEchoReopenAndCleanExit) {
    TempDir dir;
    const fs::path link = dir.path() / "Ports" / "COM2";
    const fs::path log = dir.path() / "rx.log";
    SimProcess sim({"--folder", dir.path().string(), "--port", "2", "--log", log.string(),
                    "--speed", "19200"});
    ASSERT_TRUE(WaitFor([&] { return fs::is_symlink(link); }));

    int fd = OpenLine(link);
    ASSERT_GE(fd, 0);
    PanelModel panel;
    ASSERT_TRUE(Pump(fd, panel, [&] { return Shows(panel, 12, "ACC PRG"); }));
    const uint8_t keyA = 0xC1;
    ASSERT_EQ(::write(fd, &keyA, 1), 1);
    ASSERT_TRUE(Pump(fd, panel, [&] { return Shows(panel, 10, "> A "); }));
    ::close(fd);

    // Nobody has the line open now: the simulator must wait, not spin.
    std::this_thread::sleep_for(300ms);
    const long before = sim.CpuTicks();
    std::this_thread::sleep_for(1s);
    EXPECT_LT(sim.CpuTicks() - before, sysconf(_SC_CLK_TCK) / 4);

    fd = OpenLine(link);
    ASSERT_GE(fd, 0);
    PanelModel again;  // a panel started anew gets the whole screen, state kept
    ASSERT_TRUE(
        Pump(fd, again, [&] { return Shows(again, 10, "> A ") && Shows(again, 12, "ACC"); }));
    EXPECT_TRUE(again.led[30]);
    ::close(fd);

    ASSERT_EQ(::kill(sim.pid(), SIGTERM), 0);
    EXPECT_EQ(sim.Wait(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    std::ifstream in(log);
    std::string all((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(all.find("C1\n"), std::string::npos);
    EXPECT_NE(all.find("00\n"), std::string::npos);
}

TEST(SimProcess, LeavesForeignPortEntryAlone) {
    TempDir dir;
    fs::create_directory(dir.path() / "Ports");
    const fs::path entry = dir.path() / "Ports" / "COM1";
    std::ofstream(entry) << "keep";
    SimProcess sim({"--folder", dir.path().string()});
    EXPECT_EQ(sim.Wait(), 2);
    std::ifstream in(entry);
    std::string text;
    in >> text;
    EXPECT_EQ(text, "keep");
}

TEST(SimProcess, RejectsBadArguments) {
    for (const char* bad : {"0", "256", "x"}) {
        SimProcess sim({"--port", bad});
        EXPECT_EQ(sim.Wait(), 2) << bad;
    }
    SimProcess unknown({"--baud", "9600"});
    EXPECT_EQ(unknown.Wait(), 2);
}

}  // namespace
}  // namespace vos::sim
