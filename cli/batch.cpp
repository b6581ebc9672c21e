#include "cli/batch.h"

#include <optional>
#include <string>
#include <vector>

#include "cli/export_tileset.h"
#include "cli/process_pool.h"
#include "cli/progress.h"
#include "cli/standard_error.h"
#include "platform/parallel.h"

namespace orvane::cli {
namespace {

// Why a tileset's export failed, after the tileset's name: what is wrong with reading it needs
// no second mention of it.
std::string ReasonAfterTheName(const Failure& failure) {
    return failure.step == Failure::Step::Writing ? Describe(failure) : failure.detail;
}

}  // namespace

BatchResult RunBatchExport(const BatchRequest& request) {
    const std::vector<std::string>& tilesets = request.tilesets;
    std::vector<std::string> outputs;
    outputs.reserve(tilesets.size());
    for (const std::string& tileset : tilesets) {
        outputs.push_back(OutputFor(request, tileset));
    }
    if (auto failure = OverwritesAnInput(tilesets, outputs)) {
        WriteStandardError(std::string(kPrefix) + Describe(*failure) + '\n');
        return {.status = 1};
    }
    const auto exportOne = [&](std::size_t index) -> std::optional<std::string> {
        const std::optional<Failure> failure = ExportTileset(
            tilesets[index], outputs[index], [](std::string_view) {}, {.columns = request.columns});
        if (!failure) {
            return std::nullopt;
        }
        return ReasonAfterTheName(*failure);
    };

    Progress progress(tilesets.size());
    std::size_t failed = 0;
    std::size_t exported = 0;
    const JobEvents events{
        .started = [&](std::size_t index) { progress.Started(tilesets[index]); },
        .ended =
            [&](const JobOutcome& outcome) {
                const std::string& tileset = tilesets[outcome.index];
                progress.Ended(tileset);
                if (!outcome.failure) {
                    ++exported;
                } else if (!outcome.stopped) {
                    ++failed;
                    progress.Say(std::string(kPrefix) + ShellQuoted(tileset, Quotes::WhereNeeded) +
                                 ": " + EscapeControls(*outcome.failure));
                }
            },
    };
    const int signal = RunJobs(tilesets.size(), platform::UsableProcessors(), exportOne, events);
    if (signal != 0) {
        progress.Interrupted(exported);
        return {.status = 128 + signal, .stoppedBy = signal};
    }
    progress.Finish(failed, request.folder);
    return {.status = failed == 0 ? 0 : 1};
}

}  // namespace orvane::cli
