#include "cli/shell_quote.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace orvane::cli {
namespace {

bool IsControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7f;
}

bool IsBareInAShell(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 ||
           std::string_view("-_./,:+@%=").find(c) != std::string_view::npos;
}

void AppendEscape(std::string& out, char c) {
    switch (c) {
        case '\n':
            out += "\\n";
            return;
        case '\t':
            out += "\\t";
            return;
        case '\r':
            out += "\\r";
            return;
        default:
            break;
    }
    char octal[8];
    std::snprintf(octal, sizeof octal, "\\%03o",
                  static_cast<unsigned>(static_cast<unsigned char>(c)));
    out += octal;
}

}  // namespace

std::string EscapeControls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!IsControl(text[i])) {
            out += text[i];
            continue;
        }
        out += "'$'";
        for (; i < text.size() && IsControl(text[i]); ++i) {
            AppendEscape(out, text[i]);
        }
        --i;
        out += "''";
    }
    return out;
}

std::string ShellQuoted(std::string_view name, Quotes quotes) {
    if (quotes == Quotes::WhereNeeded && !name.empty() &&
        std::all_of(name.begin(), name.end(), IsBareInAShell)) {
        return std::string(name);
    }
    std::string inner;
    for (const char c : name) {
        inner += c == '\'' ? std::string_view("'\\''") : std::string_view(&c, 1);
    }
    std::string quoted(1, '\'');
    quoted.append(EscapeControls(inner)).append(1, '\'');
    // The empty '' that an escape at either end leaves.
    if (quoted.size() > 2 && quoted.starts_with("''")) {
        quoted.erase(0, 2);
    }
    if (quoted.size() > 2 && quoted.ends_with("''")) {
        quoted.erase(quoted.size() - 2);
    }
    return quoted;
}

}  // namespace orvane::cli
