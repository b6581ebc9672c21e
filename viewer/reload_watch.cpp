#include "viewer/reload_watch.h"

#include <sys/stat.h>

namespace orvane::viewer {

FileStamp StampOf(const std::string& fileName) {
    struct stat info {};
    if (::stat(fileName.c_str(), &info) != 0) {
        return {};
    }
    const auto ns = [](const timespec& time) {
        return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
    };
    return {true, static_cast<std::int64_t>(info.st_size), ns(info.st_mtim),
            static_cast<std::uint64_t>(info.st_ino), ns(info.st_ctim)};
}

void ReloadWatch::Shown(const FileStamp& stamp) {
    shown_ = stamp;
    last_ = stamp;
}

ReloadWatch::Step ReloadWatch::Look(const FileStamp& now) {
    if (now != last_) {
        last_ = now;
        return Step::Wait;
    }
    if (now == shown_) {
        return Step::Idle;
    }
    // Whatever opening it again brings, this state of the file has had its turn.
    shown_ = now;
    return Step::Reload;
}

}  // namespace orvane::viewer
