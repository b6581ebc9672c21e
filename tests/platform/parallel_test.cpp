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

using Files = std::map<std::string, std::string>;  // path -> contents; no other can be read

struct QuotaCase {
    const char* name;
    Files files;
    std::optional<std::size_t> processors;
};
void PrintTo(const QuotaCase& c, std::ostream* os) {
    *os << c.name;
}

class Quota : public ::testing::TestWithParam<QuotaCase> {};

TEST_P(Quota, LimitsTheProcessorsToTheLowestQuotaRoundedUp) {
    const Files& files = GetParam().files;
    EXPECT_EQ(orvane::platform::testing::CgroupProcessorLimit([&](const std::string& path) {
                  const auto at = files.find(path);
                  return at == files.end() ? std::nullopt : std::optional(at->second);
              }),
              GetParam().processors);
}

// A process in group /a/b of cgroup v2 mounted (as fsType) at /sys/fs/cgroup, with cpu.max in
// the groups given (below the mount).
Files V2(const Files& cpuMax, const std::string& group = "/a/b",
         const std::string& fsType = "cgroup2") {
    Files files{{"/proc/self/cgroup", "0::" + group + "\n"},
                {"/proc/self/mountinfo", "30 23 0:26 / /sys/fs/cgroup rw - " + fsType + " x rw\n"}};
    for (const auto& [folder, text] : cpuMax) {
        files["/sys/fs/cgroup" + folder + "/cpu.max"] = text;
    }
    return files;
}

// A process in group /a of the v1 hierarchy of those controllers, with that quota and period.
Files V1(const std::string& quota, const std::string& controllers = "cpu,cpuacct") {
    const std::string mount = "/sys/fs/cgroup/" + controllers;
    return {{"/proc/self/cgroup", "5:memory:/a\n4:" + controllers + ":/a\n0::/\n"},
            {"/proc/self/mountinfo",
             "32 31 0:29 / " + mount + " rw - cgroup cgroup rw," + controllers + "\n"},
            {mount + "/a/cpu.cfs_quota_us", quota + "\n"},
            {mount + "/a/cpu.cfs_period_us", "100000\n"}};
}

INSTANTIATE_TEST_SUITE_P(
    Groups, Quota,
    ::testing::Values(
        QuotaCase{"v2_no_quota", V2({{"/a/b", "max 100000\n"}}), std::nullopt},
        QuotaCase{"v2_two_and_a_half", V2({{"/a/b", "250000 100000\n"}}), 3},
        QuotaCase{"v2_below_one", V2({{"/a/b", "20000 100000\n"}}), 1},
        // A group above counts too, and the lowest wins.
        QuotaCase{"v2_parent_lower", V2({{"/a/b", "400000 100000"}, {"/a", "200000 100000"}}), 2},
        // In a container's own namespace its group is the root of what it sees.
        QuotaCase{"v2_namespace_root", V2({{"", "150000 100000"}}, "/"), 2},
        QuotaCase{"v2_mounted_at_its_group",
                  {{"/proc/self/cgroup", "0::/docker/1f3\n"},
                   {"/proc/self/mountinfo", "4 3 0:6 /docker/1f3 /sys/fs/cgroup ro - cgroup2 x rw"},
                   {"/sys/fs/cgroup/cpu.max", "100000 100000\n"}},
                  1},
        QuotaCase{"v2_damaged", V2({{"/a/b", "lots 100000\n"}}), std::nullopt},
        QuotaCase{"v2_no_period", V2({{"/a/b", "100000 0\n"}}), std::nullopt},
        QuotaCase{"v1_quota", V1("150000"), 2}, QuotaCase{"v1_no_quota", V1("-1"), std::nullopt},
        QuotaCase{"v1_cpuacct_is_not_cpu", V1("100000", "cpuacct"), std::nullopt},
        QuotaCase{"groups_unreadable", {}, std::nullopt},
        QuotaCase{"hierarchy_not_mounted", V2({{"/a/b", "100000 100000"}}, "/a/b", "tmpfs"),
                  std::nullopt}),
    orvane::testing::RowName());

}  // namespace
