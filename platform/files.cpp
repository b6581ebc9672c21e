#include "platform/files.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <utility>

#include "platform/detail/posix_files.h"
#include "platform/detail/removed_on_stop.h"
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

// The folder a file is in; "." for a bare name.
fs::path FolderOf(const fs::path& path) {
    return path.parent_path().empty() ? fs::path(".") : path.parent_path();
}

// The rename is in the folder's entries, which reach the disk on their own schedule. Nothing is
// left to undo by now, so a failure here is not reported.
void SyncFolderOf(const fs::path& file) {
    const int fd = ::open(FolderOf(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The system's own limit on the links one name may lead through (MAXSYMLINKS).
constexpr int kMaxLinks = 40;

// Where path leads, resolved part by part as the system resolves a name: every link on the way is
// followed, and judged by the sticky-folder rule, where it stands (RefuseForeignLink); so is the
// last part when followLast is true, as open(O_CREAT) follows it, into a file not yet there too.
// The result holds no link but, when followLast is false, its last part. Where a part is missing
// or cannot be looked at, the rest is left as it is, for the call that uses the name to report.
// Raises for a loop of links, and for a last link (followLast) that leads into a folder that does
// not exist, where the system would make nothing.
fs::path FollowLinks(const fs::path& path, bool followLast) {
    std::deque<fs::path> rest(path.begin(), path.end());  // the parts still to walk
    fs::path done;
    int links = 0;
    bool inLastLink = false;  // walking what the last part's link leads to
    while (!rest.empty()) {
        const fs::path part = std::move(rest.front());
        rest.pop_front();
        if (part.empty() || part == ".") {
            continue;
        }
        if (part == "/") {
            done = "/";
            continue;
        }
        if (part == "..") {
            // done holds no link, so its parent is the folder's own.
            const bool up = done.empty() || done.filename() == "..";
            done = up ? done / ".." : (done == "/" ? done : done.parent_path());
            continue;
        }
        const fs::path next = done / part;
        struct stat info {};
        if (::lstat(next.c_str(), &info) != 0) {
            const int error = errno;
            // A dangling link: the file is made where it leads, but only in a folder that
            // exists, as the system would.
            if (inLastLink && (error == ENOTDIR || (error == ENOENT && !rest.empty()))) {
                RaiseBecause(ErrorNumber::PathNotFound, SystemErrorReason(ENOENT));
            }
            fs::path whole = next;
            for (const fs::path& left : rest) {
                whole /= left;
            }
            return whole;
        }
        const bool last = rest.empty();
        if (!S_ISLNK(info.st_mode) || (last && !followLast)) {
            done = next;
            continue;
        }
        if (++links > kMaxLinks) {
            RaiseBecause(ErrorNumber::PathFileAccessError, SystemErrorReason(ELOOP));
        }
        detail::RefuseForeignLink(next.string(), info);
        std::error_code error;
        const fs::path to = fs::read_symlink(next, error);
        if (error) {
            RaiseBecause(ErrorNumber::PathFileAccessError, SystemErrorReason(error.value()));
        }
        inLastLink = inLastLink || last;
        rest.insert(rest.begin(), to.begin(), to.end());
    }
    return done.empty() ? fs::path(".") : done;
}

// "/proc/self/fd/N": a name that opens the very file behind descriptor fd, also one that has
// no name of its own.
std::string DescriptorName(int fd) {
    return "/proc/self/fd/" + std::to_string(fd);
}

// A fresh hidden name beside path: ".NAME.HASH.PID.N.tmp". NAME is cut to keep within NAME_MAX;
// HASH, of the whole name, keeps two long names that share their beginning apart, and PID and N
// keep apart every writer of one name, in this process or another.
std::string TemporaryName(const fs::path& path) {
    constexpr std::size_t kKeptNameBytes = 180;
    static std::atomic<std::uint64_t> made{0};
    const std::string name = path.filename().string();
    std::uint64_t hash = 0xcbf29ce484222325;  // FNV-1a
    for (const char c : name) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3;
    }
    char tail[80];
    std::snprintf(tail, sizeof tail, ".%016llx.%lld.%llu.tmp",
                  static_cast<unsigned long long>(hash), static_cast<long long>(::getpid()),
                  static_cast<unsigned long long>(made++));
    std::string hidden(1, '.');
    hidden.append(name, 0, kKeptNameBytes).append(tail);
    return (path.parent_path() / hidden).string();
}

}  // namespace

int WriteAll(int fd, std::span<const BYTE> bytes) noexcept {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        // A descriptor that someone made non-blocking (a terminal shared with another program):
        // waits for room.
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd room{fd, POLLOUT, 0};
            if (::poll(&room, 1, -1) >= 0 || errno == EINTR) {
                continue;
            }
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
    // The folders on the way are reached through their links, which the rule applies to; the
    // file itself, a link too, is deleted, not followed.
    FollowLinks(path, false);
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

std::optional<FileId> FileIdOf(const std::string& name) {
    struct stat info {};
    if (::stat(name.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return FileId{info.st_dev, info.st_ino};
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
    const fs::path path = FollowLinks(target, true);
    target_ = path.string();

    // What is judged is the file that would be replaced: where a link leads.
    if (struct stat info{}; ::stat(target_.c_str(), &info) == 0) {
        RefuseUnreplaceable(info);
    }

    // The owner's alone while it is written: a replaced file may be private, and others must not
    // read its new contents before Commit gives the file its final mode.
    fd_ = ::open(FolderOf(path).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd_ >= 0) {
        temp_ = DescriptorName(fd_);
        // Without /proc (a bare chroot) neither a library nor linkat could reach it.
        if (::access(temp_.c_str(), W_OK) == 0) {
            return;
        }
        ::close(std::exchange(fd_, -1));
    }
    // The file system cannot make a file without a name (or the folder cannot take a file at
    // all, which the named one then says).
    named_ = true;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp_ = TemporaryName(path);
        removedOnStop_ = detail::RemovedOnStop(temp_);
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd_ >= 0) {
            return;
        }
        const int error = errno;
        removedOnStop_.Release();
        if (error != EEXIST) {
            reserveError_ = error;
            return;
        }
    }
    reserveError_ = EEXIST;
}

PendingFile::~PendingFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    // Only a file made here, in this process: a name that was never reserved may be anyone's.
    if (named_ && IsReserved() && !committed_) {
        ::unlink(temp_.c_str());
    }
}

std::string PendingFile::HeldFileName() const {
    return fd_ >= 0 ? DescriptorName(fd_) : std::string();
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
    bool replacing = false;
    // A new target that another process makes meanwhile is replaced like any other; the bound
    // only stops a file that keeps coming and going.
    for (int attempt = 0;; ++attempt) {
        struct stat old {};
        replacing = ::stat(target_.c_str(), &old) == 0;
        if (replacing) {
            RefuseUnreplaceable(old);  // it may have changed since the constructor looked
            // Only root may give a file away; a member of the old file's group may still keep
            // that, and anyone else keeps the group they made the file with.
            if (::fchown(fd_, old.st_uid, old.st_gid) != 0 &&
                ::fchown(fd_, static_cast<uid_t>(-1), old.st_gid) != 0) {
            }
        }
        // After fchown, which may clear bits. A file system without permissions (FAT) refuses,
        // and the file then has what the mount gives every file.
        (void)::fchmod(fd_, replacing ? old.st_mode & 0777 : 0666 & ~detail::CurrentUmask());
        // Renaming before the data is on the disk could leave an empty file in place of the old
        // one after a crash (ext4's delayed allocation). A new file replaces nothing, so it is
        // spared the wait, which would add a quarter or more to a large bitmap's save
        // (bench/new_file_sync.sh): a crash soon after may leave it empty or short.
        if (replacing && ::fsync(fd_) != 0 && errno != EINVAL) {
            const int error = errno;
            ::close(std::exchange(fd_, -1));
            RaiseWriteError(error);
        }
        if (PutInPlace(replacing)) {
            break;
        }
        if (attempt == 3) {
            RaisePlaceError(EEXIST);
        }
    }
    committed_ = true;
    if (replacing) {
        SyncFolderOf(target_);
    }
}

bool PendingFile::PutInPlace(bool replacing) {
    if (named_) {
        // Some file systems (NFS) report a failed write only when the file is closed.
        if (::close(std::exchange(fd_, -1)) != 0) {
            RaiseWriteError(errno);
        }
        if (::rename(temp_.c_str(), target_.c_str()) != 0) {
            RaisePlaceError(errno);
        }
        removedOnStop_.Release();
        return true;
    }
    // linkat never replaces a name. A new target takes the file's first name at once; an old
    // one is replaced by a rename from a fresh name, which is in the folder only between the two
    // calls. The file systems that make files without a name report write errors on write and
    // fsync, not on close.
    if (!replacing) {
        if (::linkat(AT_FDCWD, temp_.c_str(), AT_FDCWD, target_.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            if (errno == EEXIST) {
                return false;
            }
            RaisePlaceError(errno);
        }
        ::close(std::exchange(fd_, -1));
        return true;
    }
    std::string named = TemporaryName(target_);
    detail::RemovedOnStop removedOnStop(named);
    while (::linkat(AT_FDCWD, temp_.c_str(), AT_FDCWD, named.c_str(), AT_SYMLINK_FOLLOW) != 0) {
        if (errno != EEXIST) {
            RaisePlaceError(errno);
        }
        named = TemporaryName(target_);
        removedOnStop = detail::RemovedOnStop(named);
    }
    if (::rename(named.c_str(), target_.c_str()) != 0) {
        const int error = errno;
        ::unlink(named.c_str());
        RaisePlaceError(error);
    }
    ::close(std::exchange(fd_, -1));
    return true;
}

}  // namespace orvane::platform
