// What tests and the fuzzers may do to the clipboard beyond the Windows calls.
#pragma once

namespace orvane::platform::testing {

// Closes and empties the clipboard, removes the sink and ends RefuseClipboardData: a clean start
// for each test.
void ResetClipboard();

// While on, SetClipboardData fails as Windows' does when it cannot store the data.
void RefuseClipboardData(bool refuse);

}  // namespace orvane::platform::testing
