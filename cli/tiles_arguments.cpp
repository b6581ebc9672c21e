#include "cli/tiles_arguments.h"

#include <algorithm>
#include <array>

#include "cli/shell_quote.h"

namespace orvane::cli::tiles {
namespace {

struct CommandText {
    Command command;
    std::string_view name;
    std::string_view title;     // the heading of its section in the program's help
    std::string_view synopsis;  // after "orvane-tiles "
    std::string_view operands;  // what a wrong count of them is told
    std::size_t operandCount;
    std::string_view details;
};

constexpr std::array<CommandText, 4> kCommands = {{
    {Command::Duplicates, "duplicates", "Duplicates", "duplicates [--symmetric] [--json] TILESET",
     "one TILESET", 1,
     R"text(Prints one line for each group of identical tiles, smallest number first, the groups in
the order of their first tile:
    12 = 40 = 311
Tiles that are wholly see-through (every pixel the key colour 0, 1, 2) form no group; they are
listed last, on a line of their own:
    empty: 5 6 7
A tileset without copies prints nothing. The exit status is 0 whether or not copies were found.

--symmetric also groups tiles that are the same after a mirror or a turn, and says how each
tile looks beside the first of its group:
    12 = 40 (mirrored) = 311 (turned 90°) = 420 (mirrored, turned 180°)
"mirrored" has left and right swapped; "turned 90°", "turned 180°" and "turned 270°" are
turned clockwise; "mirrored, turned 90°" is mirrored first, then turned, so that "mirrored,
turned 180°" is upside down. A tile that looks the same in several ways is named by the first
of: as it is, mirrored, turned 90°, 180°, 270°, mirrored and turned 90°, 180°, 270°.

--json writes the same as one JSON object, "tiles" the tileset's count:
    {"tiles": 300, "groups": [[{"tile": 12}, {"tile": 40}]], "empty": [5, 6, 7]}
With --symmetric each tile also has "mirrored" (true or false) and "turned" (0, 90, 180 or
270).
)text"},
    {Command::Dedupe, "dedupe", "Dedupe", "dedupe [--map MAP.csv] IN OUT", "IN and OUT", 2,
     R"text(Writes the tileset OUT with the tiles of IN, each group of identical tiles kept once, where its
first tile was, in order. Only exact copies count, not mirrored or turned ones. The header's
two free words are kept. Prints "Tileset saved: 280 tiles (20 copies left out)".

--map writes MAP.csv, one line "old,new" for each tile of IN, both numbered from 1: the tile
of OUT that holds it, so that a map editor or a script can renumber the maps that use IN.

OUT and MAP.csv are replaced only once complete, and keep their permissions. IN itself,
under any name or through a link, is refused as OUT or MAP.csv before anything is written.
)text"},
    {Command::Diff, "diff", "Diff", "diff [--header] [--picture DIFF.png] A B", "A and B", 2,
     R"text(Compares the tilesets A (before) and B (after) tile by tile at the same number, and prints one
line for each tile that differs, in order:
    changed 27 (312 pixels)    tile 27 differs in 312 of its 1024 pixels
    added 301                  only B holds tile 301
    removed 299                only A holds tile 299
The header's two free words count only with --header, on a line before the tiles:
    changed header (free words 48879 7 to 0 0)
The exit status is 0 when they are the same, 1 when they differ and 2 on trouble, as cmp(1)
and diff(1) have it.

--picture writes DIFF.png, B's mosaic 19 tiles to a row with a cell for every tile of A or B:
changed tiles outlined in amber, added tiles in blue, and the cells of removed tiles empty and
outlined in red, see-through pixels transparent. It is written whether or not the tilesets
differ, and replaced only once complete.
)text"},
    {Command::Stats, "stats", "Stats", "stats TILESET", "one TILESET", 1,
     R"text(Prints one line each, a name and a number, for a script to read:
    tiles: 300         the tiles the header counts
    distinct: 280      the tiles once each copy is left out
    empty: 5           tiles wholly see-through
    see-through: 40    tiles with a see-through pixel, the empty ones included
    colours: 1234      distinct colours of the tiles, the key colour not counted
)text"},
}};

constexpr std::string_view kIntroduction = R"(
Finds what a tileset file (.tst) holds twice, writes a copy without it, and tells what changed
between two versions of a tileset: for tilesets that have grown over years, and the maps that
use their tile numbers. Tiles are numbered from 1, as Orvane's status bar counts them. Each
command reads each tileset once, whole. After "--" every argument is a file.
)";

constexpr std::string_view kExitStatus = R"(
Exit status:
  0  done; diff: the tilesets are the same
  1  a tileset could not be read (the error's number and description, and why, are on
     standard error), or OUT, MAP.csv or standard output could not be written, and an existing
     OUT or MAP.csv is left as it was; diff: the tilesets differ
  2  wrong usage: an unknown command or option, a wrong number of files, an empty name, or IN
     given as OUT or MAP.csv; nothing is read or written; diff: also any trouble
)";

const CommandText& TextOf(Command command) {
    return *std::find_if(kCommands.begin(), kCommands.end(),
                         [&](const CommandText& text) { return text.command == command; });
}

