#include "platform/core/started_path.h"

#include <sys/auxv.h>
#include <sys/stat.h>

#include <cstdlib>
#include <memory>

namespace vos {

namespace {

bool sameFile(const char* a, const char* b) {
    struct stat sa {}, sb {};
    return ::stat(a, &sa) == 0 && ::stat(b, &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace

std::string startedFromFolder() {
    const auto* started = reinterpret_cast<const char*>(::getauxval(AT_EXECFN));
    if (started == nullptr || *started == '\0' || !sameFile(started, "/proc/self/exe")) return {};
    const std::string path = started;
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(folder.c_str(), nullptr), &std::free);
    if (!real) return {};
    std::string result = real.get();
    if (result.back() != '/') result += '/';
    return result;
}

}  // namespace vos
