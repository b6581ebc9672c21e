// orvane-export --to DIR --format jpg|bmp|png TILESET...: many tilesets at once, on every
// processor.
//
// Each tileset is exported by a process of its own, forked from this one, through the very code
// of the two-argument form: File > Open and File > Save As answered by a scripted dialog. The
// platform layer behind those commands (its GDI handle table, the message box handler) serves one
// thread, and a process keeps each export's state, its memory and any crash to itself.
#pragma once

#include "cli/arguments.h"

namespace orvane::cli {

// Exports every tileset of the request. Each failure is one line on standard error, "orvane-export:
// TILESET: why"; on a terminal, standard error also shows the progress. Returns 0 when every
// picture was written, 1 otherwise.
int RunBatchExport(const BatchRequest& request);

}  // namespace orvane::cli
