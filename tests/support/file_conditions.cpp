#include "tests/support/file_conditions.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <stdexcept>

namespace orvane::testing {

ScopedFileSizeLimit::ScopedFileSizeLimit(std::uint64_t bytes) {
    if (::getrlimit(RLIMIT_FSIZE, &previous_) != 0) {
        throw std::runtime_error("getrlimit");
    }
    // Otherwise the process is killed at the limit instead of seeing the write fail.
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = previous_;
    limit.rlim_cur = bytes;
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
        throw std::runtime_error("setrlimit");
    }
}

ScopedFileSizeLimit::~ScopedFileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousHandler_);
}

ScopedTmpfs::ScopedTmpfs(const std::filesystem::path& folder, std::uint64_t bytes)
    : folder_(folder) {
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0700";
    mounted_ = ::geteuid() == 0 && ::mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV,
                                           options.c_str()) == 0;
}

ScopedTmpfs::~ScopedTmpfs() {
    if (mounted_ && ::umount(folder_.c_str()) != 0) {
        ::umount2(folder_.c_str(), MNT_DETACH);  // still busy: gone once the last user lets go
    }
}

std::optional<int> RunWithMemoryLimit(std::uint64_t bytes, const std::function<int()>& body) {
    // The memory controller's folder for this process: version 2's unified hierarchy, or the
    // controller's own hierarchy of version 1.
    std::filesystem::path group;
    std::string limitFile;
    std::ifstream groups("/proc/self/cgroup");
    for (std::string line; std::getline(groups, line);) {
        if (line.starts_with("0::") &&
            std::filesystem::exists("/sys/fs/cgroup/cgroup.controllers")) {
            group = "/sys/fs/cgroup" + line.substr(3);
            limitFile = "memory.max";
        } else if (const auto at = line.find(":memory:"); at != std::string::npos) {
            group = "/sys/fs/cgroup/memory" + line.substr(at + 8);
            limitFile = "memory.limit_in_bytes";
            break;
        }
    }
    const std::filesystem::path own = group / ("orvane-test-" + std::to_string(::getpid()));
    if (group.empty() || ::geteuid() != 0 || ::mkdir(own.c_str(), 0755) != 0) {
        return std::nullopt;
    }
    std::optional<int> status;
    if (std::ofstream(own / limitFile) << bytes) {
        const pid_t child = ::fork();
        if (child == 0) {
            const bool joined =
                static_cast<bool>(std::ofstream(own / "cgroup.procs") << ::getpid());
            ::_exit(joined ? body() : 127);
        }
        int waitStatus = 0;
        if (child > 0 && ::waitpid(child, &waitStatus, 0) == child &&
            !(WIFEXITED(waitStatus) && WEXITSTATUS(waitStatus) == 127)) {
            status = waitStatus;
        }
    }
    ::rmdir(own.c_str());
    return status;
}

ScopedUmask::ScopedUmask(mode_t mask) : previous_(::umask(mask)) {}
ScopedUmask::~ScopedUmask() {
    ::umask(previous_);
}

std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

mode_t PermissionBits(const std::filesystem::path& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        throw std::runtime_error("lstat " + path.string());
    }
    return info.st_mode & 07777;
}

WIN32_FIND_DATAA FindData(const std::string& path) {
    WIN32_FIND_DATAA data{};
    const HANDLE found = FindFirstFileA(path.c_str(), &data);
    EXPECT_NE(found, INVALID_HANDLE_VALUE) << path;
    if (found != INVALID_HANDLE_VALUE) {
        EXPECT_EQ(FindClose(found), TRUE);
    }
    return data;
}

std::uint64_t Ticks(const FILETIME& time) {
    return std::uint64_t{time.dwHighDateTime} << 32 | time.dwLowDateTime;
}

void SetTimes(const std::string& path, timespec access, timespec write) {
    const timespec times[2] = {access, write};
    EXPECT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

platform::RuntimeError RaisedError(const std::function<void()>& call) {
    try {
        call();
    } catch (const platform::RuntimeError& error) {
        return error;
    }
    return {0, "", ""};
}

int RaisedNumber(const std::function<void()>& call) {
    return RaisedError(call).Number();
}

}  // namespace orvane::testing
