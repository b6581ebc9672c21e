#include "platform/app.h"

#include <filesystem>
#include <system_error>

#include "platform/app_version.h"

namespace orvane::platform {

const std::string& AppExeName() {
    static const std::string name = [] {
        std::error_code error;
        const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
        return error ? std::string(kAppTitle) : exe.stem().string();
    }();
    return name;
}

std::string_view AppVersion() {
    return kAppVersion;
}

}  // namespace orvane::platform
