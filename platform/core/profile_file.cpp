#include "platform/core/profile_file.h"

#include <cerrno>

#include "platform/core/profile_encoding.h"
#include "platform/core/profile_io.h"
#include "platform/core/profile_text.h"

namespace vos {

std::string ProfileFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view def) const {
    const FileBytes file = ReadWholeFile(path_);
    if (file.error != 0) return std::string(def);
    const auto value = ProfileText(DecodeProfile(file.bytes).lines).Find(section, key);
    return value ? *value : std::string(def);
}

int32_t ProfileFile::ReadInteger(std::string_view section, std::string_view key,
                                 int32_t def) const {
    const FileBytes file = ReadWholeFile(path_);
    if (file.error != 0) return def;
    const auto value = ProfileText(DecodeProfile(file.bytes).lines).Find(section, key);
    if (!value) return def;
    return ParseProfileInteger(*value).value_or(def);
}

bool ProfileFile::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
    FileBytes file = ReadWholeFile(path_);
    if (file.error != 0 && file.error != ENOENT) {
        lastError_ = file.error;
        return false;
    }
    ProfileDocument doc = DecodeProfile(file.bytes);
    ProfileText text(std::move(doc.lines));
    text.Set(section, key, value);
    lastError_ = ReplaceFileAtomically(path_, EncodeProfile(doc.form, text.lines()));
    return lastError_ == 0;
}

bool ProfileFile::WriteInteger(std::string_view section, std::string_view key, int64_t value) {
    return WriteString(section, key, std::to_string(value));
}

}  // namespace vos
