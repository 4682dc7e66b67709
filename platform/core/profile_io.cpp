#include "platform/core/profile_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <random>

namespace vos {
namespace {

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    // Closes now and reports the close's error (0 if none).
    int Close() {
        const int fd = fd_;
        fd_ = -1;
        return fd >= 0 && ::close(fd) != 0 ? errno : 0;
    }

private:
    int fd_;
};

int ErrnoOr(int fallback) {
    return errno != 0 ? errno : fallback;
}

int WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return ErrnoOr(EIO);
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return 0;
}

// The file the write is really aimed at: a link's target, the path otherwise.
std::string ResolveTarget(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char buf[PATH_MAX];
    return ::realpath(path.c_str(), buf) != nullptr ? std::string(buf) : path;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Would an in-place write of the existing file be allowed? 0 if so, or if
// the file does not exist (*exists false).
int CheckExisting(const std::string& target, struct stat& st, bool& exists) {
    exists = false;
    if (::stat(target.c_str(), &st) != 0) return errno == ENOENT ? 0 : errno;
    exists = true;
    if (S_ISDIR(st.st_mode)) return EISDIR;
    if (!S_ISREG(st.st_mode)) return EINVAL;
    const int fd = ::open(target.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno;
    ::close(fd);
    return 0;
}

std::string BaseOf(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

// The temporary files of a replacement: ".<name>.<number>.tmp" beside it.
constexpr std::string_view kTmpSuffix = ".tmp";
std::string TemporaryPrefix(const std::string& target) { return "." + BaseOf(target) + "."; }

bool IsTemporaryOf(std::string_view name, const std::string& prefix) {
    if (name.size() <= prefix.size() + kTmpSuffix.size() || name.substr(0, prefix.size()) != prefix ||
        name.substr(name.size() - kTmpSuffix.size()) != kTmpSuffix)
        return false;
    const std::string_view number = name.substr(prefix.size(), name.size() - prefix.size() - kTmpSuffix.size());
    return std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int CreateTemporary(const std::string& target, std::string& tmpPath, int& fd) {
    const std::string folder = FolderOf(target);
    std::random_device seed;
    std::mt19937_64 gen(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        tmpPath = folder + "/" + TemporaryPrefix(target) + std::to_string(gen() % 1000000000ull) +
                  std::string(kTmpSuffix);
        fd = ::open(tmpPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
        if (fd >= 0) return 0;
        if (errno != EEXIST) return errno;
    }
    return EEXIST;
}

void SyncFolder(const std::string& target) {
    const int fd = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);  // best effort: the rename itself already happened
    ::close(fd);
}

// Writes, flushes and renames the temporary file; 0 or the first error.
int FillAndCommit(Fd& tmp, const std::string& tmpPath, const std::string& target,
                  std::string_view bytes, const struct stat* old) {
    if (old != nullptr) {
        if (::fchmod(tmp.get(), old->st_mode & 07777) != 0) return ErrnoOr(EIO);
        // Keeps a file handed over to the operator's account owned by it; only
        // the owner or root may do this, and failing to is not an error.
        if (::fchown(tmp.get(), old->st_uid, old->st_gid) != 0) errno = 0;
    }
    if (int err = WriteAll(tmp.get(), bytes)) return err;
    if (::fsync(tmp.get()) != 0) return ErrnoOr(EIO);
    if (int err = tmp.Close()) return err;
    if (::rename(tmpPath.c_str(), target.c_str()) != 0) return ErrnoOr(EIO);
    return 0;
}

}  // namespace

FileBytes ReadWholeFile(const std::string& path) {
    FileBytes out;
    Fd fd(::open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) return {errno, {}};
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return {errno, {}};
    if (S_ISDIR(st.st_mode)) return {EISDIR, {}};
    if (!S_ISREG(st.st_mode)) return {EINVAL, {}};
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return {errno, {}};
        if (n == 0) break;
        out.bytes.append(buf, static_cast<size_t>(n));
    }
    return out;
}

int ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
    const std::string target = ResolveTarget(path);
    struct stat old {};
    bool exists = false;
    if (int err = CheckExisting(target, old, exists)) return err;
    std::string tmpPath;
    int rawFd = -1;
    if (int err = CreateTemporary(target, tmpPath, rawFd)) return err;
    Fd tmp(rawFd);
    const int err = FillAndCommit(tmp, tmpPath, target, bytes, exists ? &old : nullptr);
    if (err != 0) {
        tmp.Close();
        ::unlink(tmpPath.c_str());
        return err;
    }
    SyncFolder(target);
    return 0;
}

int RemoveLeftTemporaries(const std::string& path) {
    const std::string target = ResolveTarget(path);
    const std::string folder = FolderOf(target);
    const std::string prefix = TemporaryPrefix(target);
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (!IsTemporaryOf(entry->d_name, prefix)) continue;
        const std::string file = folder + "/" + entry->d_name;
        struct stat st {};
        if (::lstat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::unlink(file.c_str()) == 0) ++removed;
    }
    ::closedir(dir);
    return removed;
}

}  // namespace vos
