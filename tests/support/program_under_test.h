#pragma once
// The real program on a private program folder, with pseudo-terminals for
// its ports, for the main window's tests and the soak benchmark.
//
// InstalledFolder lays out what the installed program finds beside itself
// (Vostrelle.ini, Skins/num760f.jpg and num760t.jpg, ltypeb.ttf, and a Ports
// folder, which then is the whole port map). Peer is the machine's control
// on the master side of a pseudo-terminal: a thread of its own drains
// everything the program sends, counting the idle bytes and keeping every
// other byte (the key codes) in order, so the program's writer never stalls.
//
// Threading: InstalledFolder and the TForm1 belong to the test's thread (the
// GUI thread). A Peer may be written from any one thread; its reader thread
// only appends to what keys()/counts() return, under a lock.
#include <QColor>
#include <QImage>
#include <QString>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/form1.h"
#include "panel/screen.h"
#include "tests/support/pty.h"
#include "tests/support/temp_files.h"

namespace vos::test {

// Bytes of characters as the control sends them (the character + 0x80).
inline std::vector<std::uint8_t> controlText(std::string_view ascii) {
    std::vector<std::uint8_t> out;
    for (char c : ascii) out.push_back(static_cast<std::uint8_t>(static_cast<unsigned char>(c) + 0x80));
    return out;
}

// Clear screen (cursor home), as the control sends it.
inline constexpr std::uint8_t kClearScreen = 131;

// The twelve line texts of the screen, one after the other (480 columns).
inline std::string screenContents(app::TForm1& f) {
    std::string s;
    for (int n = 1; n <= panel::Screen::kRows; ++n) s += f.screen().lineText(n);
    return s;
}

// A font file that the tests may install as ltypeb.ttf; empty when this
// machine has none (then the tests run with the substitute face).
inline std::string systemMonospacedFont() {
    for (const char* p : {"/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf",
                          "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"})
        if (std::filesystem::exists(p)) return p;
    return {};
}

// The configuration file as it is shipped (with a comment line of its own,
// which every rewrite must keep).
inline constexpr std::string_view kShippedIni =
    "[Port]\r\n"
    "; Numéro du port série (COM1 = 1). Sous Linux, voir le dossier Ports.\r\n"
    "Com=1\r\n"
    "Bauds=9600\r\n"
    "BufferFull=248\r\n"
    "BufferResume=10\r\n"
    "OutSize=256\r\n"
    "InSize=4096\r\n"
    "ReadSize=128\r\n"
    "\r\n"
    "[Perso]\r\n"
    "Fond=num760f.jpg\r\n"
    "\r\n"
    "[Contexte]\r\n"
    "Editeur=notepad.exe\r\n";

class InstalledFolder {
public:
    // Lays out, in `folder`, the shipped configuration (port 1 at 9600,
    // milling skin), both skins and the screen font.
    explicit InstalledFolder(ProgramFolder& folder) : folder_(folder) { layOut(true); }

    // Writes every file (again): after something was mounted over the folder.
    void layOut(bool withFont) {
        std::filesystem::create_directories(folder_.path() + "Skins");
        std::filesystem::create_directories(folder_.path() + "Ports");
        writeIni(kShippedIni);
        writeSkin("num760f.jpg", Qt::darkBlue);
        writeSkin("num760t.jpg", Qt::darkGreen);
        if (const std::string font = systemMonospacedFont(); withFont && !font.empty())
            std::filesystem::copy_file(font, path() + "ltypeb.ttf",
                                       std::filesystem::copy_options::overwrite_existing);
    }

    const std::string& path() const { return folder_.path(); }
    std::string iniPath() const { return path() + "Vostrelle.ini"; }
    std::string skinPath(const std::string& name) const { return path() + "Skins/" + name; }
    ProgramFolder& folder() { return folder_; }

    void writeIni(std::string_view content) { folder_.writeFile("Vostrelle.ini", content); }
    // A valid 870 x 720 JPEG picture of one color.
    void writeSkin(const std::string& name, QColor color) {
        QImage img(870, 720, QImage::Format_RGB32);
        img.fill(color);
        img.save(QString::fromStdString(skinPath(name)), "JPEG", 60);
    }

private:
    ProgramFolder& folder_;
};

class Peer {
public:
    // A fresh pseudo-terminal reached by the program as port `com`.
    Peer(ProgramFolder& folder, int com) : pty_(std::make_unique<PtyPair>()), stop_(::eventfd(0, EFD_CLOEXEC)) {
        link_ = folder.linkPort(com, pty_->slavePath());
        reader_ = std::thread([this] { drain(); });
    }
    ~Peer() { hangUp(); }
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;

    // The control goes away: the reader stops and the master side closes, so
    // the program's side sees a hang-up. What was not read yet is lost. The
    // port's link goes with it, as an adapter's /dev/serial/by-id link does
    // (unless a newer peer has taken the name): a link left to a closed
    // terminal would lead to the next terminal that gets its number, maybe
    // another test's.
    void hangUp() {
        std::error_code ec;
        if (!link_.empty() && std::filesystem::read_symlink(link_, ec) == pty_->slavePath())
            std::filesystem::remove(link_, ec);
        link_.clear();
        if (reader_.joinable()) {
            const std::uint64_t one = 1;
            (void)!::write(stop_, &one, sizeof one);
            reader_.join();
        }
        if (pty_) pty_->closeMaster();
        if (stop_ >= 0) ::close(stop_);
        stop_ = -1;
    }

    bool send(const std::vector<std::uint8_t>& bytes, int timeoutMs = 20000) {
        return pty_->write(bytes, timeoutMs);
    }
    const std::string& slavePath() const { return pty_->slavePath(); }

    // Every byte received that is not the idle byte, in order of arrival.
    std::vector<std::uint8_t> keys() const {
        std::lock_guard lock(m_);
        return keys_;
    }
    std::uint64_t idleBytes() const { return idle_.load(); }
    std::uint64_t receivedBytes() const { return received_.load(); }

private:
    void drain() {
        std::uint8_t buf[4096];
        for (;;) {
            pollfd p[2] = {{pty_->master(), POLLIN, 0}, {stop_, POLLIN, 0}};
            if (::poll(p, 2, 100) < 0 && errno != EINTR) return;
            if (p[1].revents) return;
            // EIO while no slave is open (between a close and the reopen):
            // nothing to read, try again later.
            const ssize_t n = ::read(pty_->master(), buf, sizeof buf);
            if (n <= 0) {
                if (p[0].revents & (POLLHUP | POLLERR)) std::this_thread::sleep_for(std::chrono::milliseconds(5));
                continue;
            }
            received_ += static_cast<std::uint64_t>(n);
            std::lock_guard lock(m_);
            for (ssize_t i = 0; i < n; ++i) {
                if (buf[i] == 0)
                    ++idle_;
                else
                    keys_.push_back(buf[i]);
            }
        }
    }

    std::unique_ptr<PtyPair> pty_;
    std::string link_;
    int stop_ = -1;
    mutable std::mutex m_;
    std::vector<std::uint8_t> keys_;
    std::atomic<std::uint64_t> idle_{0};
    std::atomic<std::uint64_t> received_{0};
    std::thread reader_;
};

}  // namespace vos::test
