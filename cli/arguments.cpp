#include "cli/arguments.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <map>

#include "platform/files.h"
#include "tileset/thumbnail.h"
#include "viewer/picture_export.h"

namespace orvane::cli {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSynopsis = R"(Usage: orvane-export TILESET OUTPUT
       orvane-export --columns N TILESET OUTPUT.png|OUTPUT.tsx
       orvane-export --thumbnail SIZE TILESET OUTPUT
       orvane-export --to DIR --format jpg|bmp|png|tsx [--columns N] TILESET...
       orvane-export --help | --version
)";

constexpr std::string_view kDetails = R"(
Opens the tileset file TILESET (.tst) as Orvane's File > Open does and saves the mosaic of its
tiles, 19 to a row, to OUTPUT as File > Save As or File > Export PNG does, without a window.

The format is chosen by the last three characters of OUTPUT, compared case-sensitively:
  ...bmp  an uncompressed 24-bit Windows bitmap; prints "Save complete!"
  ...jpg  a baseline JPEG at quality 90; prints "File saved!"
  ...png  an 8-bit RGBA PNG, made from the tileset's own pixels: the key colour (0, 1, 2) and
          the empty cells after the last tile are transparent, every other pixel opaque in
          its own colour; the picture records its tile count and the header's two free words
          (unless both are 0), so that orvane-pack(1) turns it back into the same tileset;
          prints "PNG saved!"
  ...tsx  a Tiled tileset (.tsx) for Tiled and the game engines that import its files, and
          beside it the PNG it names, OUTPUT with "png" for its last three characters
          (tiles.tsx names tiles.png), written as above; the .tsx gives the tileset's name
          (OUTPUT's without its extension), its 32 x 32 tiles, their count and columns as
          Tiled counts them (every cell of the picture), and as properties the tile count and
          the header's two free words (unless both are 0), so that orvane-pack(1) turns it back
          into the same tileset; prints "Tiled tileset saved!"
Any other OUTPUT (x.BMP, x.JPG, x.jpeg, x.gif, no extension) is refused before anything is read
or written, since Save As would write nothing for it. Only the three characters count, so
"myjpg" is written as a JPEG and "myjpg.bmp" as a bitmap. An existing OUTPUT is replaced only
once the new file is complete; a replaced JPEG keeps the old file's last-write time. A .tsx and
its PNG are both written whole before either replaces an old file; should the .tsx then fail to
take its place, the message says that the PNG was written.

--columns N lays a PNG, or a Tiled tileset's PNG, out N tiles to a row (1 to 32767) instead of
19, to keep the sheet width an artist works in; it is refused for the other formats.

--thumbnail SIZE writes a PNG, whatever OUTPUT is called, no larger than SIZE x SIZE pixels
(SIZE 1 to 4096): the mosaic as the window shows it, its first rows, 19 tiles wide and as many
rows as make a square (all of it for fewer tiles), shrunk smoothly to fit, or enlarged by a
whole factor where that fits, see-through pixels transparent. Only those tiles are read, so a
thumbnail of the largest tileset takes no longer than one of 361 tiles. File managers run it
through the thumbnailer entry orvane.thumbnailer. It prints nothing.

Exit status:
  0  OUTPUT was written; the confirmation is on standard output
  1  TILESET could not be read or OUTPUT could not be written; the error's number and
     description, and the reason where the system gave one, are on standard error, and an
     existing OUTPUT is left as it was. OUTPUT that is TILESET itself, under any name or link,
     is refused so before anything is written.
  2  wrong usage (not two arguments, an empty TILESET, an OUTPUT that would write nothing, an
     unknown option, or a --columns or --thumbnail that does not fit); nothing is read or
     written
)";

constexpr std::string_view kBatchDetails = R"(
Exporting many tilesets:
  orvane-export --to DIR --format jpg|bmp|png|tsx [--columns N] TILESET...
Exports each TILESET exactly as the two-argument form does, to DIR, named after the tileset's
file name with its extension replaced: tiles/forest.tst becomes DIR/forest.jpg with --format
jpg, DIR/forest.bmp with --format bmp, DIR/forest.png with --format png, and DIR/forest.tsx
beside DIR/forest.png with --format tsx. The options may also be
written --to=DIR and --format=jpg, in any order, before or among the tilesets; after "--" every
argument is a tileset. The format may be given in capitals (--format JPG); the name of each
picture ends in lower case all the same. DIR must be an existing folder; a picture already in it
is replaced only once the new one is complete. A file given twice is exported once, but each of
its names that makes another picture (a link b.tst to a.tst) gets its own. --columns is for
--format png and tsx, as above.

