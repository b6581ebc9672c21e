#include "cli/shell_quote.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <tuple>

namespace orvane::cli {
namespace {

// The bytes of the printable character that text begins with, read as UTF-8: none when its first
// byte is to be escaped, being a control character (C0, DEL or C1, raw or encoded), the line or
// paragraph separator (which a terminal may take as a line's end), or no part of well-formed
// UTF-8. Each byte of a character that is not printable is escaped in turn, as ls does.
std::size_t PrintableBytes(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        return lead < 0x20 || lead == 0x7f ? 0 : 1;
    }
    // The sequence's length, its lead's bits of the code point, and the least code point it may
    // encode (a longer one is overlong).
    const auto [length, bits, least] = lead >= 0xF0   ? std::tuple{4, 0x07u, 0x10000u}
                                       : lead >= 0xE0 ? std::tuple{3, 0x0Fu, 0x800u}
                                       : lead >= 0xC0 ? std::tuple{2, 0x1Fu, 0x80u}
                                                      : std::tuple{0, 0u, 0u};
    if (length == 0 || text.size() < static_cast<std::size_t>(length)) {
        return 0;
    }
    std::uint32_t code = lead & bits;
    for (int i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return 0;
        }
        code = code << 6 | (byte(i) & 0x3Fu);
    }
    const bool wellFormed = code >= least && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
    const bool printable = code > 0x9F && code != 0x2028 && code != 0x2029;
    return wellFormed && printable ? static_cast<std::size_t>(length) : 0;
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
    for (std::size_t i = 0; i < text.size();) {
        if (const std::size_t bytes = PrintableBytes(text.substr(i)); bytes != 0) {
            out.append(text.substr(i, bytes));
            i += bytes;
            continue;
        }
        out += "'$'";
        for (; i < text.size() && PrintableBytes(text.substr(i)) == 0; ++i) {
            AppendEscape(out, text[i]);
        }
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
