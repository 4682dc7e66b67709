#pragma once
// A profile ("INI") file on disk, read and written key by key with the rules
// of ProfileText (case-insensitive names, trimmed values, 2047-character
// reads, comments and unknown lines kept) and the integer syntax of
// ParseProfileInteger.
//
// Every call goes to the file itself, as the platform's profile functions
// do: a read loads the current content, a write loads it, changes one key
// and replaces the file through ReplaceFileAtomically. The file is read and
// written in its own form (profile_encoding.h): an 8-bit file's bytes as
// they are, a UTF-8 or UTF-16 file with its byte-order mark, and the line
// ends its lines use (CR LF for a new file).
//
// Ownership: holds only the path; "opening" and "closing" the profile are
// the object's construction and destruction.
// Thread: not shared between threads; one writer per file (the GUI thread).

#include <cstdint>
#include <string>
#include <string_view>

namespace vos {

class ProfileFile {
public:
    explicit ProfileFile(std::string path) : path_(std::move(path)) {}

    const std::string& path() const { return path_; }

    // The key's value, or `def` when the file, the section or the key is
    // missing (or the file cannot be read). An existing empty value is "".
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view def) const;

    // The key's value as an integer, or `def` when missing or not a number.
    int32_t ReadInteger(std::string_view section, std::string_view key, int32_t def) const;

    // Sets the key (adding the key, its section or the file as needed).
    // Returns false when the platform refuses the write (see
    // ReplaceFileAtomically) or an existing file cannot be read; the errno is
    // then in lastError() and the file is unchanged.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);

    // Same, the value written in plain decimal.
    bool WriteInteger(std::string_view section, std::string_view key, int64_t value);

    int lastError() const { return lastError_; }

private:
    std::string path_;
    int lastError_ = 0;
};

}  // namespace vos
