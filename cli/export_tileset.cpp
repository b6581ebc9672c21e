#include "cli/export_tileset.h"

#include "cli/arguments.h"
#include "platform/msgbox.h"
#include "platform/runtime_error.h"
#include "viewer/common_dialog.h"
#include "viewer/error_report.h"
#include "viewer/main_form.h"

namespace orvane::cli {
namespace {

using platform::RuntimeError;
using viewer::MainForm;
using Step = ExportFailure::Step;

// The error's texts may hold a name (a link's, say), with whatever characters it has.
std::string Detail(const RuntimeError& error) {
    std::string detail = "error " + std::to_string(error.Number()) + ": " + error.Description();
    if (!error.Reason().empty()) {
        detail.append(" (").append(error.Reason()).append(")");
    }
    return EscapeControls(detail);
}

}  // namespace

std::optional<ExportFailure> ExportTileset(const std::string& tileset, const std::string& output,
                                           const Confirmation& confirm) {
    // The scripted dialog would take an empty name for a cancel, and Save As would then say "No
    // tileset loaded!" and succeed.
    if (tileset.empty()) {
        return ExportFailure{Step::Arguments, tileset, "TILESET must not be empty"};
    }
    if (viewer::SaveFormatOf(output) == viewer::SaveFormat::None) {
        return ExportFailure{Step::Arguments, output,
                             ShellQuoted(output) +
                                 " would write nothing: OUTPUT must end in \"bmp\" or \"jpg\", "
                                 "exactly (lower case)"};
    }

    viewer::ScriptedDialog dialog({tileset, output});
    MainForm form(dialog);
    const platform::ScopedMessageBoxHandler confirmations(
        [&](std::string_view prompt, std::string_view) { confirm(prompt); });
    // The message box would only show an error and let the export go on as if it had worked.
    std::optional<ExportFailure> failure;
    const auto run = [&](void (MainForm::*command)(), Step step, const std::string& file) {
        return viewer::RunCommand([&] { (form.*command)(); },
                                  [&](const RuntimeError& error) {
                                      failure = ExportFailure{step, file, Detail(error)};
                                  });
    };
    if (run(&MainForm::mnuOpen_Click, Step::Reading, tileset)) {
        run(&MainForm::mnuSaveAs_Click, Step::Writing, output);
    }
    return failure;
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
