// Preloaded into the program by an end-to-end test: every open() of a port
// link (a path holding "/Ports/COM") takes VOS_SLOW_OPEN_MS milliseconds
// longer, as a slow adapter's driver would. Everything else is untouched.
#include <dlfcn.h>
#include <fcntl.h>

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

using OpenFn = int (*)(const char*, int, ...);

void delayPortOpen(const char* path) {
    const char* ms = std::getenv("VOS_SLOW_OPEN_MS");
    if (!path || !ms || !std::strstr(path, "/Ports/COM")) return;
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
