// Work spread over the processors this process may use.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

namespace orvane::platform {

// How many processors this process may use: those of its affinity mask (which taskset, and a
// parent that shares the machine out among its children, set), and no more than its control
// group's CPU quota lets it keep busy (a container's --cpus, systemd's CPUQuota), rounded up;
// the machine's count when the mask cannot be read. At least one. Painting, the JPEG's bands and
// the batch export all size their threads or processes by it.
std::size_t UsableProcessors();

// The processors of the affinity mask, lowest first, as many as UsableProcessors counts: those
// a parent lends to children it pins. Empty when the mask cannot be read.
std::vector<int> UsableProcessorIds();

// Runs job(0) to job(count - 1), each once, on at most `threads` threads, the caller's among
// them; the jobs are taken up in rising order and may run at the same time, so each must touch
// what no other one does. Returns when all have ended. When jobs throw, the exception of the
// lowest-numbered one that threw is rethrown, once every job before it has ended: the same
// exception as running them one after another would give. Jobs after a failed one may be
// skipped. Fewer threads than asked run all the same, the caller's at least.
void ParallelFor(std::size_t count, std::size_t threads,
                 const std::function<void(std::size_t index)>& job);

}  // namespace orvane::platform
