#include "cli/progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>

#include "cli/arguments.h"
#include "cli/standard_error.h"

namespace orvane::cli {

Progress::Progress(std::size_t total) : total_(total), shown_(::isatty(STDERR_FILENO) == 1) {}

void Progress::Started(std::string_view tileset) {
    running_.emplace_back(tileset);
    Draw();
}

void Progress::Ended(std::string_view tileset) {
    ++done_;
    if (const auto at = std::find(running_.begin(), running_.end(), tileset);
        at != running_.end()) {
        running_.erase(at);
    }
    Draw();
}

void Progress::Say(const std::string& line) {
    WriteStandardError(ClearedLine() + line + '\n');
    Draw();
}

void Progress::Finish(std::size_t failed, const std::string& folder) {
    if (shown_) {
        WriteStandardError(ClearedLine() + std::string(kPrefix) + std::to_string(total_ - failed) +
                           " of " + std::to_string(total_) + " exported to " +
                           ShellQuoted(folder, Quotes::WhereNeeded) + '\n');
    }
}

void Progress::Interrupted(std::size_t exported) {
    WriteStandardError(ClearedLine() + std::string(kPrefix) + "interrupted: " +
                       std::to_string(exported) + " of " + std::to_string(total_) + " exported\n");
}

std::string Progress::ClearedLine() const {
    return shown_ ? "\r\033[K" : "";
}

void Progress::Draw() const {
    if (!shown_) {
        return;
    }
    std::string line =
        std::string(kPrefix) + std::to_string(done_) + "/" + std::to_string(total_) + " done";
    if (!running_.empty()) {
        line += ", exporting ";
        // A line that wraps could not be redrawn in place: a long name loses its beginning.
        winsize size{};
        const std::size_t columns =
            ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
        const std::size_t room = columns - std::min(columns, line.size() + 1);
        const std::string current = ShellQuoted(running_.back(), Quotes::WhereNeeded);
        if (current.size() <= room || room < 4) {
            line += current.substr(0, room);
        } else {
            line.append("...").append(current.substr(current.size() - (room - 3)));
        }
    }
    WriteStandardError(ClearedLine() + line);
}

}  // namespace orvane::cli
