// Loaded into a program (LD_PRELOAD) to make it run as on a file system that cannot make a file
// without a name (NFS, FAT): every open with O_TMPFILE fails with EOPNOTSUPP, as there.
// Every other open goes through unchanged.
#include <dlfcn.h>
#include <fcntl.h>

#include <cerrno>
#include <cstdarg>

namespace {

bool Refused(int flags) {
    if ((flags & O_TMPFILE) == O_TMPFILE) {
        errno = EOPNOTSUPP;
        return true;
    }
    return false;
}

// The mode is there only when the flags ask for one.
mode_t ModeOf(int flags, va_list args) {
    return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(args, mode_t) : 0;
}

template <class Call>
Call Next(const char* name) {
    return reinterpret_cast<Call>(::dlsym(RTLD_NEXT, name));
}

using OpenCall = int (*)(const char*, int, ...);
using OpenAtCall = int (*)(int, const char*, int, ...);

}  // namespace

extern "C" {

#define ORVANE_OPEN(name)                                     \
    int name(const char* path, int flags, ...) {              \
        va_list args;                                         \
        va_start(args, flags);                                \
        const mode_t mode = ModeOf(flags, args);              \
        va_end(args);                                         \
        static const auto next = Next<OpenCall>(#name);       \
        return Refused(flags) ? -1 : next(path, flags, mode); \
    }
#define ORVANE_OPENAT(name)                                           \
    int name(int folder, const char* path, int flags, ...) {          \
        va_list args;                                                 \
        va_start(args, flags);                                        \
        const mode_t mode = ModeOf(flags, args);                      \
        va_end(args);                                                 \
        static const auto next = Next<OpenAtCall>(#name);             \
        return Refused(flags) ? -1 : next(folder, path, flags, mode); \
    }

ORVANE_OPEN(open)
ORVANE_OPEN(open64)
ORVANE_OPENAT(openat)
ORVANE_OPENAT(openat64)

// The checked forms that _FORTIFY_SOURCE calls where the flags are not known at compile time.
int __open_2(const char* path, int flags) {
    static const auto next = Next<int (*)(const char*, int)>("__open_2");
    return Refused(flags) ? -1 : next(path, flags);
}
int __open64_2(const char* path, int flags) {
    static const auto next = Next<int (*)(const char*, int)>("__open64_2");
    return Refused(flags) ? -1 : next(path, flags);
}

}  // extern "C"
