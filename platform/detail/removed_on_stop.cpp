#include "platform/detail/removed_on_stop.h"

#include <linux/limits.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <utility>

namespace orvane::platform::detail {
namespace {

// The signals that end a program that does not handle them, short of SIGKILL, and that are sent
// to stop it rather than because it went wrong.
constexpr std::array kStopSignals{SIGHUP, SIGINT, SIGTERM, SIGXCPU, SIGXFSZ};

// The handler may run on any thread, at any moment: it reads the names without a lock, so each
// slot is filled before it is marked held, and a name never changes while it is held.
enum SlotState : int { kFree, kFilling, kHeld };
static_assert(std::atomic<int>::is_always_lock_free);

struct Slot {
    std::atomic<int> state{kFree};
    char name[PATH_MAX];
};

constexpr int kSlots = 32;
std::array<Slot, kSlots> slots;

extern "C" void RemoveHeldFiles(int signal) {
    const int saved = errno;
    for (Slot& slot : slots) {
        if (slot.state.load(std::memory_order_acquire) == kHeld) {
            ::unlink(slot.name);
        }
    }
    // Ends as it would have ended without this handler: the signal, held back until the handler
    // returns, then meets the default disposition.
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    ::sigemptyset(&byDefault.sa_mask);
    ::sigaction(signal, &byDefault, nullptr);
    ::raise(signal);
    errno = saved;
}

// Takes each stop signal that still has its default disposition. Looked at again for every name:
// a forked child may have put back the dispositions its program began with.
void TakeStopSignals() {
    struct sigaction handler {};
    handler.sa_handler = RemoveHeldFiles;
    ::sigemptyset(&handler.sa_mask);
    // One stop at a time: a second signal waits until the first has removed the files.
    for (const int signal : kStopSignals) {
        ::sigaddset(&handler.sa_mask, signal);
    }
    handler.sa_flags = SA_RESTART;
    for (const int signal : kStopSignals) {
        struct sigaction now {};
        if (::sigaction(signal, nullptr, &now) == 0 && (now.sa_flags & SA_SIGINFO) == 0 &&
            now.sa_handler == SIG_DFL) {
            ::sigaction(signal, &handler, nullptr);
        }
    }
}

}  // namespace

RemovedOnStop::RemovedOnStop(const std::string& name) {
    if (name.empty() || name.size() >= PATH_MAX) {
        return;  // no such file could be made
    }
    TakeStopSignals();
    for (int i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (slots[i].state.compare_exchange_strong(expected, kFilling)) {
            std::memcpy(slots[i].name, name.c_str(), name.size() + 1);
            slots[i].state.store(kHeld, std::memory_order_release);
            slot_ = i;
            return;
        }
    }
}

RemovedOnStop::RemovedOnStop(RemovedOnStop&& other) noexcept
    : slot_(std::exchange(other.slot_, -1)) {}

RemovedOnStop& RemovedOnStop::operator=(RemovedOnStop&& other) noexcept {
    if (this != &other) {
        Release();
        slot_ = std::exchange(other.slot_, -1);
    }
    return *this;
}

void RemovedOnStop::Release() noexcept {
    if (slot_ >= 0) {
        slots[slot_].state.store(kFree, std::memory_order_release);
        slot_ = -1;
    }
}

}  // namespace orvane::platform::detail
