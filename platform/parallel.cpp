#include "platform/parallel.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <exception>
#include <fstream>
#include <iterator>
#include <limits>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/parallel_testing.h"

namespace orvane::platform {
namespace {

// The jobs of one ParallelFor and the first failure among them.
class Jobs {
  public:
    Jobs(std::size_t count, const std::function<void(std::size_t)>& job)
        : count_(count), job_(job) {}

    void Run() {
        for (std::size_t index = next_++; index < count_ && index < failedAt_; index = next_++) {
            try {
                job_(index);
            } catch (...) {
                Failed(index, std::current_exception());
            }
        }
    }

    void RethrowFirstFailure() const {
        if (failure_) {
            std::rethrow_exception(failure_);
        }
    }

  private:
    void Failed(std::size_t index, std::exception_ptr error) {
        const std::lock_guard lock(mutex_);
        if (index < failedAt_) {
            failedAt_ = index;
            failure_ = std::move(error);
        }
    }

    std::size_t count_;
    const std::function<void(std::size_t)>& job_;
    std::atomic<std::size_t> next_{0};
    // Jobs from here on need not run: one before them has failed. Read without the lock, as a
    // hint; failure_ is only read once every thread has been joined.
    std::atomic<std::size_t> failedAt_{std::numeric_limits<std::size_t>::max()};
    std::mutex mutex_;
    std::exception_ptr failure_;
};

// The processors this process may run on; nothing when the mask cannot be read (more
// processors than a cpu_set_t can tell of, say).
std::optional<cpu_set_t> Affinity() {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (::sched_getaffinity(0, sizeof allowed, &allowed) != 0 || CPU_COUNT(&allowed) == 0) {
        return std::nullopt;
    }
    return allowed;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::ifstream file(path);
    if (!file) {
        return std::nullopt;
    }
    std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (file.bad()) {
        return std::nullopt;
    }
    return text;
}

// The pieces of text between separators, empty ones left out.
std::vector<std::string_view> Split(std::string_view text, std::string_view separators) {
    std::vector<std::string_view> pieces;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find_first_of(separators, start), text.size());
        if (end > start) {
            pieces.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return pieces;
}

bool HasItem(std::string_view commaList, std::string_view item) {
    const std::vector<std::string_view> items = Split(commaList, ",");
    return std::find(items.begin(), items.end(), item) != items.end();
}

std::optional<std::int64_t> Whole(std::string_view text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// Processors' worth of time a quota of quota microseconds in every period allows; nothing for
// no quota.
std::optional<double> Share(std::optional<std::int64_t> quota, std::optional<std::int64_t> period) {
    if (!quota || !period || *quota <= 0 || *period <= 0) {
        return std::nullopt;
    }
    return static_cast<double>(*quota) / static_cast<double>(*period);
}

// cgroup v2: "max 100000", or "150000 100000" for one and a half processors.
std::optional<double> V2Share(const testing::ReadText& read, const std::string& group) {
    const std::optional<std::string> text = read(group + "/cpu.max");
    const std::vector<std::string_view> words =
        text ? Split(*text, " \t\n") : std::vector<std::string_view>{};
    if (words.size() != 2) {
        return std::nullopt;
    }
    return Share(Whole(words[0]), Whole(words[1]));
}

// cgroup v1: the quota is -1 where there is none.
std::optional<double> V1Share(const testing::ReadText& read, const std::string& group) {
    const auto number = [&](const char* file) -> std::optional<std::int64_t> {
        const std::optional<std::string> text = read(group + "/" + file);
        const std::vector<std::string_view> words =
            text ? Split(*text, " \t\n") : std::vector<std::string_view>{};
        return words.size() == 1 ? Whole(words[0]) : std::nullopt;
    };
    return Share(number("cpu.cfs_quota_us"), number("cpu.cfs_period_us"));
}

// Where a hierarchy is mounted, and which of its groups is the mount's root.
struct Mount {
    std::string point;
    std::string root;
};

// The cgroup2 hierarchy, and the v1 hierarchy that holds the cpu controller, from mountinfo:
// "32 31 0:29 / /sys/fs/cgroup/cpu rw,relatime - cgroup cgroup rw,cpu,cpuacct".
struct CgroupMounts {
    std::optional<Mount> v2;
    std::optional<Mount> v1Cpu;
};
CgroupMounts FindCgroupMounts(std::string_view mountinfo) {
    CgroupMounts mounts;
    for (const std::string_view line : Split(mountinfo, "\n")) {
        const std::vector<std::string_view> fields = Split(line, " ");
        const auto dash = std::find(fields.begin(), fields.end(), "-");
        if (dash - fields.begin() < 6 || fields.end() - dash < 4) {
            continue;
        }
        const Mount mount{std::string(fields[4]), std::string(fields[3])};
        if (dash[1] == "cgroup2" && !mounts.v2) {
            mounts.v2 = mount;
        } else if (dash[1] == "cgroup" && HasItem(dash[3], "cpu") && !mounts.v1Cpu) {
            mounts.v1Cpu = mount;
        }
    }
    return mounts;
}

// The lowest share set on group or any group above it, up to the mount's root. A group outside
// the mount's root (seen from another cgroup namespace) is taken to be the root itself.
std::optional<double> LowestShare(
    const Mount& mount, std::string_view group,
    const std::function<std::optional<double>(const std::string& folder)>& shareIn) {
    std::string_view below = group;
    if (mount.root != "/") {
        below = group.starts_with(mount.root) &&
                        (group.size() == mount.root.size() || group[mount.root.size()] == '/')
                    ? group.substr(mount.root.size())
                    : std::string_view{};
    }
    std::optional<double> lowest;
    std::string folder = mount.point + std::string(below == "/" ? "" : below);
    while (true) {
        if (const std::optional<double> share = shareIn(folder)) {
            lowest = std::min(lowest.value_or(*share), *share);
        }
        if (folder.size() <= mount.point.size()) {
            return lowest;
        }
        folder.resize(folder.rfind('/'));
    }
}

}  // namespace

namespace testing {

std::optional<std::size_t> CgroupProcessorLimit(const ReadText& read) {
    const std::optional<std::string> groups = read("/proc/self/cgroup");
    const std::optional<std::string> mountinfo = read("/proc/self/mountinfo");
    if (!groups || !mountinfo) {
        return std::nullopt;
    }
    const CgroupMounts mounts = FindCgroupMounts(*mountinfo);
    std::optional<double> lowest;
    const auto take = [&](std::optional<double> share) {
        if (share) {
            lowest = std::min(lowest.value_or(*share), *share);
        }
    };
    // "0::/user.slice/a.scope" in v2, "4:cpu,cpuacct:/docker/1f3" in v1; the path may hold ':'.
    for (const std::string_view line : Split(*groups, "\n")) {
        const std::size_t first = line.find(':');
        const std::size_t second =
            first == std::string_view::npos ? first : line.find(':', first + 1);
        if (second == std::string_view::npos) {
            continue;
        }
        const std::string_view controllers = line.substr(first + 1, second - first - 1);
        const std::string_view group = line.substr(second + 1);
        if (line.substr(0, first) == "0" && controllers.empty() && mounts.v2) {
            take(LowestShare(*mounts.v2, group,
                             [&](const std::string& folder) { return V2Share(read, folder); }));
        } else if (HasItem(controllers, "cpu") && mounts.v1Cpu) {
            take(LowestShare(*mounts.v1Cpu, group,
                             [&](const std::string& folder) { return V1Share(read, folder); }));
        }
    }
    if (!lowest) {
        return std::nullopt;
    }
    return std::max<std::size_t>(1, static_cast<std::size_t>(std::ceil(*lowest)));
}

}  // namespace testing

std::size_t UsableProcessors() {
    // A group's quota seldom changes while a program runs, and reading it takes a dozen files.
    static const std::optional<std::size_t> quota = testing::CgroupProcessorLimit(ReadWholeFile);
    std::size_t count = std::max(1u, std::thread::hardware_concurrency());
    if (const std::optional<cpu_set_t> allowed = Affinity()) {
        // Not cached: a parent pins each child to a share of its own.
        count = static_cast<std::size_t>(std::max(1, CPU_COUNT(&*allowed)));
    }
    return quota ? std::min(count, *quota) : count;
}

std::vector<int> UsableProcessorIds() {
    std::vector<int> ids;
    if (const std::optional<cpu_set_t> allowed = Affinity()) {
        const std::size_t usable = UsableProcessors();
        for (int cpu = 0; cpu < CPU_SETSIZE && ids.size() < usable; ++cpu) {
            if (CPU_ISSET(cpu, &*allowed)) {
                ids.push_back(cpu);
            }
        }
    }
    return ids;
}

void ParallelFor(std::size_t count, std::size_t threads,
                 const std::function<void(std::size_t index)>& job) {
    Jobs jobs(count, job);
    {
        std::vector<std::jthread> helpers;
        const std::size_t wanted = std::min(threads, count);
        helpers.reserve(wanted);
        for (std::size_t i = 1; i < wanted; ++i) {
            try {
                helpers.emplace_back([&jobs] { jobs.Run(); });
            } catch (const std::system_error&) {
                break;  // the threads there are take the jobs between them
            }
        }
        jobs.Run();
    }
    jobs.RethrowFirstFailure();
}

}  // namespace orvane::platform