std::string Synopsis(std::optional<Command> command) {
    std::string text;
    const auto line = [&](std::string_view rest) {
        text.append(text.empty() ? "Usage: " : "       ").append("orvane-tiles ").append(rest);
        text += '\n';
    };
    for (const CommandText& each : kCommands) {
        if (!command || *command == each.command) {
            line(each.synopsis);
        }
    }
    line(command ? std::string(TextOf(*command).name) + " --help" : "COMMAND --help");
    if (!command) {
        line("--help | --version");
    }
    return text;
}

struct Option {
    std::string_view name;
    bool takesValue;
};

// Options are the command's own, "--name", or "--name VALUE" and "--name=VALUE" where they take
// a value, each at most once; after "--" every argument is a file.
std::variant<TilesRequest, UsageError> ParseCommand(const CommandText& text,
                                                    std::span<const std::string_view> args,
                                                    std::span<const Option> options) {
    TilesRequest request;
    request.command = text.command;
    std::vector<std::string_view> given;
    bool optionsEnded = false;
    const auto problem = [&](std::string why) { return UsageError{std::move(why), text.command}; };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (optionsEnded || !arg.starts_with("-") || arg == "-") {
            request.files.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const std::string_view name = arg.substr(0, arg.find('='));
        const auto option = std::find_if(options.begin(), options.end(),
                                         [&](const Option& each) { return each.name == name; });
        if (option == options.end() || (!option->takesValue && name.size() < arg.size())) {
            return problem("unknown option " + ShellQuoted(arg) + " for " + std::string(text.name));
        }
        if (std::find(given.begin(), given.end(), name) != given.end()) {
            return problem(std::string(name) + " given twice");
        }
        given.push_back(name);
        std::string value;
        if (name.size() < arg.size()) {
            value = arg.substr(name.size() + 1);
        } else if (option->takesValue && i + 1 < args.size()) {
            value = args[++i];
        } else if (option->takesValue) {
            return problem(std::string(name) + " needs a file name");
        }
        if (option->takesValue && value.empty()) {
            return problem(std::string(name) + " needs a file name, not an empty one");
        }
        if (name == "--symmetric") {
            request.symmetric = true;
        } else if (name == "--json") {
            request.json = true;
        } else if (name == "--header") {
            request.header = true;
        } else if (name == "--map") {
            request.map = std::move(value);
        } else if (name == "--picture") {
            request.picture = std::move(value);
        }
    }
    if (request.files.size() != text.operandCount) {
        return problem("expected " + std::string(text.operands));
    }
    if (std::any_of(request.files.begin(), request.files.end(),
                    [](const std::string& file) { return file.empty(); })) {
        return problem("a file name must not be empty");
    }
    return request;
}

}  // namespace

Request ParseArguments(std::span<const std::string_view> args) {
    if (args.empty()) {
        return UsageError{"expected a command: duplicates, dedupe, diff or stats", std::nullopt};
    }
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        return HelpRequest{};
    }
    if (args.size() == 1 && args[0] == "--version") {
        return VersionRequest{};
    }
    const auto text = std::find_if(kCommands.begin(), kCommands.end(),
                                   [&](const CommandText& each) { return each.name == args[0]; });
    if (text == kCommands.end()) {
        return UsageError{"unknown command " + ShellQuoted(args[0]), std::nullopt};
    }
    const std::span<const std::string_view> rest = args.subspan(1);
    const auto end = std::find(rest.begin(), rest.end(), "--");
    if (std::find_if(rest.begin(), end,
                     [](std::string_view arg) { return arg == "--help" || arg == "-h"; }) != end) {
        return HelpRequest{text->command};
    }
    static constexpr std::array<Option, 2> kDuplicates = {
        {{"--symmetric", false}, {"--json", false}}};
    static constexpr std::array<Option, 1> kDedupe = {{{"--map", true}}};
    static constexpr std::array<Option, 2> kDiff = {{{"--header", false}, {"--picture", true}}};
    std::span<const Option> options;
    switch (text->command) {
        case Command::Duplicates:
            options = kDuplicates;
            break;
        case Command::Dedupe:
            options = kDedupe;
            break;
        case Command::Diff:
            options = kDiff;
            break;
        case Command::Stats:
            break;
    }
    auto parsed = ParseCommand(*text, rest, options);
    if (auto* error = std::get_if<UsageError>(&parsed)) {
        return std::move(*error);
    }
    return std::get<TilesRequest>(std::move(parsed));
}

std::string HelpText(std::optional<Command> command) {
    std::string text = Synopsis(command);
    if (command) {
        text.append("\n").append(TextOf(*command).details);
    } else {
        text.append(kIntroduction);
        for (const CommandText& each : kCommands) {
            text.append("\n").append(each.title).append(":\n  orvane-tiles ");
            text.append(each.synopsis).append("\n").append(each.details);
        }
    }
    return text.append(kExitStatus);
}

std::string UsageText(const UsageError& error) {
    const std::string help =
        error.command ? "orvane-tiles " + std::string(TextOf(*error.command).name) : "orvane-tiles";
    return std::string(kPrefix) + error.problem + "\n" + Synopsis(error.command) + "Run '" + help +
           " --help' for the details.\n";
}

}  // namespace orvane::cli::tiles
