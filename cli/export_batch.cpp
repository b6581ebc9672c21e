#include "cli/export_batch.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <thread>

#include "platform/files.h"

namespace orvane::cli {

const std::string_view kBatchDetails = R"(
Exporting many tilesets:
  orvane-export --to DIR --format jpg|bmp TILESET...
Exports each TILESET exactly as the two-argument form does, to DIR, named after the tileset's
file name with its extension replaced: tiles/forest.tst becomes DIR/forest.jpg with --format
jpg, DIR/forest.bmp with --format bmp. The options may also be written --to=DIR and
--format=jpg, in any order, before or among the tilesets; after "--" every argument is a
tileset. DIR must be an existing folder; a picture already in it is replaced only once the new
one is complete.

The tilesets are exported in parallel, as many at a time as the computer runs threads, each in
a process of its own. A tileset that cannot be read or written is reported on standard error in
one line that begins with its name, and leaves no picture, not even part of one; the others are
exported all the same. On a terminal, standard error also shows how many tilesets are done and
which one is being exported; otherwise only failures are printed. Nothing goes to standard
output.

Exit status of this form:
  0  every picture was written
  1  at least one tileset failed; each is named on standard error
  2  wrong usage (--to or --format missing or given twice, a format other than jpg or bmp
     exactly, DIR not an existing folder, no TILESET, an empty TILESET, or two tilesets that
     would write the same picture); nothing is read or written
)";

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kTo = "--to";
constexpr std::string_view kFormat = "--format";
constexpr std::string_view kPrefix = "orvane-export: ";

std::string Quoted(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    return quoted.append(1, '\'').append(text).append(1, '\'');
}

std::string OutputFor(const BatchRequest& request, const std::string& tileset) {
    return (fs::path(request.folder) /
            (fs::path(tileset).stem().string() + "." + request.extension))
        .string();
}

// One line on standard error, redrawn in place, while standard error is a terminal.
class Progress {
  public:
    explicit Progress(std::size_t total) : total_(total), shown_(::isatty(STDERR_FILENO) == 1) {}

    void Show(std::size_t done, std::string_view current) {
        done_ = done;
        current_ = current;
        Draw();
    }

    // A line of its own, above the progress.
    void Say(const std::string& line) {
        std::cerr << (shown_ ? "\r\033[K" : "") << line << '\n';
        Draw();
    }

    void Finish(std::size_t failed, const std::string& folder) {
        if (shown_) {
            std::cerr << "\r\033[K" << kPrefix << total_ - failed << " of " << total_
                      << " exported to " << folder << '\n';
        }
    }

  private:
    void Draw() const {
        if (!shown_) {
            return;
        }
        std::string line =
            std::string(kPrefix) + std::to_string(done_) + "/" + std::to_string(total_) + " done";
        if (!current_.empty()) {
            line += ", exporting ";
            // A line that wraps could not be redrawn in place: a long name loses its beginning.
            winsize size{};
            const std::size_t columns =
                ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col
                                                                                  : 80;
            const std::size_t room = columns - std::min(columns, line.size() + 1);
            const std::string_view current = current_;
            if (current.size() <= room || room < 4) {
                line += current.substr(0, room);
            } else {
                line.append("...").append(current.substr(current.size() - (room - 3)));
            }
        }
        std::cerr << "\r\033[K" << line << std::flush;
    }

    std::size_t total_;
    bool shown_;
    std::size_t done_ = 0;
    std::string current_;
};

// A tileset being exported by a child process.
struct Child {
    pid_t pid;
    int errors;  // the read end of the child's standard error
    std::size_t index;
    std::string said;
};

// Forks a child that exports one tileset with its standard error going to the parent and its
// confirmation to nowhere; nullopt, with errno set, when no child could be made.
std::optional<Child> Start(std::size_t index, const std::string& tileset, const std::string& output,
                           const ExportOne& exportOne) {
    int ends[2];
    if (::pipe(ends) != 0) {
        return std::nullopt;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ends[0]);
        const int nowhere = ::open("/dev/null", O_WRONLY);
        int status = 1;
        // Whatever happens, this copy of the parent must not go on with the parent's loop.
        try {
            if (nowhere >= 0 && ::dup2(ends[1], STDERR_FILENO) >= 0 &&
                ::dup2(nowhere, STDOUT_FILENO) >= 0) {
                status = exportOne(tileset, output);
            }
        } catch (const std::exception& error) {
            std::cerr << kPrefix << error.what() << '\n';
        } catch (...) {
            std::cerr << kPrefix << "unexpected error\n";
        }
        std::cout.flush();
        std::cerr.flush();
        ::_exit(status);
    }
    const int error = errno;
    ::close(ends[1]);
    if (pid < 0) {
        ::close(ends[0]);
        errno = error;
        return std::nullopt;
    }
    return Child{pid, ends[0], index, {}};
}

