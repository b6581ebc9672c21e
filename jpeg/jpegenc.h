// The JPEG Encoder Library: encodes a 24-bit DIB held in memory into a JPEG file in one call.
//
// Built on libjpeg-turbo's TurboJPEG. The caller zero-fills a record, calls jencInit (which puts
// the defaults in and prepares an encoder), sets the DIB and JPEG fields, calls jencWrite, and
// calls jencFree whatever jencWrite returned. Records are independent; several may be live at
// once, on different threads too.
//
// What jencWrite writes: a baseline (sequential, Huffman) JFIF file, YCbCr colour, at the record's
// quality on libjpeg's 1..100 scale, with full-resolution chroma (4:4:4). Tiles are pixel art
// whose colour changes from one pixel to the next; halving the chroma resolution (4:2:0) would
// smear every such edge, for a file only about a fifth smaller on tile content.
//
// A picture taller than one band is cut into bands of whole 8-row MCU rows, compressed at the
// same time on as many threads as the caller may keep busy (platform::UsableProcessors), and
// joined into one scan with a restart interval of one band (jpeg/band_join.h). The file decodes to
// exactly the pixels of a single-threaded encoding, larger only by the restart markers and the
// padding before them (a few thousandths of a percent on the largest canvas). Bands are written
// in order as they are done, so memory holds a few bands of coded data, never the whole file. The
// bands depend only on the picture's size: the bytes are the same whatever the number of threads.
#pragma once

#include <cstdint>

#include "platform/windef.h"

// Results. Every failure but ENCODE, FILE_CREATE and FILE_WRITE is refused before any pixel is
// read or any file is created or truncated. The two file results return with errno set by the
// failing system call.
inline constexpr int JENC_OK = 0;
inline constexpr int JENC_ERR_RECORD = -1;       // null record, or not prepared by jencInit
                                                 // (never, freed already, or prepared twice);
                                                 // or DIBBytes or JPGFile is null
inline constexpr int JENC_ERR_SIZE = -2;         // a width or height of 0, JPG and DIB sizes that
                                                 // differ, or DIBPadBytes over 3
inline constexpr int JENC_ERR_QUALITY = -3;      // jquality outside 1..100
inline constexpr int JENC_ERR_MODE = -4;         // a mode other than JENC_JFILE_WRITEWHOLEIMAGE
inline constexpr int JENC_ERR_INIT = -5;         // jencInit: no encoder could be prepared
inline constexpr int JENC_ERR_ENCODE = -6;       // the encoder failed (out of memory, say); the
                                                 // file may then be incomplete
inline constexpr int JENC_ERR_FILE_CREATE = -7;  // JPGFile cannot be created or opened
inline constexpr int JENC_ERR_FILE_WRITE = -8;   // writing or closing JPGFile failed; the file
                                                 // may then be incomplete
inline constexpr int JENC_ERR_TOO_LARGE = -9;    // a side over JENC_MAX_SIDE: no JPEG that
                                                 // common readers take can hold the picture

// The widest and tallest picture jencWrite takes. A JPEG frame stores each side in 16 bits, but
// libjpeg, behind most programs that read JPEG files, refuses sides over 65 500.
inline constexpr DWORD JENC_MAX_SIDE = 65'500;

// jencWrite's one mode: encode the whole image into the file named by JPGFile.
inline constexpr int JENC_JFILE_WRITEWHOLEIMAGE = 8;

// The quality jencInit puts in the record.
inline constexpr DWORD JENC_DEFAULT_QUALITY = 75;

struct JENC_CORE_PROPERTIES {
    // The picture: DIBWidth x |DIBHeight| pixels of 3 bytes (blue, green, red), each row followed
    // by DIBPadBytes bytes of padding. A negative DIBHeight means the rows are stored bottom-up
    // (the first row in memory is the picture's bottom row); a positive one, top-down.
    DWORD DIBWidth;
    LONG DIBHeight;
    const void* DIBBytes;
    DWORD DIBPadBytes;

    // The file: its name (zero-terminated; created, or truncated if it exists), and its size,
    // which must be the DIB's. The JPEG is always upright, whichever way the rows lie.
    const char* JPGFile;
    DWORD JPGWidth;
    DWORD JPGHeight;
    DWORD jquality;

    // The encoder's own; 0 in a zero-filled record.
    std::uint64_t encoder;
};

int jencInit(JENC_CORE_PROPERTIES* props);
int jencWrite(JENC_CORE_PROPERTIES* props, int mode);
// Releases what jencInit prepared and marks the record unprepared. JENC_ERR_RECORD for a record
// that is not prepared (nothing happens then).
int jencFree(JENC_CORE_PROPERTIES* props);
