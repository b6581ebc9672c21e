#include "viewer/recent_files.h"

#include <algorithm>
#include <filesystem>

namespace orvane::viewer {

std::string AbsoluteFileName(const std::string& fileName) {
    if (fileName.empty()) {
        return fileName;
    }
    std::error_code noFolder;  // the working folder gone: the name stays as it is
    const std::filesystem::path absolute = std::filesystem::absolute(fileName, noFolder);
    if (noFolder) {
        return fileName;
    }
    std::filesystem::path kept;
    for (const std::filesystem::path& part : absolute) {
        if (part != ".") {
            kept /= part;
        }
    }
    return kept.string();
}

RecentFiles::RecentFiles(const std::vector<std::string>& files) {
    // The oldest first, so that the latest ends up in front.
    for (std::size_t i = files.size(); i-- > 0;) {
        if (std::filesystem::path(files[i]).is_absolute()) {
            Add(files[i]);
        }
    }
}

void RecentFiles::Add(const std::string& fileName) {
    std::erase(files_, fileName);
    files_.insert(files_.begin(), fileName);
    if (files_.size() > kKept) {
        files_.resize(kKept);
    }
}

}  // namespace orvane::viewer
