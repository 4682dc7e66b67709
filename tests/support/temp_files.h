#pragma once
// Test helpers for code that reads and writes files: a private temporary
// folder, removed with everything in it when the test ends, and whole-file
// reads and writes of raw bytes.
//
// Threads: a TempDir belongs to the thread that made it.
#include <filesystem>
#include <string>

namespace vos::test {

class TempDir {
public:
    // Creates a fresh folder under the system's temporary folder.
    TempDir();
    // Removes the folder and its contents, even when a test took the write
    // permission away from the folder itself.
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The path of `name` inside the folder (nothing is created).
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// The file's bytes; empty when it cannot be read.
std::string Slurp(const std::string& path);
// Replaces the file's contents with `bytes`, creating it when missing.
void Spit(const std::string& path, const std::string& bytes);

}  // namespace vos::test
