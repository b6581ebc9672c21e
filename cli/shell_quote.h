// Names as the command-line programs print them, so that a name cannot forge a line of their
// output or reach the terminal as an escape sequence.
#pragma once

#include <string>
#include <string_view>

namespace orvane::cli {

enum class Quotes { Always, WhereNeeded };

// A name as ls and coreutils print it (shell-escape quoting): 'my tiles.tst', 'it'\''s.tst', and
// a byte that is not printable outside the quotes in the shell's $'...' form,
// 'evil'$'\n''fake.tst'. Names are read as UTF-8: a printable character of it stays as it is;
// control characters (C1 ones too, raw or encoded), the line and paragraph separators, and bytes
// that are not well-formed UTF-8 are escaped, byte by byte.
// WhereNeeded leaves a name of letters, digits and -_./,:+@%= bare, as ls does.
std::string ShellQuoted(std::string_view name, Quotes quotes = Quotes::Always);

// Text with each run of bytes that are not printable in the shell's $'...' form, closing and
// reopening the quotes around it: a name that the text holds in '...' comes out as ShellQuoted
// gives it.
std::string EscapeControls(std::string_view text);

}  // namespace orvane::cli
