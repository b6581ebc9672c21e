#include "viewer/common_dialog.h"

#include "platform/runtime_error.h"

namespace orvane::viewer {

std::vector<FilterEntry> ParseFilter(std::string_view filter) {
    std::vector<std::string_view> fields;
    while (!filter.empty()) {
        const std::size_t bar = filter.find('|');
        fields.push_back(filter.substr(0, bar));
        filter = bar == std::string_view::npos ? std::string_view{} : filter.substr(bar + 1);
    }
    std::vector<FilterEntry> entries;
    for (std::size_t i = 0; i < fields.size(); i += 2) {
        entries.push_back({std::string(fields[i]),
                           i + 1 < fields.size() ? std::string(fields[i + 1]) : std::string()});
    }
    return entries;
}

void CommonDialog::Show(DialogKind kind) {
    fileName_ = Ask(kind);
    if (fileName_.empty() && cancelError_) {
        platform::Raise(kCancelErrorNumber, std::string(kCancelErrorSource),
                        std::string(kCancelErrorDescription));
    }
}

}  // namespace orvane::viewer
