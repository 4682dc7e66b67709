#pragma once
// The main window's tests (gui and faults): the real TForm1 built on a
// private program folder (its own Ports folder, so every port is a fresh
// pseudo-terminal or absent), with what the test writes there (configuration
// file, skins, font), the control on the other side of each port, and the
// link controls read as the operator sees them (the status text, the lights'
// colors, the lists), never through the link's insides.
//
// Ownership: the fixture owns the folder, the pseudo-terminals, the peers and
// the window; the window goes first (it closes its port on the terminal).
// Threads: everything runs on the test's (GUI) thread, except each Peer's
// reader and HeldPort's process.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QImage>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/form1.h"
#include "design/link_bar.h"
#include "platform/qt/app_services.h"
#include "platform/qt/form.h"
#include "platform/qt/graphic_control.h"
#include "platform/qt/guard.h"
#include "platform/qt/label.h"
#include "platform/qt/list_controls.h"
#include "platform/qt/timer.h"
#include "tests/support/held_port.h"
#include "tests/support/program_under_test.h"
#include "tests/support/pty.h"
#include "tests/support/qt/gui_test_support.h"
#include "tests/support/temp_files.h"

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

class MainWindowTest : public ::testing::Test {
protected:
    // A program that ended in an earlier test of this process (its window
    // closed, or its start-up gave up) left the quit request set; every test
    // starts a program of its own.
    void SetUp() override {
        clearRecordedMessages();
        appServices().quitRequested = false;
        appServices().quitStatus = 0;
    }

    void TearDown() override {
        form1.reset();
        appServices().quitRequested = false;
        appServices().quitStatus = 0;
        clearRecordedMessages();
    }

    // --- the program folder ---
    // What the installed program finds beside itself: the shipped
    // configuration (port 1 at 9600, milling skin), both skins, the font.
    void layOutInstalled() { installed_ = std::make_unique<InstalledFolder>(folder); }
    void writeIni(const std::string& text) { folder.writeFile("Vostrelle.ini", text); }
    std::string iniPath() const { return folder.path() + "Vostrelle.ini"; }
    // A flat-colored 870 x 720 JPEG skin in Skins/.
    std::string writeSkin(const std::string& name, QColor color) {
        std::filesystem::create_directories(folder.path() + "Skins");
        QImage img(870, 720, QImage::Format_RGB32);
        img.fill(color);
        const std::string path = folder.path() + "Skins/" + name;
        EXPECT_TRUE(img.save(QString::fromStdString(path), "JPG", 95)) << path;
        return path;
    }
    // The display font file beside the program (a free monospaced bold face).
    bool copyFont() {
        std::error_code ec;
        std::filesystem::copy_file(systemMonospacedFont(), folder.path() + "ltypeb.ttf", ec);
        return !ec;
    }

    // --- the control on the other side ---
    // A fresh pseudo-terminal reached as port n, read by the test itself.
    PtyPair& addPort(int n) {
        ptys_.push_back(std::make_unique<PtyPair>());
        folder.linkPort(n, ptys_.back()->slavePath());
        return *ptys_.back();
    }
    // A fresh pseudo-terminal peer as port n (replacing an earlier one),
    // drained by a thread of its own.
    Peer& addPeer(int n) {
        auto& slot = peers_[n];
        if (slot) retired_.push_back(std::move(slot));
        slot = std::make_unique<Peer>(folder, n);
        return *slot;
    }

