// The pool that runs orvane-export's batch, on jobs that do next to nothing: how each child ends
// comes back as its outcome, and no more children run at once than there are slots.
#include "cli/process_pool.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <stdexcept>
#include <thread>

#include "tests/support/row_name.h"

namespace {

using orvane::cli::Job;
using orvane::cli::JobEvents;
using orvane::cli::JobOutcome;
using orvane::cli::RunJobs;
using Failures = std::vector<std::optional<std::string>>;

std::size_t OwnProcessors() {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    return ::sched_getaffinity(0, sizeof allowed, &allowed) == 0 ? CPU_COUNT(&allowed) : 0;
}
const std::size_t kProcessors = OwnProcessors();

struct PoolCase {
    const char* name;
    std::size_t slots;
    Job job;
    Failures failures;  // one for each job that runs, in the order of the jobs
    bool killed = false;
    int stoppedBy = 0;          // the signal that stops the pool
    std::size_t extraJobs = 0;  // jobs that the stop keeps from starting
};
void PrintTo(const PoolCase& c, std::ostream* os) {
    *os << c.name;
}

class Pool : public ::testing::TestWithParam<PoolCase> {};

TEST_P(Pool, ReportsHowEachChildEnded) {
    const PoolCase& c = GetParam();
    std::vector<JobOutcome> outcomes;
    std::size_t running = 0;
    std::size_t mostAtOnce = 0;
    const JobEvents events{
        .started = [&](std::size_t) { mostAtOnce = std::max(mostAtOnce, ++running); },
        .ended =
            [&](const JobOutcome& outcome) {
                --running;
                outcomes.push_back(outcome);
            },
    };

    EXPECT_EQ(RunJobs(c.failures.size() + c.extraJobs, c.slots, c.job, events), c.stoppedBy);

    std::sort(outcomes.begin(), outcomes.end(),
              [](const JobOutcome& a, const JobOutcome& b) { return a.index < b.index; });
    ASSERT_EQ(outcomes.size(), c.failures.size());
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        EXPECT_EQ(outcomes[i].index, i);
        EXPECT_EQ(outcomes[i].failure, c.failures[i]) << "job " << i;
        EXPECT_EQ(outcomes[i].killed, c.killed) << "job " << i;
        EXPECT_EQ(outcomes[i].stopped, c.stoppedBy != 0) << "job " << i;
    }
    EXPECT_EQ(mostAtOnce, std::min(c.slots, c.failures.size()));
}

// A job that fails to say how many processors its child may use.
std::optional<std::string> ProcessorsSeen(std::size_t) {
    return std::to_string(OwnProcessors());
}

INSTANTIATE_TEST_SUITE_P(
    Jobs, Pool,
    ::testing::Values(
        PoolCase{"success", 1, [](std::size_t) { return std::nullopt; }, {std::nullopt}},
        PoolCase{"failure_with_a_message", 1, [](std::size_t) { return "no room"; }, {"no room"}},
        PoolCase{
            "exception",
            1,
            [](std::size_t) -> std::optional<std::string> { throw std::runtime_error("thrown"); },
            {"thrown"}},
        PoolCase{"exit_without_a_word",
                 1,
                 [](std::size_t) -> std::optional<std::string> { ::_exit(3); },
                 {"exited with status 3"}},
        PoolCase{"killed_by_a_signal",
                 2,
                 [](std::size_t) -> std::optional<std::string> {
                     std::raise(SIGTERM);
                     return std::nullopt;
                 },
                 {"killed by signal 15 (Terminated)", "killed by signal 15 (Terminated)"},
                 true},
        // The pool is told to stop while its first job runs: that child is stopped, and the
        // second job never starts.
        PoolCase{"stopped_by_a_signal",
                 1,
                 [](std::size_t) -> std::optional<std::string> {
                     ::kill(::getppid(), SIGHUP);
                     ::pause();
                     return std::nullopt;
                 },
                 {"killed by signal 15 (Terminated)"},
                 true,
                 SIGHUP,
                 1},
        // Jobs long enough to overlap, so that a pool starting too many would be seen to.
        PoolCase{"more_jobs_than_slots",
                 2,
                 [](std::size_t index) -> std::optional<std::string> {
                     std::this_thread::sleep_for(std::chrono::milliseconds(30));
                     return index % 2 == 0 ? std::nullopt : std::optional(std::to_string(index));
                 },
                 {std::nullopt, "1", std::nullopt, "3", std::nullopt}},
        PoolCase{"no_jobs", 4, [](std::size_t) { return std::nullopt; }, {}},
        PoolCase{"a_child_alone_uses_every_processor",
                 kProcessors,
                 ProcessorsSeen,
                 {std::to_string(kProcessors)}},
        PoolCase{"a_full_pool_gives_one_processor_each", kProcessors, ProcessorsSeen,
                 Failures(kProcessors, "1")}),
    orvane::testing::RowName());

}  // namespace
