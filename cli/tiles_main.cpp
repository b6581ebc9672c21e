// orvane-tiles: the copies a tileset holds, a clean copy of it, and what changed between two
// versions of one.
#include <algorithm>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "cli/failure.h"
#include "cli/shell_quote.h"
#include "cli/standard_output.h"
#include "cli/tiles_arguments.h"
#include "platform/app.h"
#include "platform/files.h"
#include "tileset/hygiene.h"
#include "tileset/tile_diff.h"
#include "tileset/tileset_file.h"

namespace {

using orvane::cli::ShellQuoted;
using orvane::cli::tiles::Command;
using orvane::cli::tiles::kPrefix;
using orvane::cli::tiles::TilesRequest;
using orvane::tileset::WholeTileset;
using Failure = orvane::cli::Failure;
using Step = Failure::Step;

// The exit statuses, as the help text tells them. diff's are cmp's: 0 the same, 1 different, 2
// trouble, wrong usage included.
enum class Exit : int { Success = 0, Failure = 1, Usage = 2 };
constexpr int kSame = 0;
constexpr int kDifferent = 1;
constexpr int kTrouble = 2;
static_assert(kTrouble == static_cast<int>(Exit::Usage));

int Status(Exit exit) {
    return static_cast<int>(exit);
}

int Usage(const orvane::cli::tiles::UsageError& error) {
    std::cerr << UsageText(error);
    return Status(Exit::Usage);
}

void Tell(const Failure& failure) {
    std::cerr << kPrefix << Describe(failure) << '\n';
}

// Reads file whole; none, the failure told, when it cannot be read.
std::optional<WholeTileset> Read(const std::string& file) {
    std::optional<WholeTileset> tileset;
    if (auto failure = Attempt(Step::Reading, file, [&] { tileset.emplace(file); })) {
        Tell(*failure);
        tileset.reset();
    }
    return tileset;
}

std::string Number(int tile) {
    return std::to_string(tile + 1);
}

std::string DuplicateLines(const orvane::tileset::Duplicates& found) {
    std::string text;
    for (const auto& group : found.groups) {
        for (const orvane::tileset::TileCopy& copy : group) {
            text.append(&copy == group.data() ? "" : " = ").append(Number(copy.tile));
            if (const std::string how = Describe(copy.orientation); !how.empty()) {
                text.append(" (").append(how).append(")");
            }
        }
        text += '\n';
    }
    if (!found.empty.empty()) {
        text += "empty:";
        for (const int tile : found.empty) {
            text.append(" ").append(Number(tile));
        }
        text += '\n';
    }
    return text;
}

std::string DuplicateJson(const orvane::tileset::Duplicates& found, int tiles, bool symmetric) {
    std::string text = "{\"tiles\": " + std::to_string(tiles) + ", \"groups\": [";
    for (const auto& group : found.groups) {
        text.append(&group == found.groups.data() ? "[" : ", [");
        for (const orvane::tileset::TileCopy& copy : group) {
            text.append(&copy == group.data() ? "" : ", ")
                .append("{\"tile\": ")
                .append(Number(copy.tile));
            if (symmetric) {
                text.append(", \"mirrored\": ")
                    .append(copy.orientation.mirrored ? "true" : "false")
                    .append(", \"turned\": ")
                    .append(std::to_string(copy.orientation.turned));
            }
            text += '}';
        }
        text += ']';
    }
    text += "], \"empty\": [";
    for (const int& tile : found.empty) {
        text.append(&tile == found.empty.data() ? "" : ", ").append(Number(tile));
    }
    return text + "]}\n";
}

int Duplicates(const TilesRequest& request) {
    const auto tileset = Read(request.files[0]);
    if (!tileset) {
        return Status(Exit::Failure);
    }
    const auto found = orvane::tileset::FindDuplicates(tileset->Tiles(), request.symmetric);
    const std::string text = request.json
                                 ? DuplicateJson(found, tileset->Count(), request.symmetric)
                                 : DuplicateLines(found);
    std::cout << text;
    return Status(Exit::Success);
}

int Stats(const TilesRequest& request) {
    const auto tileset = Read(request.files[0]);
    if (!tileset) {
        return Status(Exit::Failure);
    }
    const orvane::tileset::TilesetStats stats = orvane::tileset::StatsOf(tileset->Tiles());
    const std::string text = "tiles: " + std::to_string(stats.tiles) +
                             "\ndistinct: " + std::to_string(stats.distinct) +
                             "\nempty: " + std::to_string(stats.empty) +
                             "\nsee-through: " + std::to_string(stats.seeThrough) +
                             "\ncolours: " + std::to_string(stats.colours) + "\n";
    std::cout << text;
    return Status(Exit::Success);
}

// A file the command would write that is one it reads: refused before anything is written, or
// the reading would meet the writing halfway.
std::optional<orvane::cli::tiles::UsageError> Overwrites(const TilesRequest& request,
                                                         const std::vector<std::string>& inputs,
                                                         const std::vector<std::string>& outputs) {
    if (auto failure = orvane::cli::OverwritesAnInput(inputs, outputs)) {
        return orvane::cli::tiles::UsageError{Describe(*failure), request.command};
    }
    return std::nullopt;
}

int Dedupe(const TilesRequest& request) {
    const std::string& in = request.files[0];
    const std::string& out = request.files[1];
    std::vector<std::string> outputs{out};
    if (request.map) {
        outputs.push_back(*request.map);
    }
    if (auto problem = Overwrites(request, {in}, outputs)) {
        return Usage(*problem);
    }
    const auto tileset = Read(in);
    if (!tileset) {
        return Status(Exit::Failure);
    }
    const orvane::tileset::Deduplicated kept = orvane::tileset::Deduplicate(tileset->Tiles());
    std::optional<Failure> failure = Attempt(Step::Writing, out, [&] {
        orvane::tileset::WriteTileset(out, kept.tiles,
                                      orvane::tileset::FreeWordsOf(tileset->Header()));
    });
    if (!failure && request.map) {
        std::string lines;
        for (std::size_t old = 0; old < kept.newTile.size(); ++old) {
            lines.append(Number(static_cast<int>(old))).append(",");
            lines.append(Number(kept.newTile[old])).append("\n");
        }
        failure = Attempt(Step::Writing, *request.map, [&] {
            orvane::platform::PendingFile file(*request.map);
            file.Write({reinterpret_cast<const BYTE*>(lines.data()), lines.size()});
            file.Commit();
        });
    }
    if (failure) {
        Tell(*failure);
        return Status(Exit::Failure);
    }
    const int count = orvane::tileset::TileCountOf(kept.tiles);
    const int left = tileset->Count() - count;
    std::cout << "Tileset saved: " << count << (count == 1 ? " tile" : " tiles") << " (" << left
              << (left == 1 ? " copy" : " copies") << " left out)\n";
    return Status(Exit::Success);
}

std::string ChangeLine(const orvane::tileset::TileChange& change) {
    using Kind = orvane::tileset::TileChange::Kind;
    switch (change.kind) {
        case Kind::Added:
            return "added " + Number(change.tile) + "\n";
        case Kind::Removed:
            return "removed " + Number(change.tile) + "\n";
        case Kind::Changed:
            break;
    }
    return "changed " + Number(change.tile) + " (" + std::to_string(change.pixels) +
           (change.pixels == 1 ? " pixel)\n" : " pixels)\n");
}

int Diff(const TilesRequest& request) {
    if (request.picture) {
        if (auto problem = Overwrites(request, request.files, {*request.picture})) {
            return Usage(*problem);
        }
    }
    const auto a = Read(request.files[0]);
    const auto b = a ? Read(request.files[1]) : std::nullopt;
    if (!b) {
        return kTrouble;
    }
    std::string text;
    const auto wordsA = orvane::tileset::FreeWordsOf(a->Header());
    const auto wordsB = orvane::tileset::FreeWordsOf(b->Header());
    const bool headerDiffers =
        request.header && (wordsA.first != wordsB.first || wordsA.last != wordsB.last);
    if (headerDiffers) {
        text = "changed header (free words " + std::to_string(wordsA.first) + " " +
               std::to_string(wordsA.last) + " to " + std::to_string(wordsB.first) + " " +
               std::to_string(wordsB.last) + ")\n";
    }
    const auto changes = orvane::tileset::DiffTiles(a->Tiles(), b->Tiles());
    for (const orvane::tileset::TileChange& change : changes) {
        text += ChangeLine(change);
    }
    if (request.picture) {
        if (auto failure = Attempt(Step::Writing, *request.picture, [&] {
                orvane::tileset::SaveDiffPng(b->Tiles(), changes, *request.picture);
            })) {
            Tell(*failure);
            return kTrouble;
        }
    }
    std::cout << text;
    return headerDiffers || !changes.empty() ? kDifferent : kSame;
}

int Run(const TilesRequest& request) {
    switch (request.command) {
        case Command::Duplicates:
            return Duplicates(request);
        case Command::Dedupe:
            return Dedupe(request);
        case Command::Diff:
            return Diff(request);
        case Command::Stats:
            break;
    }
    return Stats(request);
}

int Main(const orvane::cli::tiles::Request& request) {
    if (const auto* usage = std::get_if<orvane::cli::tiles::UsageError>(&request)) {
        return Usage(*usage);
    }
    if (const auto* help = std::get_if<orvane::cli::tiles::HelpRequest>(&request)) {
        std::cout << HelpText(help->command);
        return Status(Exit::Success);
    }
    if (std::holds_alternative<orvane::cli::tiles::VersionRequest>(request)) {
        std::cout << "orvane-tiles " << orvane::platform::AppVersion() << '\n';
        return Status(Exit::Success);
    }
    return Run(std::get<TilesRequest>(request));
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const orvane::cli::tiles::Request request = orvane::cli::tiles::ParseArguments(args);
    const auto* command = std::get_if<TilesRequest>(&request);
    // diff's output is its answer: one that did not reach standard output is trouble.
    const int failed =
        command != nullptr && command->command == Command::Diff ? kTrouble : Status(Exit::Failure);
    return orvane::cli::CloseStandardOutput(kPrefix, Main(request), failed);
}
