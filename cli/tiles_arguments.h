// What orvane-tiles is asked to do, read from its arguments, and its help. Nothing is read or
// written here.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace orvane::cli::tiles {

// Every line the program writes to standard error begins with it.
inline constexpr std::string_view kPrefix = "orvane-tiles: ";

enum class Command { Duplicates, Dedupe, Diff, Stats };

struct TilesRequest {
    Command command = Command::Duplicates;
    // The tilesets and the files to write, in the order the synopsis names them: TILESET; IN,
    // OUT; A, B.
    std::vector<std::string> files;
    bool symmetric = false;              // duplicates
    bool json = false;                   // duplicates
    bool header = false;                 // diff
    std::optional<std::string> map;      // dedupe
    std::optional<std::string> picture;  // diff
};

// --help of the program, or of one command.
struct HelpRequest {
    std::optional<Command> command;
};
struct VersionRequest {};
struct UsageError {
    std::string problem;
    std::optional<Command> command;  // whose synopsis to show, when one was named
};
using Request = std::variant<HelpRequest, VersionRequest, TilesRequest, UsageError>;

// What the arguments (without the program's name) ask for. Whether the files are usable is the
// command's to judge.
Request ParseArguments(std::span<const std::string_view> args);

// What --help prints: the program's, or one command's.
std::string HelpText(std::optional<Command> command);

// What a usage error prints: the problem, the synopsis, and where to read more.
std::string UsageText(const UsageError& error);

}  // namespace orvane::cli::tiles
