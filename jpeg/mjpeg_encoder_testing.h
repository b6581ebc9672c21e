// mJPEGEncoder's calls into the JPEG Encoder Library, replaceable so that tests can watch them or
// make one of them fail.
#pragma once

#include "jpeg/jpegenc.h"

namespace orvane::mJPEGEncoder {

struct EncoderEntryPoints {
    int (*Init)(JENC_CORE_PROPERTIES*) = jencInit;
    int (*Write)(JENC_CORE_PROPERTIES*, int) = jencWrite;
    int (*Free)(JENC_CORE_PROPERTIES*) = jencFree;
};

// Installs entry points and returns the ones they replace.
EncoderEntryPoints SetEncoderEntryPoints(EncoderEntryPoints entryPoints);

}  // namespace orvane::mJPEGEncoder
