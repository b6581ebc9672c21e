// ParallelFor: jobs spread over threads fail as they would one after another; and how many
// processors a process may use, its affinity mask and its control group's CPU quota.
#include "platform/parallel.h"

#include <gtest/gtest.h>
#include <sched.h>

#include <array>
#include <atomic>
#include <chrono>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/parallel_testing.h"
#include "tests/support/row_name.h"

namespace {

// Job 70 fails first, while job 30 is still at work: the failure reported is job 30's, and every
// job before it has run, once.
TEST(ParallelFor, RethrowsTheLowestFailingJobsErrorOnceAllBeforeItRan) {
    std::array<std::atomic<int>, 100> runs{};
    try {
        orvane::platform::ParallelFor(runs.size(), 4, [&](std::size_t job) {
            ++runs[job];
            if (job == 30) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            if (job == 30 || job == 70) {
                throw std::runtime_error("job " + std::to_string(job));
            }
        });
        FAIL() << "nothing was thrown";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "job 30");
    }
    for (std::size_t job = 0; job <= 30; ++job) {
        EXPECT_EQ(runs[job], 1) << "job " << job;
    }
}

// The batch export pins each of its processes to a share of the processors; each must then start
// as many threads as its share, not one for every processor of the machine.
TEST(UsableProcessors, AreThoseOfTheAffinityMask) {
    std::thread([] {
        cpu_set_t cpus;
        ASSERT_EQ(sched_getaffinity(0, sizeof cpus, &cpus), 0);
        int first = 0;
        while (!CPU_ISSET(first, &cpus)) {
            ++first;
        }
        CPU_ZERO(&cpus);
        CPU_SET(first, &cpus);
        ASSERT_EQ(sched_setaffinity(0, sizeof cpus, &cpus), 0);  // this thread alone
        EXPECT_EQ(orvane::platform::UsableProcessors(), 1u);
        EXPECT_EQ(orvane::platform::UsableProcessorIds(), std::vector<int>{first});
    }).join();
}

struct QuotaCase {
    const char* name;
    std::map<std::string, std::string> files;  // path -> contents; any other cannot be read
    std::optional<std::size_t> processors;
};
void PrintTo(const QuotaCase& c, std::ostream* os) {
    *os << c.name;
}

class Quota : public ::testing::TestWithParam<QuotaCase> {};

TEST_P(Quota, LimitsTheProcessorsToTheLowestQuotaRoundedUp) {
    const QuotaCase& c = GetParam();
    EXPECT_EQ(orvane::platform::testing::CgroupProcessorLimit(
                  [&](const std::string& path) -> std::optional<std::string> {
                      const auto at = c.files.find(path);
                      return at == c.files.end() ? std::nullopt : std::optional(at->second);
                  }),
              c.processors);
}

const std::string kGroups = "/proc/self/cgroup";
const std::string kMounts = "/proc/self/mountinfo";
const std::string kV2 = "30 23 0:26 / /sys/fs/cgroup rw,nosuid shared:4 - cgroup2 cgroup2 rw\n";
const std::string kV1 =
    "32 31 0:29 / /sys/fs/cgroup/cpu,cpuacct rw,relatime - cgroup cgroup rw,cpu,cpuacct\n";
const std::string kApp = "/sys/fs/cgroup/app.slice/run.scope";
const std::string kV1App = "/sys/fs/cgroup/cpu,cpuacct/app";

INSTANTIATE_TEST_SUITE_P(
    Groups, Quota,
    ::testing::Values(
        QuotaCase{"v2_no_quota",
                  {{kGroups, "0::/app.slice/run.scope\n"},
                   {kMounts, kV2},
                   {kApp + "/cpu.max", "max 100000\n"}},
                  std::nullopt},
        QuotaCase{"v2_two_and_a_half",
                  {{kGroups, "0::/app.slice/run.scope\n"},
                   {kMounts, kV2},
                   {kApp + "/cpu.max", "250000 100000\n"}},
                  3},
        QuotaCase{"v2_below_one",
                  {{kGroups, "0::/app.slice/run.scope\n"},
                   {kMounts, kV2},
                   {kApp + "/cpu.max", "20000 100000\n"}},
                  1},
        // The quota of a group above counts too, and the lowest wins.
        QuotaCase{"v2_parent_lower",
                  {{kGroups, "0::/app.slice/run.scope\n"},
                   {kMounts, kV2},
                   {kApp + "/cpu.max", "400000 100000\n"},
                   {"/sys/fs/cgroup/app.slice/cpu.max", "200000 100000\n"}},
                  2},
        // In a container's own namespace its group is the root of what it sees.
        QuotaCase{
            "v2_namespace_root",
            {{kGroups, "0::/\n"}, {kMounts, kV2}, {"/sys/fs/cgroup/cpu.max", "150000 100000"}},
            2},
        QuotaCase{"v2_mounted_at_its_group",
                  {{kGroups, "0::/docker/1f3\n"},
                   {kMounts, "40 30 0:26 /docker/1f3 /sys/fs/cgroup ro - cgroup2 cgroup2 rw\n"},
                   {"/sys/fs/cgroup/cpu.max", "100000 100000\n"}},
                  1},
        QuotaCase{"v1_quota",
                  {{kGroups, "5:memory:/app\n4:cpu,cpuacct:/app\n0::/\n"},
                   {kMounts, kV1 + kV2},
                   {kV1App + "/cpu.cfs_quota_us", "150000\n"},
                   {kV1App + "/cpu.cfs_period_us", "100000\n"}},
                  2},
        QuotaCase{"v1_no_quota",
                  {{kGroups, "4:cpu,cpuacct:/app\n"},
                   {kMounts, kV1},
                   {kV1App + "/cpu.cfs_quota_us", "-1\n"},
                   {kV1App + "/cpu.cfs_period_us", "100000\n"}},
                  std::nullopt},
        QuotaCase{"v1_cpuacct_is_not_cpu",
                  {{kGroups, "2:cpuacct:/app\n"},
                   {kMounts, "33 31 0:30 / /sys/fs/cgroup/cpuacct rw - cgroup cgroup rw,cpuacct\n"},
                   {"/sys/fs/cgroup/cpuacct/app/cpu.cfs_quota_us", "100000\n"},
                   {"/sys/fs/cgroup/cpuacct/app/cpu.cfs_period_us", "100000\n"}},
                  std::nullopt},
        QuotaCase{"damaged_quota",
                  {{kGroups, "0::/app.slice/run.scope\n"},
                   {kMounts, kV2},
                   {kApp + "/cpu.max", "lots 100000\n"}},
                  std::nullopt},
        QuotaCase{"no_period",
                  {{kGroups, "0::/app.slice/run.scope\n"},
                   {kMounts, kV2},
                   {kApp + "/cpu.max", "100000 0\n"}},
                  std::nullopt},
        QuotaCase{"groups_unreadable", {{kMounts, kV2}}, std::nullopt},
        QuotaCase{"hierarchy_not_mounted",
                  {{kGroups, "0::/app.slice/run.scope\n"},
                   {kMounts, kV1},
                   {kApp + "/cpu.max", "100000 100000\n"}},
                  std::nullopt}),
    orvane::testing::RowName());

}  // namespace
