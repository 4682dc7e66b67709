#pragma once
// The port list of the port selection dialog, apart from the window so that
// it is checked without a display.
#include <functional>
#include <string>
#include <vector>

namespace vos::serial {

// Highest port number the selection dialog offers.
inline constexpr int kComSelectLastPort = 50;

// Item texts "COM<n>" for n = 1..50 that pass the availability test, in
// ascending order; a port served over the network shows its address after
// the number ("COM3 (rfc2217://tour-3.atelier:2001)"). portAvailable and
// address are called once per number; address gives "" for a local port.
std::vector<std::string> listSelectablePorts(const std::function<bool(int)>& portAvailable,
                                             const std::function<std::string(int)>& address = {});

// The port number an item names: its text from the 4th character on, read as
// a decimal number ("COM12" gives 12), up to the address of a network port.
// 0 when that part is not a number in 1..65535 (an empty selection).
int portNumberOfItem(const std::string& item);

}  // namespace vos::serial
