#include "cli/process_pool.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <map>
#include <span>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "platform/parallel.h"

namespace orvane::cli {
namespace {

// The processors this process may use, lent to its children in shares. Each child that runs
// threads sizes them to its share, so the children together start one thread per processor,
// not one per processor each.
class ProcessorShares {
  public:
    ProcessorShares() {
        for (const int cpu : platform::UsableProcessorIds()) {
            users_.emplace(cpu, 0);
        }
    }

    // The share of a child that is one of `sharing` children still to be given one among those
    // that will run together: the idle processors split evenly, or, when none is idle, the one
    // least used. Empty when the processors are unknown.
    std::vector<int> Lend(std::size_t sharing) {
        const std::size_t idle = static_cast<std::size_t>(std::count_if(
            users_.begin(), users_.end(), [](const auto& p) { return p.second == 0; }));
        const std::size_t share =
            std::max<std::size_t>(1, idle / std::max<std::size_t>(1, sharing));
        std::vector<int> cpus;
        for (const auto& [cpu, users] : users_) {
            cpus.push_back(cpu);
        }
        std::stable_sort(cpus.begin(), cpus.end(),
                         [&](int a, int b) { return users_.at(a) < users_.at(b); });
        cpus.resize(std::min(share, cpus.size()));
        for (const int cpu : cpus) {
            ++users_.at(cpu);
        }
        return cpus;
    }

    void Return(std::span<const int> cpus) {
        for (const int cpu : cpus) {
            --users_.at(cpu);
        }
    }

  private:
    std::map<int, std::size_t> users_;  // processor -> children running on it
};

// The signals that stop the pool: Ctrl+C, kill's default, and the terminal going away.
constexpr std::array kStopSignals{SIGINT, SIGTERM, SIGHUP};

// What the handler shares with the pool: the first stop signal, and the pipe that wakes the
// pool's poll (a signal between a look at the flag and poll would otherwise wait for a child).
// Both are read by the handler, whenever it runs: neither may be seen half written.
volatile std::sig_atomic_t stopSignal = 0;
volatile std::sig_atomic_t wakeFd = -1;

extern "C" void NoteStopSignal(int signal) {
    if (stopSignal == 0) {
        stopSignal = signal;
    }
    const int saved = errno;
    const char byte = 0;
    // A full pipe already holds a wake-up: a byte that does not fit is not missed.
    [[maybe_unused]] const ssize_t written = ::write(wakeFd, &byte, 1);
    errno = saved;
}

// The stop signals caught for one RunJobs, and the dispositions they had put back afterwards.
class StopSignals {
  public:
    StopSignals() {
        if (::pipe2(wake_.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
            wake_ = {-1, -1};  // the flag alone still stops the pool, at the next child's end
        }
        wakeFd = wake_[1];
        stopSignal = 0;
        struct sigaction caught {};
        caught.sa_handler = NoteStopSignal;
        ::sigemptyset(&caught.sa_mask);
        // The pool's own waits see the signal through the pipe; every other call, a write of a
        // line to standard error say, goes on as if nothing had happened.
        caught.sa_flags = SA_RESTART;
        for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
            ::sigaction(kStopSignals[i], nullptr, &previous_[i]);
            // nohup's SIGHUP, or a shell's for a background job: whoever ignored it meant it.
            if (previous_[i].sa_handler != SIG_IGN) {
                ::sigaction(kStopSignals[i], &caught, nullptr);
            }
        }
    }
    ~StopSignals() {
        Restore();
        for (const int fd : wake_) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
        wakeFd = -1;
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The signal that stopped the pool, or 0.
    static int Received() { return stopSignal; }
    int WakeFd() const { return wake_[0]; }
    void Drain() const {
        char bytes[64];
        while (::read(wake_[0], bytes, sizeof bytes) > 0) {
        }
    }

    // In a child: the dispositions the program began with, so that the job dies of a stop signal
    // as any program does.
    void Restore() const {
        for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
            ::sigaction(kStopSignals[i], &previous_[i], nullptr);
        }
    }

  private:
    std::array<int, 2> wake_{};
    std::array<struct sigaction, kStopSignals.size()> previous_{};
};

// Holds the stop signals back while a child is made, so that none reaches a child before it
// has put back the program's own dispositions.
class HeldStopSignals {
  public:
    HeldStopSignals() {
        sigset_t held;
        ::sigemptyset(&held);
        for (const int signal : kStopSignals) {
            ::sigaddset(&held, signal);
        }
        ::sigprocmask(SIG_BLOCK, &held, &previous_);
    }
    ~HeldStopSignals() { Release(); }
    HeldStopSignals(const HeldStopSignals&) = delete;
    HeldStopSignals& operator=(const HeldStopSignals&) = delete;

    void Release() const { ::sigprocmask(SIG_SETMASK, &previous_, nullptr); }

  private:
    sigset_t previous_{};
};

// The child's side: the job, on its processors, its failure written to the report pipe.
[[noreturn]] void RunChild(const Job& job, std::size_t index, int reportPipe,
                           std::span<const int> cpus) {
    if (!cpus.empty()) {
        cpu_set_t share;
        CPU_ZERO(&share);
        for (const int cpu : cpus) {
            CPU_SET(cpu, &share);
        }
        // Refused, the child runs on all of the parent's processors: slower, no less right.
        ::sched_setaffinity(0, sizeof share, &share);
    }
    std::optional<std::string> failure;
    // Whatever happens, this copy of the parent must not go on with the parent's loop.
    try {
        failure = job(index);
    } catch (const std::exception& error) {
        failure = error.what();
    } catch (...) {
        failure = "unexpected error";
    }
    if (failure && failure->empty()) {
        failure = "failed without saying why";
    }
    // _exit writes out no buffer the job left.
    std::fflush(nullptr);
    if (failure) {
        const std::string& report = *failure;
        platform::WriteAll(reportPipe,
                           {reinterpret_cast<const BYTE*>(report.data()), report.size()});
    }
    ::_exit(failure ? 1 : 0);
}

// A job whose child runs.
struct Child {
    pid_t pid;
    int reportPipe;  // the read end of the pipe its failure comes through
    std::size_t index;
    std::string report;  // what has come through it so far
    std::vector<int> cpus;
};

// Waits for the child to end; nothing, with errno set, when it cannot be waited for.
std::optional<int> WaitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return std::nullopt;
        }
    }
    return status;
}

