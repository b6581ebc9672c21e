// The file dialog service CommonDialog1: each command sets its Filter and CancelError, shows it,
// and reads FileName. The window puts a real dialog behind it; tests script one
// (common_dialog_testing.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::viewer {

// The dialog control's own error for a cancelled dialog when CancelError is set.
inline constexpr std::int32_t kCancelErrorNumber = 32755;
inline constexpr std::string_view kCancelErrorSource = "CommonDialog";
inline constexpr std::string_view kCancelErrorDescription = "Cancel was selected.";

enum class DialogKind { Open, Save };

// One entry of a "description|pattern|description|pattern..." filter. A pattern may list several
// globs separated by ';'.
struct FilterEntry {
    std::string description;
    std::string pattern;
    bool operator==(const FilterEntry&) const = default;
};
// A trailing description without a pattern gets an empty one.
std::vector<FilterEntry> ParseFilter(std::string_view filter);

class CommonDialog {
  public:
    virtual ~CommonDialog() = default;

    const std::string& Filter() const { return filter_; }
    void Filter(std::string filter) { filter_ = std::move(filter); }
    bool CancelError() const { return cancelError_; }
    void CancelError(bool cancelError) { cancelError_ = cancelError; }
    const std::string& FileName() const { return fileName_; }
    void FileName(std::string fileName) { fileName_ = std::move(fileName); }
    // The dialog's caption; "" gives the dialog's own ("Open", "Save As").
    const std::string& DialogTitle() const { return dialogTitle_; }
    void DialogTitle(std::string title) { dialogTitle_ = std::move(title); }

    // Puts the chosen name in FileName. A cancelled dialog leaves FileName empty, so that no
    // command can act on a name chosen earlier; with CancelError set it then raises 32755.
    void ShowOpen() { Show(DialogKind::Open); }
    void ShowSave() { Show(DialogKind::Save); }

  protected:
    // The name the user chose, or "" when the dialog was cancelled.
    virtual std::string Ask(DialogKind kind) = 0;

  private:
    void Show(DialogKind kind);

    std::string filter_;
    bool cancelError_ = false;
    std::string fileName_;
    std::string dialogTitle_;
};

}  // namespace orvane::viewer
