#include "platform/app.h"

#include <filesystem>
#include <system_error>

namespace orvane::platform {

const std::string& AppExeName() {
    static const std::string name = [] {
        std::error_code error;
        const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
        return error ? std::string(kAppTitle) : exe.stem().string();
    }();
    return name;
}

}  // namespace orvane::platform
