// How jencWrite cuts a picture into bands and how many it compresses at once, for tests and
// benchmarks that compare ways of doing it. The program itself only calls jencWrite, which takes
// the defaults.
#pragma once

#include "jpeg/jpegenc.h"

inline constexpr unsigned JENC_DEFAULT_BAND_ROWS = 256;

struct JencWriteOptions {
    // How many bands are compressed at once; 0 for as many as the caller's usable processors
    // (platform::UsableProcessors).
    unsigned threads = 0;
    // The rows of a band, rounded down to a multiple of 8 (at least 8), and lowered where a band
    // would exceed JPEG's restart interval of 65 535 MCUs.
    unsigned bandRows = JENC_DEFAULT_BAND_ROWS;
};

// jencWrite with other options than the defaults. The file's bytes depend on bandRows alone.
int jencWriteWithOptions(JENC_CORE_PROPERTIES* props, int mode, const JencWriteOptions& options);