    // --- the program ---
    app::TForm1& build() {
        form1 = std::make_unique<app::TForm1>(folder.path());
        return *form1;
    }
    // Shows the window (start-up sequence, then the first activation) and
    // waits until the platform has exposed it.
    app::TForm1& buildAndShow() {
        build().form().show();
        if (form1->form().visible()) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(form1->form().window()));
        }
        return *form1;
    }
    // As main() does, then until the focus came back from the port-search
    // window (one more activation) and the configured port's open has ended.
    app::TForm1& start() {
        buildAndShow();
        if (form1->form().visible()) {  // not when start-up gave up
            waitUntil([&] { return form1->form().isActive(); }, std::chrono::seconds(5));
            EXPECT_TRUE(waitUntil([&] { return !linkOpening(); }));
            serveEventsFor(std::chrono::milliseconds(300));
        }
        return *form1;
    }
    app::TForm1& program() { return *form1; }

    // --- the link as the operator sees it ---
    template <class C>
    C& control(const std::string& name) {
        Control* c = form1->form().find(name);
        EXPECT_NE(c, nullptr) << name;
        return dynamic_cast<C&>(*c);
    }
    std::string statusText() { return control<Label>("LabelNoCom").caption(); }
    bool linkOpening() { return statusText().find("OUVERTURE") != std::string::npos; }
    // A light is lit when it shows its lit color.
    bool lit(const design::linkbar::Light& light) {
        const Bitmap b = control<GraphicControl>(light.name).render();
        return !b.empty() && b.pixel(b.width() / 2, b.height() / 2) == light.lit;
    }
    bool okLit() { return lit(design::linkbar::kOKLight); }
    // The port is open: OK is lit and the status text names it ("COM1 9600").
    bool linkUp(int com) { return okLit() && statusText().rfind("COM" + std::to_string(com) + " ", 0) == 0; }
    bool waitForStatus(const std::string& text) { return waitUntil([&] { return statusText() == text; }); }

    // The operator picks port `com` in the list, as the list does it.
    void choosePort(int com) {
        ComboBox& combo = control<ComboBox>("ComboBox_NoCom");
        int index = -1;
        for (int i = 0; i < combo.count(); ++i)
            if (combo.item(i) == portItem(com)) index = i;
        ASSERT_GE(index, 0) << "COM" << com << " is not listed";
        combo.setItemIndex(index);
        emit qobject_cast<QComboBox*>(combo.widget())->activated(index);
    }
    // Index 0 is 9600, 1 is 19200.
    void chooseSpeed(int index) {
        ComboBox& combo = control<ComboBox>("ComboBox_Bauds");
        combo.setItemIndex(index);
        emit qobject_cast<QComboBox*>(combo.widget())->activated(index);
    }
    void clickPorts() { control<Label>("LabelDetectePorts").onClick(); }
    static std::string portItem(int n) {
        const std::string digits = std::to_string(n);
        return std::string("COM") + (n < 10 ? "  " : n < 100 ? " " : "") + digits;
    }

    // --- bytes on a terminal the test reads itself ---
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

    // --- the link at work, with a Peer ---
    // A key typed on the PC keyboard (through the guard, as the window's key
    // handling runs it).
    void typeKey(char c) {
        guarded([&] { form1->form().onKeyPress(static_cast<std::uint8_t>(c)); });
    }

    // The control sends a clear and `text` (at most 480 characters); the
    // screen must show exactly that text, then blanks.
    bool pageShown(Peer& peer, const std::string& text) {
        std::vector<std::uint8_t> bytes{kClearScreen};
        for (std::uint8_t b : controlText(text)) bytes.push_back(b);
        if (!peer.send(bytes)) return false;
        std::string expected = text + std::string(480 - text.size(), ' ');
        for (char& c : expected)
            if (c == 'O') c = '\xD8';  // the screen shows the letter O as "Ø"
        return waitUntil([&] { return screenContents(*form1) == expected; });
    }

    // Keys typed now reach the peer exactly, in order, after what it had.
    // `keys`: characters "0"-"9" and "A"-"T" (each sends itself + 0x80).
    ::testing::AssertionResult keysArrive(Peer& peer, const std::string& keys) {
        const std::vector<std::uint8_t> before = peer.keys();
        for (char c : keys) {
            typeKey(c);
            serveEventsFor(std::chrono::milliseconds(5));
        }
        std::vector<std::uint8_t> expected = before;
        for (char c : keys) expected.push_back(static_cast<std::uint8_t>(static_cast<unsigned char>(c) + 0x80));
        if (!waitUntil([&] { return peer.keys().size() >= expected.size(); }))
            return ::testing::AssertionFailure() << "only " << peer.keys().size() - before.size() << " of "
                                                 << keys.size() << " keys arrived";
        serveEventsFor(std::chrono::milliseconds(100));  // nothing more may come
        if (peer.keys() != expected) return ::testing::AssertionFailure() << "keys differ from those typed";
        return ::testing::AssertionSuccess();
    }

    // Nothing reaches the peer any more (no idle byte: the port is closed).
    static bool lineQuiet(Peer& peer) {
        serveEventsFor(std::chrono::milliseconds(100));
        const std::uint64_t before = peer.receivedBytes();
        serveEventsFor(std::chrono::milliseconds(300));
        return peer.receivedBytes() == before;
    }

    // The link works both ways: a page on the screen and keys to the peer.
    void expectServing(Peer& peer, const std::string& page, const std::string& keys) {
        EXPECT_TRUE(pageShown(peer, page)) << "screen: [" << screenContents(*form1) << "]";
        EXPECT_TRUE(keysArrive(peer, keys));
    }

    // The status lights still follow the line: TXD goes dark when nothing is
    // sent and lights for a key, RXD lights for a received byte. (Keys and a
    // blank are sent until the light is seen: a light is lit for 55-110 ms
    // only, which a slow poll could miss.)
    void expectLightsFollowTheLine(Peer& peer) {
        const auto& txd = design::linkbar::kTXDLight;
        const auto& rxd = design::linkbar::kRXDLight;
        form1->Timer1.setEnabled(false);  // no idle byte
        EXPECT_TRUE(waitUntil([&] { return !lit(txd); })) << "TXD stays lit";
        EXPECT_TRUE(waitUntil([&] {
            typeKey('0');
            serveEventsFor(std::chrono::milliseconds(20));
            return lit(txd);
        })) << "TXD does not light for a key";
        EXPECT_TRUE(waitUntil([&] {
            peer.send(controlText(" "));
            serveEventsFor(std::chrono::milliseconds(20));
            return lit(rxd);
        })) << "RXD does not light for a byte";
        form1->Timer1.setEnabled(true);
    }

    // Declared in this order so that the window goes before its ports and
    // peers, and those before their folder.
    ProgramFolder folder;
    std::unique_ptr<InstalledFolder> installed_;
    std::vector<std::unique_ptr<PtyPair>> ptys_;
    std::map<int, std::unique_ptr<Peer>> peers_;
    std::vector<std::unique_ptr<Peer>> retired_;
    std::unique_ptr<app::TForm1> form1;
};

// The main window on what the installed program finds beside itself.
class InstalledProgramTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        layOutInstalled();
    }
    InstalledFolder& installed() { return *installed_; }
};

}  // namespace vos::test