The tilesets are exported in parallel, each in a process of its own, as many at a time as there
are processors that orvane-export may use (see taskset(1)), and no more than its control group's
CPU quota keeps busy (a container's --cpus, systemd's CPUQuota=), each process on its share.
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
  1  at least one tileset failed; each is named on standard error. A picture that would
     replace one of the TILESETs (a tileset in DIR with a picture's name) is refused so before
     anything starts.
  2  wrong usage (--to or --format missing or given twice, a format other than jpg, bmp, png
     or tsx, DIR not an existing folder, no TILESET, an empty TILESET, or two different
     tilesets that would write the same picture); nothing is read or written
)";

constexpr std::string_view kTo = "--to";
constexpr std::string_view kFormat = "--format";
constexpr std::string_view kColumns = "--columns";
constexpr std::string_view kThumbnail = "--thumbnail";

// The options given, each at most once, and the other arguments in order.
struct CommandLine {
    std::map<std::string_view, std::string> options;
    std::vector<std::string> operands;

    const std::string* Option(std::string_view name) const {
        const auto at = options.find(name);
        return at == options.end() ? nullptr : &at->second;
    }
};

// Options are "--name VALUE" or "--name=VALUE", of the known names only; after "--" every
// argument is an operand.
std::variant<CommandLine, std::string> Split(std::span<const std::string_view> args,
                                             std::initializer_list<std::string_view> known) {
    CommandLine line;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (optionsEnded || !arg.starts_with("--")) {
            line.operands.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const std::string_view name = arg.substr(0, arg.find('='));
        if (std::find(known.begin(), known.end(), name) == known.end()) {
            return "unknown option " + ShellQuoted(arg);
        }
        if (line.options.contains(name)) {
            return std::string(name) + " given twice";
        }
        if (name.size() < arg.size()) {
            line.options.emplace(name, arg.substr(name.size() + 1));
        } else if (i + 1 < args.size()) {
            line.options.emplace(name, args[++i]);
        } else {
            return std::string(name) + " needs a value";
        }
    }
    return line;
}

// A whole number from 1 to most, written plainly.
std::optional<int> Count(const std::string& text, int most) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end || value < 1 || value > most) {
        return std::nullopt;
    }
    return value;
}

// --columns, for the formats that lay tiles out in columns only; 19 when it is not given.
std::variant<int, std::string> Columns(const CommandLine& line,
                                       std::optional<viewer::ExportFormat> format) {
    const std::string* text = line.Option(kColumns);
    if (text == nullptr) {
        return tileset::kTilesPerRow;
    }
    if (!format || !viewer::WriterOf(*format).takesColumns) {
        return "--columns is for PNG and TSX output only";
    }
    if (const auto columns = Count(*text, tileset::kMaxTiles)) {
        return *columns;
    }
    return "--columns takes a number of tiles to a row, 1 to " +
           std::to_string(tileset::kMaxTiles) + ", not " + ShellQuoted(*text);
}

}  // namespace

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

