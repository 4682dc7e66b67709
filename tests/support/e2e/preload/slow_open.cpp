// Preloaded into the program by an end-to-end test: every open() of a port
// link (a path holding "/Ports/COM", or ending with VOS_SLOW_OPEN_MATCH) takes
// VOS_SLOW_OPEN_MS milliseconds longer, as a slow adapter's driver would;
// with VOS_SLOW_OPEN_LOG set, each such open appends a line to that file.
// Everything else is untouched.
#include <dlfcn.h>
#include <fcntl.h>

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <unistd.h>

namespace {

using OpenFn = int (*)(const char*, int, ...);

void logOpen(const char* path) {
    const char* log = std::getenv("VOS_SLOW_OPEN_LOG");
    if (!log || !*log) return;
    const auto real = reinterpret_cast<OpenFn>(::dlsym(RTLD_NEXT, "open"));
    const int fd = real(log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return;
    (void)!::write(fd, path, std::strlen(path));
    (void)!::write(fd, "\n", 1);
    ::close(fd);
}

// Every port link, or with VOS_SLOW_OPEN_MATCH the one path that ends so
// ("/Ports/COM2" is not "/Ports/COM21").
bool slowed(const char* path) {
    const char* match = std::getenv("VOS_SLOW_OPEN_MATCH");
    if (!match || !*match) return std::strstr(path, "/Ports/COM") != nullptr;
    const std::size_t n = std::strlen(path), m = std::strlen(match);
    return n >= m && std::strcmp(path + n - m, match) == 0;
}

void delayPortOpen(const char* path) {
    const char* ms = std::getenv("VOS_SLOW_OPEN_MS");
    if (!path || !ms || !slowed(path)) return;
    logOpen(path);
    const long n = std::strtol(ms, nullptr, 10);
    timespec left{n / 1000, (n % 1000) * 1000000L};
    while (::nanosleep(&left, &left) != 0) {
    }
}

int forward(const char* name, const char* path, int flags, va_list ap) {
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) mode = static_cast<mode_t>(va_arg(ap, unsigned));
    const auto real = reinterpret_cast<OpenFn>(::dlsym(RTLD_NEXT, name));
    delayPortOpen(path);
    return real(path, flags, mode);
}

}  // namespace

extern "C" int open(const char* path, int flags, ...) {
    va_list ap;
    va_start(ap, flags);
    const int fd = forward("open", path, flags, ap);
    va_end(ap);
    return fd;
}

extern "C" int open64(const char* path, int flags, ...) {
    va_list ap;
    va_start(ap, flags);
    const int fd = forward("open64", path, flags, ap);
    va_end(ap);
    return fd;
}
