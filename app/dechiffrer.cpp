#include "app/dechiffrer.h"

#include <algorithm>

namespace vos::app {

namespace {

std::uint32_t valeur(char c) { return kValeurSymbole[static_cast<unsigned char>(c)]; }

}  // namespace

std::string DecodageSixBits(std::string_view symboles) {
    std::string octets;
    octets.reserve(symboles.size() / 4 * 3 + 2);
    for (std::size_t debut = 0; debut < symboles.size(); debut += 4) {
        const std::size_t n = std::min<std::size_t>(4, symboles.size() - debut);
        std::uint32_t groupe = 0;
        for (std::size_t k = 0; k < n; ++k) groupe |= valeur(symboles[debut + k]) << (6 * k);
        // n symbols carry 6n bits: 4 -> 3 bytes, 3 -> 2, 2 -> 1, 1 -> none.
        const std::size_t nbOctets = n * 6 / 8;
        for (std::size_t k = 0; k < nbOctets; ++k)
            octets.push_back(static_cast<char>((groupe >> (8 * k)) & 0xFF));
    }
    return octets;
}

std::string XorCleCourante(std::string_view octets) {
    std::string texte;
    texte.reserve(octets.size());
    std::uint16_t cle = kCleDepart;
    for (char c : octets) {
        const auto b = static_cast<std::uint8_t>(c);
        texte.push_back(static_cast<char>(b ^ (cle >> 8)));
        cle = static_cast<std::uint16_t>((std::uint32_t{cle} + b) * kCleM + kCleA);
    }
    return texte;
}

std::string DechiffrerTexte(const std::string& stored) { return XorCleCourante(DecodageSixBits(stored)); }

}  // namespace vos::app
