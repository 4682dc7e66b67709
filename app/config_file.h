#pragma once
// The configuration file "Vostrelle.ini": reading it at start-up, writing the
// five saved keys back, and the tidy rewrite at close. This module is the
// only one that knows the file's sections and keys.
//
// Qt-free. Thread: GUI thread only; the functions are not re-entrant for one
// ConfigState. Failures are exceptions derived from std::runtime_error with
// French messages that name the file.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "panel/machine_type.h"
#include "platform/core/os_version.h"
#include "platform/core/profile_encoding.h"

namespace vos::app {

// The port settings the file holds, applied to the port component as they
// are read. Setters may throw (a port that cannot take a setting); the read
// then stops there.
class ConfigPortTarget {
public:
    virtual ~ConfigPortTarget() = default;
    virtual void setComNumber(uint16_t) = 0;
    virtual void setBaud(int32_t) = 0;
    virtual void setBufferFull(uint16_t) = 0;
    virtual void setBufferResume(uint16_t) = 0;
    virtual void setOutSize(uint16_t) = 0;
    virtual void setInSize(uint16_t) = 0;
    virtual uint16_t comNumber() const = 0;
    virtual int32_t baud() const = 0;
};

// What the file decides of the main window: its skin and customer label.
class ConfigWindowTarget {
public:
    virtual ~ConfigWindowTarget() = default;
    // Loads the skin picture at `path` into the background picture; throws
    // when the picture cannot be loaded.
    virtual void loadSkin(const std::string& path) = 0;
    virtual void afficherClient() = 0;
};

// Program-wide state that the configuration reads or fills. Owned by the
// main window.
struct ConfigState {
    std::string CheminIni;        // full path, never cut
    std::string RepertoireSkins;  // with its trailing separator, never cut
    bool EnDemarrage = true;
    OsVersion VersionWindows;  // written as the `Windows` key
    // Filled by LireConfiguration (FichierFond also by the machine switch).
    std::string FichierFond;
    std::string EditeurConfig;
    int32_t ReadSize = 128;
    // Contexte/PleinEcran (non-zero: start full screen). Read only: the
    // station's setting is the technician's, F11 the operator's moment.
    bool PleinEcran = false;
};

// A write of the configuration that the platform refused.
// what() = "Impossible d'écrire dans <path>".
class ConfigWriteError : public std::runtime_error {
public:
    ConfigWriteError(const std::string& path, int error);
    const std::string& path() const { return path_; }
    int error() const { return error_; }

private:
    std::string path_;
    int error_;
};

// An input/output failure of the tidy rewrite (the file cannot be opened,
// read or replaced). what() names the file and the system's reason, in
// French.
class ConfigIoError : public std::runtime_error {
public:
    ConfigIoError(const std::string& path, int error);
    const std::string& path() const { return path_; }
    int error() const { return error_; }

private:
    std::string path_;
    int error_;
};

// Longest string value kept from the file (FichierFond, EditeurConfig) and
// longest line kept by the tidy rewrite.
inline constexpr size_t kMaxTextLength = 255;
// Most lines the tidy rewrite handles; a longer file is left as it is.
inline constexpr size_t kMaxIniLines = 2000;
inline constexpr const char* kProgramVersion = "1.00";

// "major.minor.build servicepack" (a trailing blank with an empty text).
std::string versionWindowsText(const OsVersion& v);

// Reads the file at state.CheminIni and applies it: port settings to `port`
// as they are read, then the skin (loaded when its name is not empty), the
// machine type into `type` (the main window's one instance, which the lamp
// bank reads), the editor, and finally window.afficherClient(). An exception
// from a target stops the sequence at that step and leaves it; the later
// steps do not run.
void LireConfiguration(ConfigState& state, panel::MachineType& type, ConfigPortTarget& port,
                       ConfigWindowTarget& window);

// Writes Perso/Fond, Contexte/Version, Contexte/Windows, Port/Com and
// Port/Bauds, in this order; nothing while state.EnDemarrage is true.
// Throws ConfigWriteError at the first refused write.
void EcrireConfiguration(const ConfigState& state, const ConfigPortTarget& port);

// Writes the same five keys and tidies the file at once, in one atomic
// replacement of the file (a temporary file beside it, flushed to disk, then
// renamed over it): the file is then byte for byte what a close would leave
// (EcrireConfiguration, then ReformaterIni), and a crash or power cut at any
// moment leaves the old file or the new one. For a setting the operator
// changes while the program runs. Nothing while state.EnDemarrage is true.
// Throws ConfigWriteError when the file cannot be read or replaced.
void saveConfigurationNow(const ConfigState& state, const ConfigPortTarget& port);

// The tidy layout of the lines: each cut at 255 characters (bytes of an
// 8-bit file, whole characters of a Unicode one), empty lines dropped, one
// empty line before every "[" line but the first line. Nothing (leave the
// file alone) when there are more than 2000 lines.
std::optional<std::vector<std::string>> tidyLines(
    const std::vector<std::string>& lines, ProfileEncoding encoding = ProfileEncoding::Bytes8);

// The file's bytes in the tidy layout, in the file's own form: its encoding,
// byte-order mark and line ends. Nothing (leave the file alone) for more
// than 2000 lines, or when the result would read back in another encoding.
std::optional<std::string> tidiedIniText(std::string_view bytes);

// Rewrites the file at `path` as tidiedIniText says, atomically. Throws
// ConfigIoError when the file cannot be read or replaced.
void ReformaterIni(const std::string& path);

}  // namespace vos::app
