#include "serial/core/serial_messages.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace vos::serial {

namespace {

struct MessageRow {
    int absCode;
    std::string_view text;
};

// Sorted by absolute code: looked up by binary search.
constexpr MessageRow kMessages[] = {
    {0, "OK"},
    {2, "File not found"},
    {3, "Path not found"},
    {4, "Too many open files"},
    {5, "File access denied"},
    {6, "Invalid file handle"},
    {8, "Insufficient memory"},
    {15, "Invalid drive"},
    {18, "No more files"},
    {100, "Attempt to read beyond end of file"},
    {101, "Disk is full"},
    {102, "File/device not assigned"},
    {103, "File/device not open"},
    {104, "File/device not open for input"},
    {105, "File/device not open for output"},
    {150, "Disk is write-protected"},
    {151, "Unknown disk unit"},
    {152, "Drive is not ready"},
    {153, "Unknown command"},
    {154, "Data error"},
    {155, "Bad request structure length"},
    {156, "Seek error"},
    {157, "Unknown media type"},
    {158, "Disk sector not found"},
    {159, "Printer is out of paper"},
    {160, "Device write error"},
    {161, "Device read error"},
    {162, "General failure"},
    {1002, "Bad argument passed to function"},
    {1005, "ComPort component not assigned"},
    {2001, "ie_BadId - Specified comport doesn't exist"},
    {2007, "ie_NOpen - device not open"},
    {2008, "ie_Open - device already open"},
    {2011, "The ComNumber property of the TSerialComPort has not been set"},
    {3004, "Failed to put entire block"},
    {3006, "Output buffer too small for block"},
    {3007, "Buffer is empty"},
    {5001, "No more trigger slots"},
    {5003, "Bad trigger handle"},
    {13868, "No memory"},
};

constexpr bool sortedByCode() {
    for (std::size_t i = 1; i < std::size(kMessages); ++i)
        if (kMessages[i - 1].absCode >= kMessages[i].absCode) return false;
    return true;
}
static_assert(sortedByCode(), "the message table must stay sorted for the binary search");

}  // namespace

std::string tidySystemText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const bool control = static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
        const char ch = control ? ' ' : c;
        if (ch == ' ' && !out.empty() && out.back() == ' ') continue;
        out.push_back(ch);
    }
    return out;
}

std::string messageForCode(int code) {
    const int absCode = std::abs(code);
    const auto it = std::lower_bound(std::begin(kMessages), std::end(kMessages), absCode,
                                     [](const MessageRow& r, int c) { return r.absCode < c; });
    if (it != std::end(kMessages) && it->absCode == absCode) return std::string(it->text);
    // strerrordesc_np: thread-safe, and null (not "Unknown error N") for a number
    // the system does not know.
    if (const char* system = ::strerrordesc_np(absCode)) return tidySystemText(system);
    return {};
}

}  // namespace vos::serial
