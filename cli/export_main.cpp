// orvane-export: File > Open and File > Save As without the window, for people with many
// tilesets to turn into pictures. The same commands run, answered by a scripted dialog, so a file
// written here is the file the window would write.
#include <iostream>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/msgbox.h"
#include "platform/runtime_error.h"
#include "viewer/common_dialog.h"
#include "viewer/error_report.h"
#include "cli/export_batch.h"
#include "viewer/main_form.h"

namespace {

using orvane::platform::RuntimeError;
using orvane::viewer::MainForm;
using orvane::viewer::SaveFormat;
using orvane::viewer::SaveFormatOf;
using orvane::viewer::ScriptedDialog;

// The exit statuses, as the help text tells them.
enum class Exit : int { Success = 0, Failure = 1, Usage = 2 };

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

int Status(Exit exit) {
    return static_cast<int>(exit);
}

int Usage(std::string_view problem) {
    std::cerr << "orvane-export: " << problem << '\n'
              << kSynopsis << "Run 'orvane-export --help' for the details.\n";
    return Status(Exit::Usage);
}

// Runs one command; an error is told on standard error (the message-box path would only print
// it and let the export go on as if it had worked), with the reason where the system gave one.
bool Run(MainForm& form, void (MainForm::*command)(), std::string_view doing,
         const std::string& name) {
    return orvane::viewer::RunCommand([&] { (form.*command)(); },
                                      [&](const RuntimeError& error) {
                                          std::cerr << "orvane-export: " << doing << " '" << name
                                                    << "': error " << error.Number() << ": "
                                                    << error.Description();
                                          if (!error.Reason().empty()) {
                                              std::cerr << " (" << error.Reason() << ')';
                                          }
                                          std::cerr << '\n';
                                      });
}

int Export(const std::string& tileset, const std::string& output) {
    // The scripted dialog would take an empty name for a cancel, and Save As would then say "No
    // tileset loaded!" and succeed.
    if (tileset.empty()) {
        return Usage("TILESET must not be empty");
    }
    if (SaveFormatOf(output) == SaveFormat::None) {
        return Usage("'" + output +
                     "' would write nothing: OUTPUT must end in \"bmp\" or \"jpg\", exactly "
                     "(lower case)");
    }

    ScriptedDialog dialog({tileset, output});
    MainForm form(dialog);
    const orvane::platform::ScopedMessageBoxHandler toStandardOutput(
        [](std::string_view prompt, std::string_view) { std::cout << prompt << '\n'; });

    if (!Run(form, &MainForm::mnuOpen_Click, "reading", tileset) ||
        !Run(form, &MainForm::mnuSaveAs_Click, "writing", output)) {
        return Status(Exit::Failure);
    }
    return Status(Exit::Success);
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    if (orvane::cli::IsBatchExport(args)) {
        auto request = orvane::cli::ParseBatchArguments(args);
        if (const auto* problem = std::get_if<std::string>(&request)) {
            return Usage(*problem);
        }
        return orvane::cli::RunBatchExport(std::get<orvane::cli::BatchRequest>(request),
                                              Export);
    }
    if (argc == 2) {
        const std::string_view option = argv[1];
        if (option == "--help" || option == "-h") {
            std::cout << kSynopsis << kDetails << orvane::cli::kBatchDetails;
            return Status(Exit::Success);
        }
    }
    if (argc != 3) {
        return Usage("expected two arguments, TILESET and OUTPUT");
    }
    return Export(argv[1], argv[2]);
}
