// orvane-export --to DIR --format jpg|bmp|png TILESET...: many tilesets at once, on every
// processor.
//
// Each tileset is exported by a process of its own, forked from this one, through the very code
// of the two-argument form: the tileset painted as File > Open paints it, and written by the
// window's own writer of the format. The platform layer behind those (its GDI handle table)
// serves one thread, and a process keeps each export's state, its memory and any crash to itself.
#pragma once

#include "cli/arguments.h"

namespace orvane::cli {

struct BatchResult {
    int status = 0;     // the exit status: 0 when every picture was written, 1 otherwise
    int stoppedBy = 0;  // the signal that stopped the batch, for the caller to raise again
};

// Exports every tileset of the request. Each failure is one line on standard error, "orvane-export:
// TILESET: why"; on a terminal, standard error also shows the progress. SIGINT, SIGTERM or SIGHUP
// stops the batch: the exports under way are stopped (each leaves nothing; see PendingFile), and
// one line says how many pictures were written, "orvane-export: interrupted: 122 of 300
// exported"; stoppedBy is then that signal and status 128 + its number.
BatchResult RunBatchExport(const BatchRequest& request);

}  // namespace orvane::cli
