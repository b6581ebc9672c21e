#include "cli/arguments.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>

namespace orvane::cli {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSynopsis = R"(Usage: orvane-export TILESET OUTPUT
       orvane-export --to DIR --format jpg|bmp TILESET...
       orvane-export --help
)";

constexpr std::string_view kDetails = R"(
Opens the tileset file TILESET (.tst) as Orvane's File > Open does and saves the mosaic of its
tiles, 19 to a row, to OUTPUT as File > Save As does, without a window.

The format is chosen by the last three characters of OUTPUT, compared case-sensitively:
  ...bmp  an uncompressed 24-bit Windows bitmap; prints "Save complete!"
  ...jpg  a baseline JPEG at quality 90; prints "File saved!"
Any other OUTPUT (x.BMP, x.JPG, x.jpeg, x.gif, no extension) is refused before anything is read
or written, since Save As would write nothing for it. Only the three characters count, so
"myjpg" is written as a JPEG and "myjpg.bmp" as a bitmap. An existing OUTPUT is replaced only
once the new file is complete; a replaced JPEG keeps the old file's last-write time.

Exit status:
  0  OUTPUT was written; the confirmation is on standard output
  1  TILESET could not be read or OUTPUT could not be written; the error's number and
     description, and the reason where the system gave one, are on standard error, and an
     existing OUTPUT is left as it was
  2  wrong usage (not two arguments, an empty TILESET, or an OUTPUT that would write nothing);
     nothing is read or written
)";

constexpr std::string_view kBatchDetails = R"(
Exporting many tilesets:
  orvane-export --to DIR --format jpg|bmp TILESET...
Exports each TILESET exactly as the two-argument form does, to DIR, named after the tileset's
file name with its extension replaced: tiles/forest.tst becomes DIR/forest.jpg with --format
jpg, DIR/forest.bmp with --format bmp. The options may also be written --to=DIR and
--format=jpg, in any order, before or among the tilesets; after "--" every argument is a
tileset. DIR must be an existing folder; a picture already in it is replaced only once the new
one is complete.

The tilesets are exported in parallel, each in a process of its own, as many at a time as there
are processors that orvane-export may use (see taskset(1)), each process on its share of them.
A tileset that cannot be read or written is reported on standard error in one line that begins
with its name, and leaves no picture, not even part of one; the others are exported all the
same. On a terminal, standard error also shows how many tilesets are done and
which one is being exported; otherwise only failures are printed. Nothing goes to standard
output.

Ctrl+C, SIGTERM or SIGHUP stops the batch: the exports under way are stopped and leave nothing,
one line says how many pictures were written ("interrupted: 3 of 10 exported"), and the program
ends by that signal, which the shell shows as 130, 143 or 129.

Exit status of this form:
  0  every picture was written
  1  at least one tileset failed; each is named on standard error
  2  wrong usage (--to or --format missing or given twice, a format other than jpg or bmp
     exactly, DIR not an existing folder, no TILESET, an empty TILESET, or two tilesets that
     would write the same picture); nothing is read or written
)";

constexpr std::string_view kTo = "--to";
constexpr std::string_view kFormat = "--format";

bool IsControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7f;
}

bool IsBareInAShell(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 ||
           std::string_view("-_./,:+@%=").find(c) != std::string_view::npos;
}

void AppendEscape(std::string& out, char c) {
    switch (c) {
        case '\n':
            out += "\\n";
            return;
        case '\t':
            out += "\\t";
            return;
        case '\r':
            out += "\\r";
            return;
        default:
            break;
    }
    char octal[8];
    std::snprintf(octal, sizeof octal, "\\%03o",
                  static_cast<unsigned>(static_cast<unsigned char>(c)));
    out += octal;
}

}  // namespace

std::string EscapeControls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!IsControl(text[i])) {
            out += text[i];
            continue;
        }
        out += "'$'";
        for (; i < text.size() && IsControl(text[i]); ++i) {
            AppendEscape(out, text[i]);
        }
        --i;
        out += "''";
    }
    return out;
}

std::string ShellQuoted(std::string_view name, Quotes quotes) {
    if (quotes == Quotes::WhereNeeded && !name.empty() &&
        std::all_of(name.begin(), name.end(), IsBareInAShell)) {
        return std::string(name);
    }
    std::string inner;
    for (const char c : name) {
        inner += c == '\'' ? std::string_view("'\\''") : std::string_view(&c, 1);
    }
    std::string quoted(1, '\'');
    quoted.append(EscapeControls(inner)).append(1, '\'');
    // The empty '' that an escape at either end leaves.
    if (quoted.size() > 2 && quoted.starts_with("''")) {
        quoted.erase(0, 2);
    }
    if (quoted.size() > 2 && quoted.ends_with("''")) {
        quoted.erase(quoted.size() - 2);
    }
    return quoted;
}

std::string HelpText() {
    return std::string(kSynopsis).append(kDetails).append(kBatchDetails);
}

std::string UsageText(std::string_view problem) {
    return std::string(kPrefix).append(problem).append("\n").append(kSynopsis).append(
        "Run 'orvane-export --help' for the details.\n");
}

std::string OutputFor(const BatchRequest& request, const std::string& tileset) {
    return (fs::path(request.folder) /
            (fs::path(tileset).stem().string() + "." + request.extension))
        .string();
}

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
            return "unknown option " + ShellQuoted(arg);
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
        return ShellQuoted(*folder) + " is not a folder: --to takes an existing folder";
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
            return ShellQuoted(*at->second) + " and " + ShellQuoted(tileset) +
                   " would both write " + ShellQuoted(at->first);
        }
    }
    return request;
}

Request ParseArguments(std::span<const std::string_view> args) {
    if (IsBatchExport(args)) {
        auto batch = ParseBatchArguments(args);
        if (auto* problem = std::get_if<std::string>(&batch)) {
            return UsageError{std::move(*problem)};
        }
        return std::get<BatchRequest>(std::move(batch));
    }
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        return HelpRequest{};
    }
    if (args.size() != 2) {
        return UsageError{"expected two arguments, TILESET and OUTPUT"};
    }
    return SingleRequest{std::string(args[0]), std::string(args[1])};
}

}  // namespace orvane::cli
