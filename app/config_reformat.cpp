// The tidy rewrite of the configuration file (declared in config_file.h).
#include "app/config_file.h"
#include "platform/core/profile_io.h"

namespace vos::app {

std::optional<std::vector<std::string>> ReformaterLignes(const std::vector<std::string>& lignes,
                                                         ProfileEncoding encodage) {
    // A longer file would lose its tail; leaving it alone loses nothing.
    if (lignes.size() > kLignesMaxIni) return std::nullopt;
    std::vector<std::string> sortie;
    sortie.reserve(lignes.size() * 2);
    for (size_t i = 0; i < lignes.size(); ++i) {
        const std::string ligne = CutProfileLine(lignes[i], encodage, kLongueurMaxTexte);
        if (ligne.empty()) continue;
        if (ligne.front() == '[' && i != 0) sortie.emplace_back();
        sortie.push_back(ligne);
    }
    return sortie;
}

std::optional<std::string> ReformaterTexte(std::string_view octets) {
    const ProfileDocument doc = DecodeProfile(octets);
    const auto lignes = ReformaterLignes(doc.lines, doc.form.encoding);
    if (!lignes) return std::nullopt;
    std::string texte = EncodeProfile(doc.form, *lignes);
    // Dropping the empty lines at the top of an 8-bit file can bring bytes
    // that read as a byte-order mark to its very start: the next read would
    // take the file for another encoding. Leaving it alone loses nothing.
    if (DecodeProfile(texte).form.encoding != doc.form.encoding) return std::nullopt;
    return texte;
}

void ReformaterIni(const std::string& chemin) {
    const FileBytes file = ReadWholeFile(chemin);
    if (file.error != 0) throw ConfigIoError(chemin, file.error);
    const auto texte = ReformaterTexte(file.bytes);
    if (!texte) return;
    if (int err = ReplaceFileAtomically(chemin, *texte)) throw ConfigIoError(chemin, err);
}

}  // namespace vos::app
