// The control group's CPU quota as UsableProcessors reads it, from files a test gives.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace orvane::platform::testing {

// A file's contents, or nothing when it cannot be read.
using ReadText = std::function<std::optional<std::string>(const std::string& path)>;

// The processors the CPU quota of this process's control groups lets it keep busy, rounded up:
// its groups found through /proc/self/cgroup and where their hierarchies are mounted through
// /proc/self/mountinfo, and in each group from its own up to its hierarchy's root the quota of
// cgroup v2's cpu.max or v1's cpu.cfs_quota_us over cpu.cfs_period_us; the lowest of them.
// Nothing when no group sets a quota, or none can be read.
std::optional<std::size_t> CgroupProcessorLimit(const ReadText& read);

}  // namespace orvane::platform::testing
