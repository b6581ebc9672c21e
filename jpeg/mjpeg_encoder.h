// mJPEGEncoder: writes a picture box's picture, or a cDIBSection, to a JPEG file through the JPEG
// Encoder Library, at a given quality.
//
// A file that is replaced keeps its attributes and its last-access and last-write times (Linux
// cannot set a creation time). The old file is never lost: the new JPEG is written beside it and
// renamed over it only once complete, so on any failure the old file is exactly as it was.
//
// Every failure is raised as a runtime error; a successful call returns true, so neither
// operation ever returns false. The encoder library's failures are error 26001 with the source
// "<program>.mJPEGEncoder" and a description that ends in the library's result; when the file
// could not be created or written, the system's reason goes with it (RuntimeError::Reason).
#pragma once

#include <cstdint>
#include <string>

#include "platform/picture_box.h"
#include "platform/windef.h"

namespace orvane {

class cDIBSection;

namespace mJPEGEncoder {

inline constexpr std::int32_t kJpegErrorNumber = 26001;
// The help-file value that a write failure carries; nothing reads it.
inline constexpr std::int32_t kWriteFailureHelpContext = 48;

// Copies what the box's device context holds into a new buffer of the picture's size and writes
// it with WriteJpegFile. The buffer is released on every way out.
bool SavePictureAsJpeg(const platform::PictureBox& picThis, const std::string& sFileName,
                       LONG lQuality);

// Hands the buffer's rows to the encoder in place (bottom-up, with their padding) and writes
// sFileName. An existing read-only sFileName is refused (error 75) before anything is written.
bool WriteJpegFile(const cDIBSection& cDib, const std::string& sFileName, LONG lQuality);

}  // namespace mJPEGEncoder
}  // namespace orvane
