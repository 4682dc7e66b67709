#pragma once
// Shared set-up of the port component's GUI tests: a private program folder
// whose Ports/COM<n> links lead to fresh pseudo-terminals, the Qt hand-over,
// and a helper that checks the class and message of a raised exception.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/qt/gui_handover.h"
#include "serial/port_component.h"
#include "tests/support/expect_raises.h"
#include "tests/support/pty.h"
#include "tests/support/qt/gui_test_support.h"

namespace vos::test {

class PortFixture : public ::testing::Test {
protected:
    void SetUp() override { clearRecordedMessages(); }

    // A new pseudo-terminal reached as port n.
    PtyPair& addPort(int n) {
        ptys_.push_back(std::make_unique<PtyPair>());
        folder_.linkPort(n, ptys_.back()->slavePath());
        return *ptys_.back();
    }

    // A component on port n as the program sets it up: no automatic open, 9600 bit/s.
    std::unique_ptr<serial::TSerialComPort> makePort(std::uint16_t n) {
        auto port = std::make_unique<serial::TSerialComPort>(folder_.path(), &handover_);
        port->setAutoOpen(false);
        port->setComNumber(n);
        port->setBaud(9600);
        return port;
    }

    ProgramFolder folder_;
    GuiHandover handover_;  // declared before any port a test makes: outlives it

private:
    std::vector<std::unique_ptr<PtyPair>> ptys_;
};

inline std::vector<std::uint8_t> bytesOf(const std::string& s) { return {s.begin(), s.end()}; }

}  // namespace vos::test
