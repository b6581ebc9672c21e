#include "viewer/reload_watch.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

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

std::string AbsoluteFileName(const std::string& fileName) {
    if (fileName.empty()) {
        return fileName;
    }
    std::error_code noFolder;  // the working folder gone: the name stays as it is
    const std::filesystem::path absolute = std::filesystem::absolute(fileName, noFolder);
    if (noFolder) {
        return fileName;
    }
    std::filesystem::path kept;
    for (const std::filesystem::path& part : absolute) {
        if (part != ".") {
            kept /= part;
        }
    }
    return kept.string();
}

RecentFiles::RecentFiles(const std::vector<std::string>& files) {
    // The oldest first, so that the latest ends up in front.
    for (std::size_t i = files.size(); i-- > 0;) {
        if (std::filesystem::path(files[i]).is_absolute()) {
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
