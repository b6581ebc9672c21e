#include "platform/kernel32.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <limits>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "platform/detail/posix_files.h"

namespace {

using orvane::platform::detail::CurrentUmask;
using orvane::platform::detail::IsReadOnlyMode;

constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;
constexpr std::int64_t kLatestSecond =
    std::numeric_limits<std::int64_t>::max() / kTicksPerSecond - kSecondsFrom1601To1970 - 1;

FILETIME ToFileTime(std::int64_t seconds, std::int64_t nanoseconds) {
    // Before 1601 there is no FILETIME; such a time reads as the earliest one.
    seconds = std::clamp(seconds, -kSecondsFrom1601To1970, kLatestSecond);
    const auto ticks = static_cast<std::uint64_t>(
        (seconds + kSecondsFrom1601To1970) * kTicksPerSecond + nanoseconds / 100);
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

FILETIME ToFileTime(const statx_timestamp& t) {
    return ToFileTime(t.tv_sec, t.tv_nsec);
}

// False for a time Windows refuses (a negative 64-bit value other than its two markers).
bool ToPosixTime(const FILETIME* time, timespec& out) {
    out = {0, UTIME_OMIT};
    if (time == nullptr) {
        return true;
    }
    const std::uint64_t ticks =
        (std::uint64_t{time->dwHighDateTime} << 32) | std::uint64_t{time->dwLowDateTime};
    // 0 leaves the time; all ones and all ones but the last bit stop and resume Windows' own
    // updating of it, which has no POSIX counterpart.
    if (ticks == 0 || ticks >= ~std::uint64_t{1}) {
        return true;
    }
    if (ticks > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        return false;
    }
    const auto signedTicks = static_cast<std::int64_t>(ticks);
    out.tv_sec = static_cast<time_t>(signedTicks / kTicksPerSecond - kSecondsFrom1601To1970);
    out.tv_nsec = static_cast<long>(signedTicks % kTicksPerSecond * 100);
    return true;
}

struct OpenFile {
    int fd;
    bool writable;
};

// Find handles carry a tag in their top byte, so a GDI handle or an HFILE never passes for one.
constexpr std::uintptr_t kFindTag = std::uintptr_t{0xF1} << 56;

class FileHandles {
  public:
    HANDLE AddFind() {
        std::lock_guard lock(mutex_);
        std::uintptr_t value;
        do {
            value = kFindTag | (nextFind_++ & 0x00FF'FFFF'FFFF'FFFF);
        } while (finds_.contains(value));
        finds_.insert(value);
        return reinterpret_cast<HANDLE>(value);
    }

    bool RemoveFind(HANDLE h) {
        std::lock_guard lock(mutex_);
        return finds_.erase(reinterpret_cast<std::uintptr_t>(h)) == 1;
    }

    HFILE AddFile(OpenFile file) {
        std::lock_guard lock(mutex_);
        HFILE value;
        do {
            value = nextFile_;
            nextFile_ = nextFile_ == INT_MAX ? 1 : nextFile_ + 1;
        } while (files_.contains(value));
        files_.emplace(value, file);
        return value;
    }

    // The file's descriptor and mode, or nothing (fd -1) for a handle that is not a live HFILE.
    OpenFile Find(std::intptr_t value) {
        std::lock_guard lock(mutex_);
        if (value <= 0 || value > INT_MAX) {
            return {-1, false};
        }
        const auto it = files_.find(static_cast<HFILE>(value));
        return it == files_.end() ? OpenFile{-1, false} : it->second;
    }

    int RemoveFile(HFILE h) {
        std::lock_guard lock(mutex_);
        const auto it = files_.find(h);
        if (it == files_.end()) {
            return -1;
        }
        const int fd = it->second.fd;
        files_.erase(it);
        return fd;
    }

  private:
    std::mutex mutex_;
    std::unordered_set<std::uintptr_t> finds_;
    std::uint64_t nextFind_ = 1;
    std::unordered_map<HFILE, OpenFile> files_;
    HFILE nextFile_ = 1;
};

FileHandles& Handles() {
    static FileHandles handles;
    return handles;
}

}  // namespace

HANDLE FindFirstFileA(LPCSTR lpFileName, WIN32_FIND_DATAA* lpFindFileData) {
    if (lpFileName == nullptr || lpFindFileData == nullptr) {
        return INVALID_HANDLE_VALUE;
    }
    const std::string_view name(lpFileName);
    // Windows finds nothing for a name that ends in a separator.
    if (name.empty() || name.back() == '/') {
        return INVALID_HANDLE_VALUE;
    }
    struct statx info {};
    if (::statx(AT_FDCWD, lpFileName, 0, STATX_BASIC_STATS | STATX_BTIME, &info) != 0) {
        return INVALID_HANDLE_VALUE;
    }

    WIN32_FIND_DATAA found{};
    const mode_t mode = info.stx_mode;
    if (S_ISDIR(mode)) {
        found.dwFileAttributes |= FILE_ATTRIBUTE_DIRECTORY;
    } else if (S_ISREG(mode)) {
        found.dwFileAttributes |= FILE_ATTRIBUTE_ARCHIVE;
        found.nFileSizeHigh = static_cast<DWORD>(info.stx_size >> 32);
        found.nFileSizeLow = static_cast<DWORD>(info.stx_size);
    }
    if (IsReadOnlyMode(mode)) {
        found.dwFileAttributes |= FILE_ATTRIBUTE_READONLY;
    }
    if (found.dwFileAttributes == 0) {
        found.dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
    }
    found.ftCreationTime =
        ToFileTime((info.stx_mask & STATX_BTIME) != 0 ? info.stx_btime : info.stx_ctime);
    found.ftLastAccessTime = ToFileTime(info.stx_atime);
    found.ftLastWriteTime = ToFileTime(info.stx_mtime);

    const std::string_view base = name.substr(name.find_last_of('/') + 1);
    base.copy(found.cFileName, std::min<std::size_t>(base.size(), MAX_PATH - 1));

    *lpFindFileData = found;
    return Handles().AddFind();
}

BOOL FindClose(HANDLE hFindFile) {
    return Handles().RemoveFind(hFindFile) ? TRUE : FALSE;
}

HFILE _lopen(LPCSTR lpPathName, int iReadWrite) {
    const int access = iReadWrite & 0x03;
    const int share = iReadWrite & 0x70;
    if (lpPathName == nullptr || (iReadWrite & ~0x73) != 0 || access == 0x03 ||
        share > OF_SHARE_DENY_NONE) {
        return HFILE_ERROR;
    }
    const int flags = access == OF_READ ? O_RDONLY : access == OF_WRITE ? O_WRONLY : O_RDWR;
    // O_NONBLOCK: opening a FIFO must not wait for its other end before we can refuse it.
    const int fd = ::open(lpPathName, flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return HFILE_ERROR;
    }
    struct stat info {};
    const bool writable = access != OF_READ;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        (writable && IsReadOnlyMode(info.st_mode))) {
        ::close(fd);
        return HFILE_ERROR;
    }
    return Handles().AddFile({fd, writable});
}

HFILE _lclose(HFILE hFile) {
    const int fd = Handles().RemoveFile(hFile);
    if (fd < 0) {
        return HFILE_ERROR;
    }
    return ::close(fd) == 0 ? 0 : HFILE_ERROR;
}

BOOL SetFileTime(HANDLE hFile, const FILETIME* /*lpCreationTime*/, const FILETIME* lpLastAccessTime,
                 const FILETIME* lpLastWriteTime) {
    const OpenFile file = Handles().Find(reinterpret_cast<std::intptr_t>(hFile));
    // Windows needs write access to the attributes, which a handle opened for reading lacks.
    if (file.fd < 0 || !file.writable) {
        return FALSE;
    }
    timespec times[2];
    if (!ToPosixTime(lpLastAccessTime, times[0]) || !ToPosixTime(lpLastWriteTime, times[1])) {
        return FALSE;
    }
    if (times[0].tv_nsec == UTIME_OMIT && times[1].tv_nsec == UTIME_OMIT) {
        return TRUE;
    }
    return ::futimens(file.fd, times) == 0 ? TRUE : FALSE;
}

BOOL SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes) {
    struct stat info {};
    if (lpFileName == nullptr || ::stat(lpFileName, &info) != 0) {
        return FALSE;
    }
    if (S_ISDIR(info.st_mode)) {
        return TRUE;
    }
    const mode_t now = info.st_mode & 07777;
    mode_t wanted = now;
    if ((dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
        wanted &= ~mode_t{S_IWUSR | S_IWGRP | S_IWOTH};
    } else if (IsReadOnlyMode(now)) {
        // The owner may write again; group and others where they may read and the umask allows.
        wanted |= S_IWUSR | (((now & (S_IRGRP | S_IROTH)) >> 1) & ~CurrentUmask());
    }
    if (wanted == now) {
        return TRUE;
    }
    return ::chmod(lpFileName, wanted) == 0 ? TRUE : FALSE;
}
