#include "cli/export_tileset.h"

#include "cli/arguments.h"
#include "platform/msgbox.h"
#include "platform/runtime_error.h"
#include "tileset/png.h"
#include "tileset/thumbnail.h"
#include "viewer/common_dialog.h"
#include "viewer/error_report.h"
#include "viewer/main_form.h"

namespace orvane::cli {
namespace {

using platform::RuntimeError;
using viewer::MainForm;
using Step = ExportFailure::Step;

std::optional<ExportFailure> EmptyTileset(const std::string& tileset) {
    // The scripted dialog would take an empty name for a cancel, and Save As would then say "No
    // tileset loaded!" and succeed.
    if (tileset.empty()) {
        return ExportFailure{Step::Arguments, tileset, "TILESET must not be empty"};
    }
    return std::nullopt;
}

// Opens tileset and hands it to write, which writes output.
std::optional<ExportFailure> WithTileset(const std::string& tileset, const std::string& output,
                                         const std::function<void(tileset::TilesetFile&)>& write) {
    std::optional<tileset::TilesetFile> file;
    auto failure = Attempt(Step::Reading, tileset, [&] { file.emplace(tileset); });
    if (!failure) {
        failure = Attempt(Step::Writing, output, [&] { write(*file); });
    }
    return failure;
}

}  // namespace

std::optional<ExportFailure> Attempt(Step step, const std::string& file,
                                     const std::function<void()>& command) {
    std::optional<ExportFailure> failure;
    viewer::RunCommand(command, [&](const RuntimeError& error) {
        // The error's texts may hold a name (a link's, say), with whatever characters it has.
        failure =
            ExportFailure{step, file, EscapeControls(viewer::ErrorDetail(error)), error.Number()};
    });
    return failure;
}

std::optional<ExportFailure> ExportTileset(const std::string& tileset, const std::string& output,
                                           const Confirmation& confirm,
                                           const ExportOptions& options) {
    if (auto failure = EmptyTileset(tileset)) {
        return failure;
    }
    const viewer::SaveFormat format = viewer::SaveFormatOf(output);
    if (format == viewer::SaveFormat::None) {
        return ExportFailure{Step::Arguments, output,
                             ShellQuoted(output) +
                                 " would write nothing: OUTPUT must end in \"bmp\", \"jpg\" or "
                                 "\"png\", exactly (lower case)"};
    }
    // File > Export PNG reads the tileset's file, as this does: the canvas would add nothing.
    if (format == viewer::SaveFormat::Png) {
        tileset::PngExportOptions png;
        png.columns = options.columns;
        auto failure = WithTileset(tileset, output, [&](tileset::TilesetFile& file) {
            tileset::SaveTilesetAsPng(file, output, png);
        });
        if (!failure) {
            confirm(viewer::kPngSaved);
        }
        return failure;
    }

    viewer::ScriptedDialog dialog({tileset, output});
    MainForm form(dialog);
    const platform::ScopedMessageBoxHandler confirmations(
        [&](std::string_view prompt, std::string_view) { confirm(prompt); });
    // The message box would only show an error and let the export go on as if it had worked.
    const auto run = [&](void (MainForm::*command)(), Step step, const std::string& file) {
        return Attempt(step, file, [&] { (form.*command)(); });
    };
    auto failure = run(&MainForm::mnuOpen_Click, Step::Reading, tileset);
    if (!failure) {
        failure = run(&MainForm::mnuSaveAs_Click, Step::Writing, output);
    }
    return failure;
}

std::optional<ExportFailure> ExportThumbnail(const std::string& tileset, const std::string& output,
                                             int size) {
    if (auto failure = EmptyTileset(tileset)) {
        return failure;
    }
    return WithTileset(tileset, output, [&](tileset::TilesetFile& file) {
        tileset::SaveTilesetThumbnail(file, output, size);
    });
}

std::string Describe(const ExportFailure& failure) {
    switch (failure.step) {
        case Step::Reading:
            return "reading " + ShellQuoted(failure.file) + ": " + failure.detail;
        case Step::Writing:
            return "writing " + ShellQuoted(failure.file) + ": " + failure.detail;
        case Step::Arguments:
            break;
    }
    return failure.detail;
}

}  // namespace orvane::cli
