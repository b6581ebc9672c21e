// Loaded into orvane-export (LD_PRELOAD) by bench/new_file_sync.sh: flushes a new file to the disk
// before it is given its name, as a save that synced new files would. A new file is linked in from
// its descriptor's name, linkat("/proc/self/fd/N", TARGET); that descriptor is synced first. With
// ORVANE_SYNC_LOG set, the time each flush took is added to that file, a line of seconds each.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" int linkat(int fromFolder, const char* from, int toFolder, const char* to,
                      int flags) noexcept {
    static const auto next = reinterpret_cast<int (*)(int, const char*, int, const char*, int)>(
        ::dlsym(RTLD_NEXT, "linkat"));
    constexpr char kHeld[] = "/proc/self/fd/";
    if (std::strncmp(from, kHeld, sizeof kHeld - 1) == 0) {
        const auto start = std::chrono::steady_clock::now();
        ::fsync(std::atoi(from + sizeof kHeld - 1));
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (const char* log = std::getenv("ORVANE_SYNC_LOG")) {
            char line[32];
            const int length = std::snprintf(line, sizeof line, "%.6f\n", took.count());
            // One write in append mode: the lines of a batch's processes do not mix.
            const int fd = ::open(log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
            if (fd >= 0) {
                [[maybe_unused]] const ssize_t written = ::write(fd, line, length);
                ::close(fd);
            }
        }
    }
    return next(fromFolder, from, toFolder, to, flags);
}
