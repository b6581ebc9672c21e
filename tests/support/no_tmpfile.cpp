// Loaded into a program (LD_PRELOAD) to make it run as on a file system that cannot make a file
// without a name (NFS, FAT): an open with O_TMPFILE fails with EOPNOTSUPP, as there. Every other
// open goes through unchanged.
#include <dlfcn.h>
#include <fcntl.h>

#include <cerrno>
#include <cstdarg>

extern "C" int open(const char* path, int flags, ...) {
    static const auto next =
        reinterpret_cast<int (*)(const char*, int, ...)>(::dlsym(RTLD_NEXT, "open"));
    if ((flags & O_TMPFILE) == O_TMPFILE) {
        errno = EOPNOTSUPP;
        return -1;
    }
    va_list args;
    va_start(args, flags);
    const mode_t mode = (flags & O_CREAT) != 0 ? va_arg(args, mode_t) : 0;
    va_end(args);
    return next(path, flags, mode);
}
