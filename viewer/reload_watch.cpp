#include "viewer/reload_watch.h"

#include <sys/stat.h>

#include <algorithm>

namespace orvane::viewer {

FileStamp StampOf(const std::string& fileName) {
    struct stat info {};
    if (::stat(fileName.c_str(), &info) != 0) {
        return {};
    }
    return {true, static_cast<std::int64_t>(info.st_size),
            static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec,
            static_cast<std::uint64_t>(info.st_ino)};
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

RecentFiles::RecentFiles(const std::vector<std::string>& files) {
    // The oldest first, so that the latest ends up in front.
    for (std::size_t i = files.size(); i-- > 0;) {
        if (!files[i].empty()) {
            Add(files[i]);
        }
    }
}

void RecentFiles::Add(const std::string& fileName) {
    std::erase(files_, fileName);
    files_.insert(files_.begin(), fileName);
    if (files_.size() > kKept) {
        files_.resize(kKept);
    }
}

}  // namespace orvane::viewer