namespace {

bool IsBatchExport(std::span<const std::string_view> args) {
    return std::any_of(args.begin(), args.end(), [](std::string_view arg) {
        const std::string_view name = arg.substr(0, arg.find('='));
        return name == kTo || name == kFormat;
    });
}

std::variant<ExportRequest, std::string> ParseExportArguments(
    std::span<const std::string_view> args) {
    auto split = Split(args, {kColumns, kThumbnail});
    if (const auto* problem = std::get_if<std::string>(&split)) {
        return *problem;
    }
    const CommandLine& line = std::get<CommandLine>(split);
    if (line.operands.size() != 2) {
        return "expected two arguments, TILESET and OUTPUT";
    }
    ExportRequest request{line.operands[0], line.operands[1], tileset::kTilesPerRow, std::nullopt};
    if (const std::string* size = line.Option(kThumbnail)) {
        if (line.Option(kColumns) != nullptr) {
            return "--columns is for the mosaic, not a --thumbnail";
        }
        request.thumbnailSize = Count(*size, tileset::kMaxThumbnailSize);
        if (!request.thumbnailSize) {
            return "--thumbnail takes a size in pixels, 1 to " +
                   std::to_string(tileset::kMaxThumbnailSize) + ", not " + ShellQuoted(*size);
        }
        return request;
    }
    auto columns = Columns(line, viewer::ExportFormatOf(request.output));
    if (const auto* problem = std::get_if<std::string>(&columns)) {
        return *problem;
    }
    request.columns = std::get<int>(columns);
    return request;
}

// --format as the pictures' extension, in lower case: the name of a format, not of a file, so
// JPG is jpg here, as in a file manager's menu. Nothing when it names no format that is written.
std::optional<std::string> BatchExtension(const CommandLine& line) {
    const std::string* given = line.Option(kFormat);
    if (given == nullptr) {
        return std::nullopt;
    }
    std::string format = *given;
    std::transform(format.begin(), format.end(), format.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const auto writers = viewer::ExportWriters();
    if (std::none_of(writers.begin(), writers.end(),
                     [&](const viewer::ExportWriter& writer) { return writer.ending == format; })) {
        return std::nullopt;
    }
    return format;
}

// The operands into request's tilesets, each once for each picture it makes, in the order first
// given. A file named twice for one picture (tiles/a.tst and ./tiles/a.tst, or a link of the same
// name) is exported once; under names that make different pictures (a.tst and its link b.tst),
// it gets each of them. Two different files that would write one picture would race for it, and
// one would be lost: refused.
std::optional<std::string> TakeEachPictureOnce(std::vector<std::string>& operands,
                                               BatchRequest& request) {
    using File = std::variant<platform::FileId, std::string>;
    std::map<std::string, std::pair<File, std::size_t>> writers;  // picture: file, tileset
    for (std::string& tileset : operands) {
        if (tileset.empty()) {
            return "TILESET must not be empty";
        }
        std::error_code ignored;
        const std::optional<platform::FileId> id = platform::FileIdOf(tileset);
        const File file = id ? File(*id) : File(fs::weakly_canonical(tileset, ignored).string());
        const auto [at, added] =
            writers.try_emplace(OutputFor(request, tileset), file, request.tilesets.size());
        if (added) {
            request.tilesets.push_back(std::move(tileset));
        } else if (at->second.first != file) {
            return ShellQuoted(request.tilesets[at->second.second]) + " and " +
                   ShellQuoted(tileset) + " would both write " + ShellQuoted(at->first);
        }
    }
    return std::nullopt;
}

std::variant<BatchRequest, std::string> ParseBatchArguments(
    std::span<const std::string_view> args) {
    auto split = Split(args, {kTo, kFormat, kColumns});
    if (const auto* problem = std::get_if<std::string>(&split)) {
        return *problem;
    }
    CommandLine& line = std::get<CommandLine>(split);
    const std::string* folder = line.Option(kTo);
    if (folder == nullptr || folder->empty()) {
        return "the batch form needs --to DIR, an existing folder";
    }
    const std::optional<std::string> extension = BatchExtension(line);
    if (!extension) {
        return "the batch form needs --format " + viewer::EndingsInWords(false);
    }
    if (std::error_code error; !fs::is_directory(*folder, error)) {
        return ShellQuoted(*folder) + " is not a folder: --to takes an existing folder";
    }
    if (line.operands.empty()) {
        return "no TILESET to export";
    }
    auto columns = Columns(line, viewer::ExportFormatOf(*extension));
    if (const auto* problem = std::get_if<std::string>(&columns)) {
        return *problem;
    }
    BatchRequest request{*folder, *extension, {}, std::get<int>(columns)};
    if (auto problem = TakeEachPictureOnce(line.operands, request)) {
        return *problem;
    }
    return request;
}

}  // namespace

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
    if (args.size() == 1 && args[0] == "--version") {
        return VersionRequest{};
    }
    auto single = ParseExportArguments(args);
    if (auto* problem = std::get_if<std::string>(&single)) {
        return UsageError{std::move(*problem)};
    }
    return std::get<ExportRequest>(std::move(single));
}

}  // namespace orvane::cli
