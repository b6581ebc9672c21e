#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string_view>
#include <utility>

#include "platform/detail/posix_files.h"
#include "platform/runtime_error.h"

namespace orvane::platform {
namespace {

namespace fs = std::filesystem;
using detail::RefuseUnreplaceable;

[[noreturn]] void RaiseWriteError(int error) {
    RaiseBecause(
        error == ENOSPC || error == EDQUOT ? ErrorNumber::DiskFull : ErrorNumber::DeviceIOError,
        SystemErrorReason(error));
}

// Why a file could not be made or renamed into its folder.
[[noreturn]] void RaisePlaceError(int error) {
    ErrorNumber number = ErrorNumber::PathFileAccessError;
    if (error == ENOENT || error == ENOTDIR) {
        number = ErrorNumber::PathNotFound;
    } else if (error == ENOSPC || error == EDQUOT) {
        number = ErrorNumber::DiskFull;
    }
    RaiseBecause(number, SystemErrorReason(error));
}

// The rename is in the folder's entries, which reach the disk on their own schedule. Nothing is
// left to undo by now, so a failure here is not reported.
void SyncFolder(const fs::path& folder) {
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// What a write to target replaces: a link's destination when target is a link.
fs::path ReplacedFile(const std::string& target) {
    fs::path path(target);
    std::error_code error;
    if (fs::is_symlink(path, error)) {
        fs::path resolved = fs::canonical(path, error);
        if (!error) {
            path = std::move(resolved);
        }
    }
    return path;
}

// The new contents of path are written to "<prefix><16 hex digits>.tmp" in its folder: hidden,
// and short enough for NAME_MAX whatever the target's name.
constexpr std::size_t kSuffixDigits = 16;
constexpr std::string_view kTemporaryEnding = ".tmp";

std::string TemporaryPrefix(const fs::path& path) {
    std::string base = path.filename().string();
    if (base.size() > 200) {
        base.resize(200);
    }
    return "." + base + ".";
}

std::string RandomSuffix() {
    thread_local std::mt19937_64 generator{std::random_device{}()};
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(generator()));
    return text;
}

}  // namespace

int WriteAll(int fd, std::span<const BYTE> bytes) noexcept {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n < 0 ? errno : EIO;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
    return 0;
}

void CheckKill(const std::string& path) {
    if (path.empty()) {
        Raise(ErrorNumber::BadFileNameOrNumber);
    }
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) {
            detail::RaiseNotFound(path);
        }
        RaiseBecause(ErrorNumber::PathFileAccessError, SystemErrorReason(error));
    }
    // Kill looks for files only: a folder of that name is no file to it.
    if (S_ISDIR(info.st_mode)) {
        RaiseBecause(ErrorNumber::FileNotFound, "it is a folder");
    }
    RefuseUnreplaceable(info);
}

void Kill(const std::string& path) {
    CheckKill(path);
    if (::unlink(path.c_str()) != 0) {
        const int error = errno;
        if (error == ENOENT) {
            detail::RaiseNotFound(path);
        }
        RaiseBecause(ErrorNumber::PathFileAccessError, SystemErrorReason(error));
    }
}

PendingFile::PendingFile(const std::string& target) {
    if (target.empty() || !fs::path(target).has_filename()) {
        Raise(ErrorNumber::BadFileNameOrNumber);
    }
    const fs::path path = ReplacedFile(target);
    target_ = path.string();

    // What is judged is the file that would be replaced: where a link leads.
    if (struct stat info{}; ::stat(target_.c_str(), &info) == 0) {
        RefuseUnreplaceable(info);
    }

    const std::string prefix = TemporaryPrefix(path);
    const fs::path folder = path.parent_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp_ = (folder / (prefix + RandomSuffix() + std::string(kTemporaryEnding))).string();
        // The owner's alone while it is written: a replaced file may be private, and others
        // must not read its new contents before Commit gives the file its final mode.
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd_ >= 0) {
            return;
        }
        if (errno != EEXIST) {
            reserveError_ = errno;
            return;
        }
    }
    reserveError_ = EEXIST;
}

PendingFile::~PendingFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    if (IsReserved() && !committed_) {
        ::unlink(temp_.c_str());
    }
}

void PendingFile::RaiseNotReserved() const {
    RaisePlaceError(reserveError_);
}

void PendingFile::Write(std::span<const BYTE> bytes) {
    if (!IsReserved()) {
        RaiseNotReserved();
    }
    if (fd_ < 0) {
        Raise(ErrorNumber::BadFileNameOrNumber);  // written after Commit
    }
    if (const int error = WriteAll(fd_, bytes); error != 0) {
        RaiseWriteError(error);
    }
}

void PendingFile::Commit() {
    if (committed_) {
        return;
    }
    if (!IsReserved()) {
        RaiseNotReserved();
    }
    if (fd_ < 0) {
        Raise(ErrorNumber::BadFileNameOrNumber);  // an earlier Commit failed and closed it
    }
    struct stat old {};
    const bool replacing = ::stat(target_.c_str(), &old) == 0;
    if (replacing) {
        RefuseUnreplaceable(old);  // it may have changed since the constructor looked
        // Only root may give a file away; a member of the old file's group may still keep that,
        // and anyone else keeps the group they made the file with.
        if (::fchown(fd_, old.st_uid, old.st_gid) != 0 &&
            ::fchown(fd_, static_cast<uid_t>(-1), old.st_gid) != 0) {
        }
    }
    // After fchown, which may clear bits. A file system without permissions (FAT) refuses, and
    // the file then has what the mount gives every file.
    (void)::fchmod(fd_, replacing ? old.st_mode & 0777 : 0666 & ~detail::CurrentUmask());
    // Renaming before the data is on the disk could leave an empty file in place of the old one
    // after a crash (ext4's delayed allocation). A new file has nothing to lose, so it is spared
    // the wait.
    if (replacing && ::fsync(fd_) != 0 && errno != EINVAL) {
        const int error = errno;
        ::close(std::exchange(fd_, -1));
        RaiseWriteError(error);
    }
    // Some file systems (NFS) report a failed write only when the file is closed.
    if (::close(std::exchange(fd_, -1)) != 0) {
        RaiseWriteError(errno);
    }
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        RaisePlaceError(errno);
    }
    committed_ = true;
    if (replacing) {
        SyncFolder(fs::path(target_).parent_path());
    }
}

void RemovePendingLeftovers(const std::string& target) noexcept {
    try {
        if (target.empty() || !fs::path(target).has_filename()) {
            return;
        }
        const fs::path path = ReplacedFile(target);
        const std::string prefix = TemporaryPrefix(path);
        const fs::path folder = path.parent_path().empty() ? "." : path.parent_path();
        const auto isLeftover = [&](const std::string& name) {
            return name.size() == prefix.size() + kSuffixDigits + kTemporaryEnding.size() &&
                   name.starts_with(prefix) && name.ends_with(kTemporaryEnding) &&
                   std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()),
                               name.end() - static_cast<std::ptrdiff_t>(kTemporaryEnding.size()),
                               [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
        };
        std::error_code error;
        for (fs::directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error)) {
            if (isLeftover(it->path().filename().string())) {
                std::error_code ignored;
                fs::remove(it->path(), ignored);
            }
        }
    } catch (const std::exception&) {
        // Out of memory for a name: what is left stays, as it would have without this call.
    }
}

}  // namespace orvane::platform
