// orvane-export's arguments, both forms: any words at all, split from the input at its zero
// bytes. Whatever they are, parsing writes no file and looks only at --to's folder and at which
// file each tileset is, and what it returns holds together: a batch names an existing folder, a
// format of jpg, bmp, png or tsx and at least one tileset, every one of them among the arguments,
// no two writing one picture; the single form takes its two operands as they are; and a usage
// problem is one line that no argument can break or fill with terminal escapes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "cli/arguments.h"

namespace {

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

bool HasControl(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) == 0x7f;
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orvane::cli;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> args;
    for (std::size_t start = 0; start <= input.size();) {
        const std::size_t end = std::min(input.find('\0', start), input.size());
        args.push_back(input.substr(start, end - start));
        start = end + 1;
    }
    if (size == 0) {
        args.clear();
    }

    const Request request = ParseArguments(args);
    if (const auto* usage = std::get_if<UsageError>(&request)) {
        Check(!usage->problem.empty() && !HasControl(usage->problem));
        const std::string text = UsageText(usage->problem);
        Check(text.starts_with(kPrefix) &&
              text.find('\n') == kPrefix.size() + usage->problem.size());
    } else if (const auto* single = std::get_if<ExportRequest>(&request)) {
        const auto given = [&](const std::string& operand) {
            return std::find(args.begin(), args.end(), operand) != args.end();
        };
        Check(given(single->tileset) && given(single->output) && single->columns >= 1);
        Check(!single->thumbnailSize || *single->thumbnailSize >= 1);
    } else if (const auto* batch = std::get_if<BatchRequest>(&request)) {
        Check(std::filesystem::is_directory(batch->folder));
        Check(batch->extension == "jpg" || batch->extension == "bmp" || batch->extension == "png" ||
              batch->extension == "tsx");
        Check(!batch->tilesets.empty());
        std::set<std::string> pictures;
        for (const std::string& tileset : batch->tilesets) {
            Check(!tileset.empty() && std::find(args.begin(), args.end(), tileset) != args.end());
            Check(pictures.insert(OutputFor(*batch, tileset)).second);
        }
    } else if (std::holds_alternative<VersionRequest>(request)) {
        Check(args.size() == 1 && args[0] == "--version");
    } else {
        Check(args.size() == 1 && (args[0] == "--help" || args[0] == "-h"));
    }
    // A name printed back is one line, whatever it holds.
    for (const std::string_view arg : args) {
        Check(!HasControl(ShellQuoted(arg)) && !HasControl(ShellQuoted(arg, Quotes::WhereNeeded)));
    }
    return 0;
}
