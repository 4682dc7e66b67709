#include "app/config_file.h"

#include <cerrno>

#include "platform/core/profile_file.h"
#include "platform/core/profile_io.h"
#include "platform/core/profile_text.h"

namespace vos::app {
namespace {

// Sections, keys and defaults of the file.
inline constexpr const char* kPort = "Port";
inline constexpr const char* kPerso = "Perso";
inline constexpr const char* kContexte = "Contexte";

struct PortKey {
    const char* key;
    int32_t def;
    void (*apply)(ConfigPortTarget&, int32_t);
};

// Port settings in the order they are read and handed to the port; 16-bit
// settings take the low 16 bits of the number read.
constexpr PortKey kPortKeys[] = {
    {"Com", 1, [](ConfigPortTarget& t, int32_t v) { t.setComNumber(static_cast<uint16_t>(v)); }},
    {"Bauds", 9600, [](ConfigPortTarget& t, int32_t v) { t.setBaud(v); }},
    {"BufferFull", 248,
     [](ConfigPortTarget& t, int32_t v) { t.setBufferFull(static_cast<uint16_t>(v)); }},
    {"BufferResume", 10,
     [](ConfigPortTarget& t, int32_t v) { t.setBufferResume(static_cast<uint16_t>(v)); }},
    {"OutSize", 256, [](ConfigPortTarget& t, int32_t v) { t.setOutSize(static_cast<uint16_t>(v)); }},
    {"InSize", 4096, [](ConfigPortTarget& t, int32_t v) { t.setInSize(static_cast<uint16_t>(v)); }},
};

std::string Cut255(std::string s) {
    if (s.size() > kMaxTextLength) s.resize(kMaxTextLength);
    return s;
}

// The operator reads French: the system's reasons for a failed file access,
// in the operator's words. Anything else is named by its number.
struct Reason {
    int error;
    const char* text;
};
constexpr Reason kReasons[] = {
    {EACCES, "accès refusé"},
    {EPERM, "fichier protégé contre toute modification"},
    {EROFS, "disque en lecture seule"},
    {ENOSPC, "disque plein"},
    {EDQUOT, "quota de disque dépassé"},
    {EFBIG, "fichier trop grand"},
    {EIO, "erreur du disque"},
    {ENOENT, "fichier introuvable"},
    {ENOTDIR, "dossier introuvable"},
    {EISDIR, "c'est un dossier"},
    {EINVAL, "ce n'est pas un fichier ordinaire"},
    {ENAMETOOLONG, "chemin trop long"},
    {ELOOP, "trop de liens symboliques"},
    {EMFILE, "trop de fichiers ouverts"},
    {ENFILE, "trop de fichiers ouverts"},
    {ENOMEM, "mémoire insuffisante"},
    {EBUSY, "fichier occupé"},
    {EEXIST, "fichier temporaire impossible à créer"},
};

std::string systemReason(int error) {
    for (const Reason& r : kReasons)
        if (r.error == error) return r.text;
    return "erreur système " + std::to_string(error);
}

void Write(ProfileFile& ini, const char* section, const char* key, const std::string& value) {
    if (!ini.WriteString(section, key, value)) throw ConfigWriteError(ini.path(), ini.lastError());
}

struct SavedKey {
    const char* section;
    const char* key;
    std::string value;
};

// The written-back keys, in the order they are written.
std::vector<SavedKey> savedKeys(const ConfigState& state, const ConfigPortTarget& port) {
    return {{kPerso, "Fond", state.FichierFond},
            {kContexte, "Version", kProgramVersion},
            {kContexte, "Windows", versionWindowsText(state.VersionWindows)},
            {kPort, "Com", std::to_string(port.comNumber())},
            {kPort, "Bauds", std::to_string(port.baud())}};
}

}  // namespace

ConfigWriteError::ConfigWriteError(const std::string& path, int error)
    : std::runtime_error("Impossible d'écrire dans " + path), path_(path), error_(error) {}

ConfigIoError::ConfigIoError(const std::string& path, int error)
    : std::runtime_error("Erreur d'entrée/sortie sur le fichier " + path + " : " + systemReason(error)),
      path_(path),
      error_(error) {}

std::string versionWindowsText(const OsVersion& v) {
    return std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.build) +
           " " + v.servicePack;
}

void LireConfiguration(ConfigState& state, panel::MachineType& type, ConfigPortTarget& port,
                       ConfigWindowTarget& window) {
    const ProfileFile ini(state.CheminIni);  // "closed" when leaving, also on a throw
    for (const PortKey& k : kPortKeys) k.apply(port, ini.ReadInteger(kPort, k.key, k.def));
    state.ReadSize = ini.ReadInteger(kPort, "ReadSize", 128);

    state.FichierFond = Cut255(ini.ReadString(kPerso, "Fond", design::kSkinMilling));
    if (!state.FichierFond.empty()) window.loadSkin(state.RepertoireSkins + state.FichierFond);
    panel::applyMachineTypeRule(state.FichierFond, type);
    state.EditeurConfig = Cut255(ini.ReadString(kContexte, "Editeur", "notepad.exe"));
    state.PleinEcran = ini.ReadInteger(kContexte, "PleinEcran", 0) != 0;
    window.afficherClient();
}

void EcrireConfiguration(const ConfigState& state, const ConfigPortTarget& port) {
    if (state.EnDemarrage) return;
    ProfileFile ini(state.CheminIni);
    for (const SavedKey& k : savedKeys(state, port)) Write(ini, k.section, k.key, k.value);
}

// The writes of EcrireConfiguration and the rewrite of ReformaterIni done on
// the text in memory, each as the file functions do it, then one replacement.
void saveConfigurationNow(const ConfigState& state, const ConfigPortTarget& port) {
    if (state.EnDemarrage) return;
    const FileBytes file = ReadWholeFile(state.CheminIni);
    if (file.error != 0 && file.error != ENOENT) throw ConfigWriteError(state.CheminIni, file.error);
    ProfileDocument doc = DecodeProfile(file.bytes);
    ProfileText text(std::move(doc.lines));
    for (const SavedKey& k : savedKeys(state, port)) text.Set(k.section, k.key, k.value);
    const std::string written = EncodeProfile(doc.form, text.lines());
    const std::string tidy = tidiedIniText(written).value_or(written);
    if (int err = ReplaceFileAtomically(state.CheminIni, tidy)) throw ConfigWriteError(state.CheminIni, err);
}

}  // namespace vos::app
