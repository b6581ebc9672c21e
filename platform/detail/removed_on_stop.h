// Named temporary files that go with the process when a signal ends it. Internal to platform/.
#pragma once

#include <string>

namespace orvane::platform::detail {

// Holds a file's name while this object lives: if the process is ended meanwhile by a signal that
// asks it to stop (SIGINT, SIGTERM, SIGHUP, or a resource limit's SIGXCPU or SIGXFSZ), the file
// of that name is deleted first, and the process then ends by that signal as it would have
// without. Only signals whose disposition is the default one are taken: one that is ignored
// stays ignored, and one that the program handles itself is the program's to handle. SIGKILL
// cannot be caught, so a process killed that way leaves the file.
//
// Take the name before the file is made and let it go after the file is renamed or deleted: a
// signal between the two finds no file of that name, where the other order could leave one.
// The handler deletes by name, so only a name that no one else could have made belongs here.
// At most a few dozen names at a time in a process; past that a name is not held.
class RemovedOnStop {
  public:
    RemovedOnStop() = default;
    explicit RemovedOnStop(const std::string& name);
    ~RemovedOnStop() { Release(); }
    RemovedOnStop(RemovedOnStop&& other) noexcept;
    RemovedOnStop& operator=(RemovedOnStop&& other) noexcept;
    RemovedOnStop(const RemovedOnStop&) = delete;
    RemovedOnStop& operator=(const RemovedOnStop&) = delete;

    // Lets the name go: the file is no longer deleted on a signal.
    void Release() noexcept;

  private:
    int slot_ = -1;
};

}  // namespace orvane::platform::detail
