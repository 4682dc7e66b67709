#pragma once
// Shared set-up of the fault-injection tests: the real main window TForm1
// on an installed-like private folder, its pseudo-terminal peers, and the
// checks that tell that the program still serves (a screen page shown
// exactly, keys received exactly, in order, without any older byte).
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QThread>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/form1.h"
#include "app/port_link.h"
#include "input/keyboard.h"
#include "platform/qt/app_services.h"
#include "platform/qt/guard.h"
#include "platform/qt/list_controls.h"
#include "platform/qt/timer.h"
#include "serial/port_component.h"
#include "serial/port_selection.h"
#include "serial/status_light.h"
#include "tests/faults/app_under_test.h"
#include "tests/support/qt/gui_test_support.h"

namespace vos::test {

class ProgramFixture : public ::testing::Test {
protected:
    void SetUp() override {
        clearRecordedMessages();
        // A program that ended in an earlier test of this process (its main
        // window closed, or its start-up gave up) left the quit request set;
        // every test starts a program of its own.
        appServices().quitRequested = false;
        appServices().quitStatus = 0;
    }

    void TearDown() override {
        program_.reset();
        appServices().quitRequested = false;
    }

    // A new pseudo-terminal peer as port `com` (replacing an earlier one).
    Peer& addPeer(int com) {
        auto& slot = peers_[com];
        if (slot) retired_.push_back(std::move(slot));
        slot = std::make_unique<Peer>(folder_.folder(), com);
        return *slot;
    }

    // Builds the main window on the folder and shows it: creation, start-up
    // sequence and first activation, as the program's main() does.
    app::TForm1& start() {
        program_ = std::make_unique<app::TForm1>(folder_.path());
        program_->form().show();
        // The focus comes back from the port-search window a little later and
        // activates the window once more (banner rewritten): let that happen
        // before the control's first page.
        if (program_->form().visible()) {  // not when start-up gave up
            waitUntil([&] { return program_->form().isActive(); }, std::chrono::seconds(5));
            serveEventsFor(std::chrono::milliseconds(300));
        }
        return *program_;
    }
    app::TForm1& program() { return *program_; }
    serial::TSerialComPort& port() { return program_->link().port(); }
    serial::PortSelection& selection() { return program_->link().selection(); }

    // The operator chooses port `com` in ComboBox_NoCom (as a user choice,
    // through the guard, like the real list does).
    void choosePort(int com) {
        ComboBox& combo = selection().ComboBox_NoCom();
        int index = -1;
        for (int i = 0; i < selection().NbPortsTrouves(); ++i)
            if (selection().PortsTrouves(i + 1) == com) index = i;
        ASSERT_GE(index, 0) << "COM" << com << " is not listed";
        combo.setItemIndex(index);
        auto* widget = qobject_cast<QComboBox*>(combo.widget());
        ASSERT_NE(widget, nullptr);
        emit widget->activated(index);
    }

    // A key typed on the PC keyboard (through the guard, as the window's key
    // handling runs it).
    void typeKey(char c) {
        guarded([&] { program_->form().onKeyPress(static_cast<std::uint8_t>(c)); });
    }

    // The control sends a clear and `text` (at most 480 characters); the
    // screen must show exactly that text, then blanks. Returns whether it did
    // within the time limit.
    bool pageShown(Peer& peer, const std::string& text) {
        std::vector<std::uint8_t> bytes{kClearScreen};
        for (std::uint8_t b : controlText(text)) bytes.push_back(b);
        if (!peer.send(bytes)) return false;
        std::string expected = text + std::string(480 - text.size(), ' ');
        for (char& c : expected)
            if (c == 'O') c = '\xD8';  // the screen shows the letter O as "Ø"
        return waitUntil([&] { return screenContents(*program_) == expected; });
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

    // The link works both ways: a page on the screen and keys to the peer.
    void expectServing(Peer& peer, const std::string& page, const std::string& keys) {
        EXPECT_TRUE(pageShown(peer, page)) << "screen: [" << screenContents(*program_) << "]";
        EXPECT_TRUE(keysArrive(peer, keys));
    }

    // The status lights still follow the line: TXD goes dark when nothing is
    // sent and lights for a key, RXD lights for a received byte. (Keys and a
    // blank are sent until the light is seen: a light is lit for 55-110 ms
    // only, which a slow poll could miss.)
    void expectLightsFollowTheLine(Peer& peer) {
        serial::TSerialStatusLight& txd = selection().TXDLight();
        serial::TSerialStatusLight& rxd = selection().RXDLight();
        program_->Timer1.setEnabled(false);  // no idle byte
        EXPECT_TRUE(waitUntil([&] { return !txd.Lit(); })) << "TXD stays lit";
        EXPECT_TRUE(waitUntil([&] {
            typeKey('0');
            serveEventsFor(std::chrono::milliseconds(20));
            return txd.Lit();
        })) << "TXD does not light for a key";
        EXPECT_TRUE(waitUntil([&] {
            peer.send(controlText(" "));
            serveEventsFor(std::chrono::milliseconds(20));
            return rxd.Lit();
        })) << "RXD does not light for a byte";
        program_->Timer1.setEnabled(true);
    }

    InstalledFolder folder_;
    std::map<int, std::unique_ptr<Peer>> peers_;
    std::vector<std::unique_ptr<Peer>> retired_;
    std::unique_ptr<app::TForm1> program_;
};

}  // namespace vos::test