// Why a child failed: the lines it wrote, without the program's name, or how it ended.
std::string Reason(const std::string& said, int status) {
    std::string reason;
    std::size_t start = 0;
    while (start < said.size()) {
        const std::size_t end = std::min(said.find('\n', start), said.size());
        std::string_view line = std::string_view(said).substr(start, end - start);
        if (line.starts_with(kPrefix)) {
            line.remove_prefix(kPrefix.size());
        }
        if (!line.empty()) {
            reason.append(reason.empty() ? "" : "; ").append(line);
        }
        start = end + 1;
    }
    if (!reason.empty()) {
        return reason;
    }
    if (WIFSIGNALED(status)) {
        return "the export ended on signal " + std::to_string(WTERMSIG(status)) + " (" +
               ::strsignal(WTERMSIG(status)) + ")";
    }
    return "the export failed with exit status " + std::to_string(WEXITSTATUS(status));
}

int WaitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

}  // namespace

bool IsBatchExport(std::span<const std::string_view> args) {
    return std::any_of(args.begin(), args.end(), [](std::string_view arg) {
        const std::string_view name = arg.substr(0, arg.find('='));
        return name == kTo || name == kFormat;
    });
}

std::variant<BatchRequest, std::string> ParseBatchArguments(
    std::span<const std::string_view> args) {
    std::optional<std::string> folder;
    std::optional<std::string> format;
    BatchRequest request;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (optionsEnded || !arg.starts_with("--")) {
            request.tilesets.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const std::string_view name = arg.substr(0, arg.find('='));
        std::optional<std::string>* value = name == kTo       ? &folder
                                            : name == kFormat ? &format
                                                              : nullptr;
        if (value == nullptr) {
            return "unknown option " + Quoted(arg);
        }
        if (value->has_value()) {
            return std::string(name) + " given twice";
        }
        if (name.size() < arg.size()) {
            *value = std::string(arg.substr(name.size() + 1));
        } else if (i + 1 < args.size()) {
            *value = std::string(args[++i]);
        } else {
            return std::string(name) + " needs a value";
        }
    }

    if (!folder || folder->empty()) {
        return "the batch form needs --to DIR, an existing folder";
    }
    if (!format || (*format != "jpg" && *format != "bmp")) {
        return "the batch form needs --format jpg or --format bmp, exactly (lower case)";
    }
    std::error_code error;
    if (!fs::is_directory(*folder, error)) {
        return Quoted(*folder) + " is not a folder: --to takes an existing folder";
    }
    if (request.tilesets.empty()) {
        return "no TILESET to export";
    }
    request.folder = std::move(*folder);
    request.extension = std::move(*format);

    // Two tilesets of one name would race for one picture, and one would be lost.
    std::map<std::string, const std::string*> writers;
    for (const std::string& tileset : request.tilesets) {
        if (tileset.empty()) {
            return "TILESET must not be empty";
        }
        const auto [at, added] = writers.emplace(OutputFor(request, tileset), &tileset);
        if (!added) {
            return Quoted(*at->second) + " and " + Quoted(tileset) + " would both write " +
                   Quoted(at->first);
        }
    }
    return request;
}

int RunBatchExport(const BatchRequest& request, const ExportOne& exportOne) {
    const std::vector<std::string>& tilesets = request.tilesets;
    const std::size_t slots =
        std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, tilesets.size());
    Progress progress(tilesets.size());
    std::vector<Child> running;
    std::size_t next = 0;
    std::size_t done = 0;
    std::size_t failed = 0;
    const auto fail = [&](std::size_t index, const std::string& reason) {
        ++failed;
        progress.Say(std::string(kPrefix) + tilesets[index] + ": " + reason);
    };

    while (next < tilesets.size() || !running.empty()) {
        while (running.size() < slots && next < tilesets.size()) {
            const std::size_t index = next++;
            if (std::optional<Child> child =
                    Start(index, tilesets[index], OutputFor(request, tilesets[index]), exportOne)) {
                running.push_back(std::move(*child));
                progress.Show(done, tilesets[index]);
            } else {
                ++done;
                fail(index, std::string("cannot start an export: ") + std::strerror(errno));
            }
        }
        if (running.empty()) {
            continue;
        }

        std::vector<pollfd> waiting;
        waiting.reserve(running.size());
        for (const Child& child : running) {
            waiting.push_back({child.errors, POLLIN, 0});
        }
        if (::poll(waiting.data(), waiting.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            // Without poll, a read waits for each child in turn.
            for (pollfd& each : waiting) {
                each.revents = POLLIN;
            }
        }
        for (std::size_t i = running.size(); i-- > 0;) {
            if (waiting[i].revents == 0) {
                continue;
            }
            Child& child = running[i];
            char buffer[4096];
            const ssize_t n = ::read(child.errors, buffer, sizeof buffer);
            if (n > 0 || (n < 0 && errno == EINTR)) {
                child.said.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
                continue;
            }
            // The child has closed its end: it is ending.
            ::close(child.errors);
            const int status = WaitFor(child.pid);
            ++done;
            if (WIFSIGNALED(status)) {
                // Killed, it could not remove the temporary file of a picture half written.
                platform::RemovePendingLeftovers(OutputFor(request, tilesets[child.index]));
            }
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
                fail(child.index, Reason(child.said, status));
            }
            running.erase(running.begin() + static_cast<std::ptrdiff_t>(i));
            progress.Show(done, running.empty() ? "" : tilesets[running.back().index]);
        }
    }
    progress.Finish(failed, request.folder);
    return failed == 0 ? 0 : 1;
}

}  // namespace orvane::cli
