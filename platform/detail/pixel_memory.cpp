#include "platform/detail/pixel_memory.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <string_view>
#include <utility>

namespace orvane::platform::detail {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kUnknown = std::numeric_limits<std::uint64_t>::max();

// The value of "key value" lines (/proc/meminfo, memory.stat), or kUnknown.
std::uint64_t Field(const fs::path& file, std::string_view key) {
    std::ifstream in(file);
    for (std::string name; in >> name;) {
        std::uint64_t value = 0;
        if (!(in >> value)) {
            in.clear();
        }
        in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
        if (name == key) {
            return value;
        }
    }
    return kUnknown;
}

std::uint64_t Number(const fs::path& file) {
    std::ifstream in(file);
    std::uint64_t value = 0;
    return in >> value ? value : kUnknown;  // "max" reads as unknown: no limit
}

// What the memory cgroups of this process and those above them still allow: the tightest limit
// less what the group holds but could not give back (its file cache can be dropped). Control
// groups of both versions: v2 in the unified hierarchy, v1 in the memory controller's own.
std::uint64_t CgroupRoom() {
    std::uint64_t room = kUnknown;
    std::ifstream groups("/proc/self/cgroup");
    for (std::string line; std::getline(groups, line);) {
        const std::size_t first = line.find(':');
        const std::size_t second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos) {
            continue;
        }
        const std::string_view controllers =
            std::string_view(line).substr(first + 1, second - first - 1);
        const bool v2 = controllers.empty();
        if (!v2 && controllers != "memory") {
            continue;
        }
        const fs::path root = v2 ? "/sys/fs/cgroup" : "/sys/fs/cgroup/memory";
        const char* limitName = v2 ? "memory.max" : "memory.limit_in_bytes";
        const char* usageName = v2 ? "memory.current" : "memory.usage_in_bytes";
        const char* cacheName = v2 ? "file" : "total_cache";
        fs::path group = fs::path(line.substr(second + 1)).relative_path();
        while (true) {
            const fs::path folder = root / group;
            const std::uint64_t limit = Number(folder / limitName);
            const std::uint64_t usage = Number(folder / usageName);
            if (limit != kUnknown && usage != kUnknown) {
                std::uint64_t cache = Field(folder / "memory.stat", cacheName);
                cache = cache == kUnknown ? 0 : std::min(cache, usage);
                const std::uint64_t held = usage - cache;
                room = std::min(room, limit > held ? limit - held : 0);
            }
            if (group.empty()) {
                break;
            }
            group = group.parent_path();
        }
    }
    return room;
}

}  // namespace

bool CanBeBacked(std::size_t bytes) {
    const std::uint64_t availableKiB = Field("/proc/meminfo", "MemAvailable:");
    const std::uint64_t swapKiB = Field("/proc/meminfo", "SwapFree:");
    std::uint64_t room = CgroupRoom();
    if (availableKiB != kUnknown) {
        room = std::min(room, (availableKiB + (swapKiB == kUnknown ? 0 : swapKiB)) * 1024);
    }
    return bytes <= room;
}

PixelMemory PixelMemory::Allocate(std::size_t bytes) {
    constexpr std::size_t kHugePage = std::size_t{2} << 20;
    PixelMemory memory;
    if (bytes < 2 * kHugePage) {
        memory.data_ = static_cast<BYTE*>(std::calloc(bytes, 1));
        return memory;
    }
    // A large block is refused up front when it could not be backed.
    if (!CanBeBacked(bytes)) {
        return memory;
    }
    // Huge pages need 2 MiB alignment: map one huge page more and give back the ends. The map is
    // accounted against the commit limit (no MAP_NORESERVE), so that where the kernel keeps one,
    // a block it cannot back fails here too.
    const std::size_t size = (bytes + kHugePage - 1) & ~(kHugePage - 1);
    void* mapped = ::mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
        return memory;
    }
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + kHugePage - 1) & ~(std::uintptr_t{kHugePage} - 1);
    if (aligned > start) {
        ::munmap(mapped, aligned - start);
    }
    if (const std::size_t tail = start + kHugePage - aligned; tail > 0) {
        ::munmap(reinterpret_cast<void*>(aligned + size), tail);
    }
    // Not the last, partly used huge page: it would be backed whole, and the export's peak of
    // memory is counted against the picture's own bytes.
    ::madvise(reinterpret_cast<void*>(aligned), bytes & ~(kHugePage - 1), MADV_HUGEPAGE);
    memory.data_ = reinterpret_cast<BYTE*>(aligned);
    memory.mapped_ = size;
    return memory;
}

PixelMemory PixelMemory::Reserve(std::size_t bytes) {
    PixelMemory memory;
    const std::size_t size = std::max<std::size_t>(bytes, 1);
    void* mapped = ::mmap(nullptr, size, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (mapped != MAP_FAILED) {
        memory.data_ = static_cast<BYTE*>(mapped);
        memory.mapped_ = size;
    }
    return memory;
}

PixelMemory::~PixelMemory() {
    if (mapped_ != 0) {
        ::munmap(data_, mapped_);
    } else {
        std::free(data_);
    }
}

PixelMemory::PixelMemory(PixelMemory&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), mapped_(std::exchange(other.mapped_, 0)) {}

PixelMemory& PixelMemory::operator=(PixelMemory&& other) noexcept {
    if (this != &other) {
        PixelMemory old(std::move(*this));
        data_ = std::exchange(other.data_, nullptr);
        mapped_ = std::exchange(other.mapped_, 0);
    }
    return *this;
}

}  // namespace orvane::platform::detail