// status: as WaitFor returned it, errno untouched since.
JobOutcome OutcomeOf(const Child& child, std::optional<int> status) {
    if (!status) {
        return {child.index, std::string("cannot learn how it ended: ") + std::strerror(errno)};
    }
    if (WIFSIGNALED(*status)) {
        const int signal = WTERMSIG(*status);
        return {child.index,
                "killed by signal " + std::to_string(signal) + " (" + ::strsignal(signal) + ")",
                true};
    }
    if (WIFEXITED(*status) && WEXITSTATUS(*status) == 0) {
        return {child.index, std::nullopt};
    }
    if (!child.report.empty()) {
        return {child.index, child.report};
    }
    return {child.index, "exited with status " + std::to_string(WEXITSTATUS(*status))};
}

class Pool {
  public:
    Pool(std::size_t count, std::size_t slots, const Job& job, const JobEvents& events)
        : count_(count), slots_(std::max<std::size_t>(slots, 1)), job_(job), events_(events) {}

    int Run() {
        while ((next_ < count_ && StopSignals::Received() == 0) || !running_.empty()) {
            while (running_.size() < slots_ && next_ < count_ && StopSignals::Received() == 0) {
                Start(next_++);
            }
            if (StopSignals::Received() != 0 && !stopping_) {
                stopping_ = true;
                for (const Child& child : running_) {
                    ::kill(child.pid, SIGTERM);
                }
            }
            if (!running_.empty()) {
                ReadReports();
            }
        }
        return StopSignals::Received();
    }

  private:
    void Start(std::size_t index) {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) {
            NotStarted(index, errno);
            return;
        }
        const std::size_t together = std::min(slots_, running_.size() + (count_ - index));
        std::vector<int> cpus = shares_.Lend(together - running_.size());
        // Whatever this process has buffered would be written again by the child.
        std::fflush(nullptr);
        const pid_t parent = ::getpid();
        HeldStopSignals held;
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(ends[0]);
            ::close(signals_.WakeFd());
            // Killed with this process, also by SIGKILL; and at once if it has already gone.
            if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent) {
                ::_exit(1);
            }
            signals_.Restore();
            held.Release();
            RunChild(job_, index, ends[1], cpus);
        }
        const int error = errno;
        held.Release();
        ::close(ends[1]);
        if (pid < 0) {
            ::close(ends[0]);
            shares_.Return(cpus);
            NotStarted(index, error);
            return;
        }
        running_.push_back({pid, ends[0], index, {}, std::move(cpus)});
        events_.started(index);
    }

    void NotStarted(std::size_t index, int error) {
        events_.ended({index, std::string("not started: ") + std::strerror(error)});
    }

    // Waits until a child reports; takes in what it says, and reaps each that has ended.
    void ReadReports() {
        std::vector<pollfd> waiting;
        waiting.reserve(running_.size() + 1);
        for (const Child& child : running_) {
            waiting.push_back({child.reportPipe, POLLIN, 0});
        }
        waiting.push_back({signals_.WakeFd(), POLLIN, 0});
        if (::poll(waiting.data(), waiting.size(), -1) < 0) {
            if (errno == EINTR) {
                return;
            }
            // Without poll, a read waits for each child in turn.
            for (pollfd& each : waiting) {
                each.revents = POLLIN;
            }
        }
        if (waiting.back().revents != 0) {
            signals_.Drain();
        }
        for (std::size_t i = running_.size(); i-- > 0;) {
            if (waiting[i].revents != 0 && !Read(running_[i])) {
                Reap(i);
            }
        }
    }

    // False once the child has closed its end: it is ending.
    static bool Read(Child& child) {
        char buffer[4096];
        const ssize_t n = ::read(child.reportPipe, buffer, sizeof buffer);
        if (n > 0) {
            child.report.append(buffer, static_cast<std::size_t>(n));
        }
        return n > 0 || (n < 0 && errno == EINTR);
    }

    void Reap(std::size_t at) {
        const Child child = std::move(running_[at]);
        running_.erase(running_.begin() + static_cast<std::ptrdiff_t>(at));
        ::close(child.reportPipe);
        JobOutcome outcome = OutcomeOf(child, WaitFor(child.pid));
        // A child that a Ctrl+C killed with this process: the handler has run by the time its
        // end can be seen here, for the terminal signals every process of the group at once.
        outcome.stopped = outcome.killed && StopSignals::Received() != 0;
        shares_.Return(child.cpus);
        events_.ended(outcome);
    }

    std::size_t count_;
    std::size_t slots_;
    const Job& job_;
    const JobEvents& events_;
    ProcessorShares shares_;
    StopSignals signals_;
    std::vector<Child> running_;
    std::size_t next_ = 0;
    bool stopping_ = false;
};

}  // namespace

int RunJobs(std::size_t count, std::size_t slots, const Job& job, const JobEvents& events) {
    return Pool(count, slots, job, events).Run();
}

}  // namespace orvane::cli
