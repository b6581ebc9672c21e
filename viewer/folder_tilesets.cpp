#include "viewer/folder_tilesets.h"

#include <cctype>
#include <filesystem>

namespace orvane::viewer {
namespace {

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// ASCII only: the order must not change with the locale the program runs in.
char Folded(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The run of digits at the front of text, without its leading zeros (one zero for a run of
// them).
std::string_view DigitRun(std::string_view text, std::size_t& length) {
    length = 0;
    while (length < text.size() && IsDigit(text[length])) {
        ++length;
    }
    std::size_t first = 0;
    while (first + 1 < length && text[first] == '0') {
        ++first;
    }
    return text.substr(first, length - first);
}

// Below 0, 0 or above 0 as a comes before, beside or after b.
int NaturalCompare(std::string_view a, std::string_view b) {
    while (!a.empty() && !b.empty()) {
        if (IsDigit(a.front()) && IsDigit(b.front())) {
            std::size_t lengthA = 0;
            std::size_t lengthB = 0;
            // Compared as text, shortest first: values of any length, no overflow.
            const std::string_view valueA = DigitRun(a, lengthA);
            const std::string_view valueB = DigitRun(b, lengthB);
            if (valueA.size() != valueB.size()) {
                return valueA.size() < valueB.size() ? -1 : 1;
            }
            if (const int order = valueA.compare(valueB); order != 0) {
                return order;
            }
            a.remove_prefix(lengthA);
            b.remove_prefix(lengthB);
            continue;
        }
        const auto left = static_cast<unsigned char>(Folded(a.front()));
        const auto right = static_cast<unsigned char>(Folded(b.front()));
        if (left != right) {
            return left < right ? -1 : 1;
        }
        a.remove_prefix(1);
        b.remove_prefix(1);
    }
    return a.empty() == b.empty() ? 0 : (a.empty() ? -1 : 1);
}

bool IsShownTileset(const std::filesystem::directory_entry& entry) {
    const std::string name = entry.path().filename().string();
    std::string extension = entry.path().extension().string();
    for (char& c : extension) {
        c = Folded(c);
    }
    std::error_code unreadable;
    return !name.starts_with('.') && extension == ".tst" && entry.is_regular_file(unreadable);
}

}  // namespace

bool NaturalLess(std::string_view a, std::string_view b) {
    const int order = NaturalCompare(a, b);
    return order != 0 ? order < 0 : a < b;
}

std::optional<std::string> NeighbourTileset(const std::string& fileName, Direction direction) {
    const std::filesystem::path path(fileName);
    const std::string shown = path.filename().string();
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    std::optional<std::filesystem::path> nearest;
    std::error_code unreadable;
    for (std::filesystem::directory_iterator entry(folder, unreadable), end;
         !unreadable && entry != end; entry.increment(unreadable)) {
        if (!IsShownTileset(*entry)) {
            continue;
        }
        const std::string name = entry->path().filename().string();
        const bool beyond =
            direction == Direction::Next ? NaturalLess(shown, name) : NaturalLess(name, shown);
        const bool nearer = !nearest || (direction == Direction::Next
                                             ? NaturalLess(name, nearest->filename().string())
                                             : NaturalLess(nearest->filename().string(), name));
        if (beyond && nearer) {
            nearest = entry->path();
        }
    }
    if (unreadable || !nearest) {
        return std::nullopt;
    }
    return nearest->string();
}

}  // namespace orvane::viewer
