// orvane-pack: a tileset made from a picture, for artists who draw their tiles in a PNG sheet.
#include <array>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/failure.h"
#include "cli/shell_quote.h"
#include "cli/standard_output.h"
#include "platform/app.h"
#include "platform/runtime_error.h"
#include "tileset/picture.h"
#include "tileset/png.h"
#include "tileset/tsx.h"

namespace {

using orvane::cli::Attempt;
using orvane::cli::Failure;
using orvane::cli::ShellQuoted;
using Step = Failure::Step;

constexpr std::string_view kPrefix = "orvane-pack: ";

constexpr std::string_view kSynopsis = R"(Usage: orvane-pack PICTURE TILESET
       orvane-pack --help | --version
)";

constexpr std::string_view kDetails = R"(
Makes the tileset file TILESET (.tst) from PICTURE, a PNG of any kind: palette, grey, RGB or
RGBA, 16-bit samples reduced to 8 bits. Its width and height are whole multiples of 32, any
width, so that a sheet keeps the width it is drawn in (orvane-export --columns N writes such
sheets). Its 32 x 32 cells become the tiles in reading order, left to right, then top to
bottom: as many as the picture records when orvane-export wrote it, otherwise every cell up to
the last one that is not wholly transparent. A cell drawn after the recorded count is kept too,
and standard error says so.

PICTURE may also be a Tiled tileset (.tsx, told by its content: XML), saved by Tiled or by
orvane-export: the PNG it names, found relative to the .tsx, is cut as Tiled cuts it, 32 x 32
tiles from its margin on, its spacing apart, as many as fit whole; its tilecount is the count,
and pixels of its transparent colour (trans) are see-through. Tiles of another size are refused.
What a tileset cannot hold (terrains, wang sets, animations, properties of tiles) is ignored, and
standard error names it once.

A pixel with alpha below 128 becomes the see-through key colour (0, 1, 2); every other pixel
keeps its colour. An opaque pixel of exactly (0, 1, 2) would turn see-through, so it is written
as (0, 1, 3), and standard error says how many were. The tiles are written column by column, as
the format stores them; the two header words that readers ignore are those the picture records
(orvane-export records them), else 0. An existing TILESET is replaced only once the new file is
complete, and keeps its permissions.

    orvane-export samples/terrain.tst terrain.png
    orvane-pack terrain.png terrain.tst
gives back the tileset byte for byte, and so does terrain.tsx in the place of terrain.png.

Exit status:
  0  TILESET was written; "Tileset saved: N tiles" is on standard output
  1  PICTURE could not be read or TILESET could not be written; the error's number and
     description, and the reason where the system gave one, are on standard error, and an
     existing TILESET is left as it was
  2  wrong usage, or a picture refused: not a PNG, a damaged one, a width or height that is not
     a multiple of 32 (the message says by how much), no tiles, or more than 32767 tiles; a Tiled
     tileset that is not well-formed XML, of tiles other than 32 x 32, or without a picture of
     its own; or TILESET is PICTURE itself, under any name; the message names the problem, and
     nothing is written
)";

enum class Exit : int { Success = 0, Failure = 1, Refused = 2 };

int Status(Exit exit) {
    return static_cast<int>(exit);
}

int Usage(std::string_view problem) {
    std::cerr << kPrefix << problem << '\n'
              << kSynopsis << "Run 'orvane-pack --help' for the details.\n";
    return Status(Exit::Refused);
}

int Failed(const Failure& failure) {
    std::cerr << kPrefix << Describe(failure) << '\n';
    const bool refused = failure.step == Step::Reading &&
                         failure.number == static_cast<std::int32_t>(
                                               orvane::platform::ErrorNumber::InvalidFileFormat);
    return Status(refused ? Exit::Refused : Exit::Failure);
}

// What the user should know of a picture that packed: what of it was left out, tiles kept past
// its record, and pixels that changed colour.
void Notes(const std::string& picture, const orvane::tileset::PictureTiles& tiles) {
    const std::string name = ShellQuoted(picture, orvane::cli::Quotes::WhereNeeded);
    if (!tiles.ignored.empty()) {
        std::cerr << kPrefix << name << ": ignored, as a tileset cannot hold them:";
        for (const std::string& part : tiles.ignored) {
            std::cerr << ' ' << ShellQuoted(part, orvane::cli::Quotes::WhereNeeded);
        }
        std::cerr << '\n';
    }
    if (tiles.noted && tiles.count > *tiles.noted) {
        std::cerr << kPrefix << name << ": it records " << *tiles.noted
                  << (*tiles.noted == 1 ? " tile" : " tiles") << ", but cells are drawn up to "
                  << tiles.count << ": all " << tiles.count << " are kept\n";
    }
    if (tiles.nudged > 0) {
        std::cerr << kPrefix << name << ": " << tiles.nudged
                  << (tiles.nudged == 1 ? " opaque pixel" : " opaque pixels")
                  << " of the key colour (0, 1, 2) written as (0, 1, 3), to stay visible\n";
    }
}

int Run(const std::vector<std::string_view>& args) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << kSynopsis << kDetails;
        return Status(Exit::Success);
    }
    if (args.size() == 1 && args[0] == "--version") {
        std::cout << "orvane-pack " << orvane::platform::AppVersion() << '\n';
        return Status(Exit::Success);
    }
    if (args.size() != 2) {
        return Usage("expected two arguments, PICTURE and TILESET");
    }
    for (const std::string_view arg : args) {
        if (arg.empty() || arg.starts_with("--")) {
            return Usage(arg.empty() ? "PICTURE and TILESET must not be empty"
                                     : "unknown option " + ShellQuoted(arg));
        }
    }
    const std::string picture(args[0]);
    const std::string tileset(args[1]);

    if (auto failure = orvane::cli::OverwritesAnInput(std::array{picture}, std::array{tileset})) {
        std::cerr << kPrefix << Describe(*failure) << '\n';
        return Status(Exit::Refused);
    }
    orvane::tileset::PictureTiles tiles;
    if (auto failure = Attempt(Step::Reading, picture,
                               [&] { tiles = orvane::tileset::TilesFromPicture(picture); })) {
        return Failed(*failure);
    }
    if (auto failure = Attempt(Step::Writing, tileset, [&] {
            orvane::tileset::WriteTileset(tileset, tiles.Tiles(), tiles.words);
        })) {
        return Failed(*failure);
    }
    Notes(picture, tiles);
    std::cout << "Tileset saved: " << tiles.count << (tiles.count == 1 ? " tile" : " tiles")
              << '\n';
    return Status(Exit::Success);
}

}  // namespace

int main(int argc, char** argv) {
    return orvane::cli::CloseStandardOutput(
        kPrefix, Run(std::vector<std::string_view>(argv + 1, argv + argc)));
}
