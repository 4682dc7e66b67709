#pragma once
// Test helpers for serial code: a pseudo-terminal pair standing for the
// machine's control, and a private program folder whose Ports/COM<n> links
// make the pseudo-terminal's slave the port under test. Tests never open a
// real serial device; every port they use comes from a ProgramFolder.
//
// Threads: a PtyPair may be written from one thread and read from another
// (a peer thread streaming while the test reads); everything else belongs to
// the thread that made it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/temp_files.h"

namespace vos::test {

class PtyPair {
public:
    // Opens a fresh pair (the slave is not kept open: the code under test
    // opens it by name). Throws std::runtime_error when the system refuses.
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    int master() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }
    // The peer hangs up: the slave then polls POLLHUP and reads 0.
    void closeMaster();

    // Writes every byte to the master, waiting while the terminal is full, at
    // most timeoutMs in all. True when everything went.
    bool write(const std::vector<std::uint8_t>& bytes, int timeoutMs = 10000);
    bool write(std::string_view text, int timeoutMs = 10000);
    // Reads from the master until `count` bytes arrived or timeoutMs passed;
    // returns what arrived.
    std::vector<std::uint8_t> read(std::size_t count, int timeoutMs = 10000);
    // Reads whatever arrives until nothing came for `quietMs`.
    std::vector<std::uint8_t> readUntilQuiet(int quietMs);

private:
    int master_ = -1;
    std::string slavePath_;
};

// A private program folder (under the system's temporary folder), removed
// with everything in it when the object goes.
class ProgramFolder {
public:
    // With `withPorts`, the folder gets its Ports folder, which then is the
    // whole port map.
    explicit ProgramFolder(bool withPorts = true);
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    // The folder, with a trailing "/".
    const std::string& path() const { return path_; }
    // Makes Ports/COM<n> a symbolic link to `target`; returns the link's path.
    std::string linkPort(int n, const std::string& target);
    // Writes a file in the folder (relative name); returns its path.
    std::string writeFile(const std::string& name, std::string_view content);

private:
    TempDir dir_;
    std::string path_;
};

// Open descriptors and threads of this process (entries of /proc/self/fd and
// /proc/self/task).
int openDescriptorCount();
int threadCount();

}  // namespace vos::test
