// Jobs run each in a child process of its own, forked from this one, a few at a time. A child
// keeps its job's state, its memory and any crash to itself; what comes back to the parent is
// how the child ended and, when the job failed, one line that says why.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace orvane::cli {

// A job, run in a child process: nothing when it did its work, else why not. An exception that
// escapes it fails it with the exception's text.
using Job = std::function<std::optional<std::string>(std::size_t index)>;

// How the child of one job ended.
struct JobOutcome {
    std::size_t index;
    // Why the job failed: what it returned, how its child ended when that child could not say
    // ("killed by signal 9 (Killed)"), or why no child could be made. Nothing when it succeeded.
    std::optional<std::string> failure;
    // Ended by a signal, so the job could not clean up after itself.
    bool killed = false;
    // Ended by the pool itself, or by the same signal, once the pool was told to stop: not a
    // failure of the job's own.
    bool stopped = false;
};

// What the caller hears while the jobs run, in the order it happens.
struct JobEvents {
    std::function<void(std::size_t index)> started = [](std::size_t) {};  // the job's child runs
    std::function<void(const JobOutcome&)> ended = [](const JobOutcome&) {};  // or was not made
};

// Runs jobs 0 to count - 1, each in a child process of its own, at most `slots` at a time (at
// least one). The processors this process may use are shared out among the children that run
// together: one each while every slot is taken, all of them to a child that runs alone. A job
// that starts threads should start as many as its own processors (platform::UsableProcessors).
//
// SIGINT, SIGTERM or SIGHUP while the jobs run (Ctrl+C, kill, a closed terminal) stops the pool:
// it starts no more jobs, sends its running children SIGTERM, waits for every one of them, and
// returns that signal, which the caller should raise again once it has said what it must (the
// shell then shows how the program ended). A signal that was ignored when RunJobs began (SIGHUP
// under nohup) stays ignored, by the pool and by its children. Returns 0 when every job ran.
// A child never outlives this process: it is killed when this process ends, however it ends.
// One RunJobs at a time in a process.
int RunJobs(std::size_t count, std::size_t slots, const Job& job, const JobEvents& events);

}  // namespace orvane::cli
