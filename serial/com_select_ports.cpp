#include "serial/com_select_ports.h"

#include <charconv>

namespace vos::serial {

std::vector<std::string> listSelectablePorts(const std::function<bool(int)>& portAvailable) {
    std::vector<std::string> items;
    for (int n = 1; n <= kComSelectLastPort; ++n)
        if (portAvailable(n)) items.push_back("COM" + std::to_string(n));
    return items;
}

int portNumberOfItem(const std::string& item) {
    if (item.size() <= 3) return 0;
    const char* first = item.data() + 3;
    const char* last = item.data() + item.size();
    int n = 0;
    const auto [end, ec] = std::from_chars(first, last, n);
    if (ec != std::errc() || end != last || n < 1 || n > 65535) return 0;
    return n;
}

}  // namespace vos::serial
