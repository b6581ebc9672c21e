#include "platform/parallel.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <limits>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

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

}  // namespace

std::size_t UsableProcessors() {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (::sched_getaffinity(0, sizeof allowed, &allowed) == 0) {
        if (const int count = CPU_COUNT(&allowed); count > 0) {
            return static_cast<std::size_t>(count);
        }
    }
    // More processors than a cpu_set_t can tell of, say.
    return std::max(1u, std::thread::hardware_concurrency());
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
