#include "platform/detail/posix_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <system_error>

namespace orvane::platform::detail {

mode_t CurrentUmask() {
    // /proc reports it without the set-and-restore of umask(2), which would race other threads.
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("Umask:")) {
            return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
        }
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

void RaiseNotFound(const std::string& path) {
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    std::error_code ignored;
    if (!parent.empty() && !std::filesystem::is_directory(parent, ignored)) {
        RaiseBecause(ErrorNumber::PathNotFound, "the folder does not exist");
    }
    Raise(ErrorNumber::FileNotFound);  // the description says it all
}

void RefuseUnreplaceable(const struct stat& info) {
    if (S_ISLNK(info.st_mode)) {
        return;
    }
    if (S_ISDIR(info.st_mode)) {
        RaiseBecause(ErrorNumber::PathFileAccessError, "it is a folder");
    }
    if (!S_ISREG(info.st_mode)) {
        RaiseBecause(ErrorNumber::PathFileAccessError, kNotARegularFile);
    }
    if (IsReadOnlyMode(info.st_mode)) {
        RaiseBecause(ErrorNumber::PathFileAccessError, "the file is read-only");
    }
}

void RefuseForeignLink(const std::string& link, const struct stat& info) {
    const std::filesystem::path folder = std::filesystem::path(link).parent_path();
    struct stat shared {};
    if (::stat(folder.empty() ? "." : folder.c_str(), &shared) != 0 ||
        (shared.st_mode & (S_ISVTX | S_IWOTH)) != (S_ISVTX | S_IWOTH) ||
        info.st_uid == ::geteuid() || info.st_uid == shared.st_uid) {
        return;
    }
    RaiseBecause(ErrorNumber::PathFileAccessError,
                 "permission denied: the link '" + link +
                     "' belongs to another user, in a folder that anyone may write to");
}

}  // namespace orvane::platform::detail
