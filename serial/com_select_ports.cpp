#include "serial/com_select_ports.h"

#include <charconv>
#include <string_view>

namespace vos::serial {

std::vector<std::string> listSelectablePorts(const std::function<bool(int)>& portAvailable,
                                             const std::function<std::string(int)>& address) {
    std::vector<std::string> items;
    for (int n = 1; n <= kComSelectLastPort; ++n) {
        if (!portAvailable(n)) continue;
        std::string item = "COM" + std::to_string(n);
        if (const std::string where = address ? address(n) : std::string(); !where.empty())
            item += " (" + where + ")";
        items.push_back(item);
    }
    return items;
}

int portNumberOfItem(const std::string& item) {
    if (item.size() <= 3) return 0;
    const char* first = item.data() + 3;
    const char* last = item.data() + item.size();
    int n = 0;
    const auto [end, ec] = std::from_chars(first, last, n);
    const bool addressFollows = std::string_view(end, static_cast<std::size_t>(last - end)).starts_with(" (");
    if (ec != std::errc() || (end != last && !addressFollows) || n < 1 || n > 65535) return 0;
    return n;
}

}  // namespace vos::serial
