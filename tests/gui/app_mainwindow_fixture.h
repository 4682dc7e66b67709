#pragma once
// Shared set-up of the main window's GUI tests: the real TForm1 built on a
// private program folder (its own Ports folder, so every port is a fresh
// pseudo-terminal or absent), a configuration file and a generated skin
// written by the test, and helpers to read what the window sends on the line.
//
// Ownership: the fixture owns the folder, the pseudo-terminals and the window;
// the window goes first (it closes its port on the pseudo-terminal).
// Threads: everything runs on the test's (GUI) thread, except HeldPort's child
// process.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <QTest>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/form1.h"
#include "app/port_link.h"
#include "platform/qt/app_services.h"
#include "platform/qt/form.h"
#include "tests/support/pty.h"
#include "tests/support/qt/gui_test_support.h"
#include "tests/support/temp_files.h"

extern char** environ;

namespace vos::test {

using Bytes = std::vector<std::uint8_t>;

// A configuration file as the installed program ships it, with the given
// port and skin.
inline std::string iniText(int com, const std::string& fond, int bauds = 9600) {
    std::ostringstream s;
    s << "[Port]\r\n; port de la liaison\r\nCom=" << com << "\r\nBauds=" << bauds
      << "\r\nBufferFull=248\r\nBufferResume=10\r\nOutSize=256\r\nInSize=4096\r\n\r\n\r\n"
      << "[Perso]\r\nFond=" << fond << "\r\n[Contexte]\r\nEditeur=notepad.exe\r\n";
    return s.str();
}

// Key -> value of one section of an INI text (first occurrence wins).
inline std::map<std::string, std::string> iniSection(const std::string& text, const std::string& section) {
    std::map<std::string, std::string> out;
    std::istringstream in(text);
    std::string line, current;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line.front() == '[') {
            current = line.substr(1, line.find(']') - 1);
            continue;
        }
        const auto eq = line.find('=');
        if (current == section && eq != std::string::npos && line.front() != ';')
            out.emplace(line.substr(0, eq), line.substr(eq + 1));
    }
    return out;
}

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

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { clearRecordedMessages(); }

    // The window goes first; then the quit request that a close or a failed
    // start-up leaves in the application object is withdrawn, so the next
    // test's window shows normally (one application object per process).
    void TearDown() override {
        form1.reset();
        appServices().quitRequested = false;
        appServices().quitStatus = 0;
        clearRecordedMessages();
    }

    // A fresh pseudo-terminal reached as port n.
    PtyPair& addPort(int n) {
        ptys_.push_back(std::make_unique<PtyPair>());
        folder.linkPort(n, ptys_.back()->slavePath());
        return *ptys_.back();
    }

    void writeIni(const std::string& text) { folder.writeFile("Vostrelle.ini", text); }
    std::string iniPath() const { return folder.path() + "Vostrelle.ini"; }

    // A flat-coloured 870 x 720 JPEG skin in Skins/.
    std::string writeSkin(const std::string& name, QColor colour) {
        std::filesystem::create_directories(folder.path() + "Skins");
        QImage img(870, 720, QImage::Format_RGB32);
        img.fill(colour);
        const std::string path = folder.path() + "Skins/" + name;
        EXPECT_TRUE(img.save(QString::fromStdString(path), "JPG", 95)) << path;
        return path;
    }

    // The display font file beside the program (a free monospaced bold face).
    bool copyFont() {
        std::error_code ec;
        std::filesystem::copy_file("/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf",
                                   folder.path() + "ltypeb.ttf", ec);
        return !ec;
    }

    app::TForm1& build() {
        form1 = std::make_unique<app::TForm1>(folder.path());
        return *form1;
    }

    // Shows the window (start-up sequence, then the first activation) and
    // waits until the offscreen platform has exposed it.
    app::TForm1& buildAndShow() {
        build().form().show();
        if (form1->form().visible()) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(form1->form().window()));
        }
        return *form1;
    }

    // Appends whatever the master has for us now (never blocks).
    static void drain(PtyPair& pty, Bytes& into) {
        auto more = pty.read(65536, 0);
        into.insert(into.end(), more.begin(), more.end());
    }

    // Serves events and reads the master until `cond(received)` holds.
    static bool receiveUntil(PtyPair& pty, Bytes& received, const std::function<bool(const Bytes&)>& cond,
                             std::chrono::milliseconds limit = std::chrono::seconds(20)) {
        return waitUntil(
            [&] {
                drain(pty, received);
                return cond(received);
            },
            limit);
    }

    static Bytes nonZero(const Bytes& b) {
        Bytes out;
        std::copy_if(b.begin(), b.end(), std::back_inserter(out), [](std::uint8_t v) { return v != 0; });
        return out;
    }
    static std::size_t zeros(const Bytes& b) { return static_cast<std::size_t>(std::count(b.begin(), b.end(), 0)); }

    // Declared in this order so that the window goes before its ports and
    // the ports before their folder.
    ProgramFolder folder;
    std::vector<std::unique_ptr<PtyPair>> ptys_;
    std::unique_ptr<app::TForm1> form1;
};

}  // namespace vos::test
