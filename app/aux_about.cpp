#include "app/aux_about.h"

#include <array>
#include <string_view>

#include "app/config_file.h"

namespace vos::app {

namespace {
constexpr std::string_view kNewLine = "\r\n";
}

std::string aboutText(const OsVersion& version, unsigned pixelsPerInch) {
    const std::array<std::string, 7> lines{
        " Vostrelle 1.00",
        " (pour Windows 98/Me/NT/2000/XP/Vista/7)",
        "",
        // "major.minor.build " + service-pack text: a trailing blank without one.
        " Windows " + versionWindowsText(version),
        " Résolution " + std::to_string(pixelsPerInch) + " ppp",
        "",
        "",
    };
    std::string text = lines[0];
    for (std::size_t i = 1; i < lines.size(); ++i) text.append(kNewLine).append(lines[i]);
    return text;
}

}  // namespace vos::app
