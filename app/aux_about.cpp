#include "app/aux_about.h"

#include <array>
#include <string_view>

#include "app/config_file.h"

namespace vos::app {

namespace {
constexpr std::string_view kSautDeLigne = "\r\n";
}

std::string TexteAPropos(const OsVersion& version, unsigned pixelsPerInch) {
    const std::array<std::string, 7> lignes{
        " Vostrelle 1.00",
        " (pour Windows 98/Me/NT/2000/XP/Vista/7)",
        "",
        // "major.minor.build " + service-pack text: a trailing blank without one.
        " Windows " + TexteVersionWindows(version),
        " Résolution " + std::to_string(pixelsPerInch) + " ppp",
        "",
        "",
    };
    std::string texte = lignes[0];
    for (std::size_t i = 1; i < lignes.size(); ++i) texte.append(kSautDeLigne).append(lignes[i]);
    return texte;
}

}  // namespace vos::app
