// ParallelFor: jobs spread over threads fail as they would one after another.
#include "platform/parallel.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

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

}  // namespace
