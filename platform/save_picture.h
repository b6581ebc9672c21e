// The runtime's picture writer.
#pragma once

#include <string>

#include "platform/windef.h"

namespace orvane::platform {

// Writes picture to fileName as an uncompressed 24-bit Windows bitmap (BITMAPFILEHEADER,
// BITMAPINFOHEADER, then the rows bottom-up, each padded to 4 bytes), replacing any file of that
// name only once the whole bitmap has been written: a failed save leaves the old file as it was
// and no temporary file behind. Any bitmap handle will do, compatible bitmap or DIB section.
// Raises, with nothing written:
//   InvalidPicture (481)       a null or invalid handle, or a picture without pixels
//   PathFileAccessError (75)   the target is read-only or not a plain file, or cannot be written
//   PathNotFound (76)          the folder does not exist
//   BadFileNameOrNumber (52)   an empty name
// and DiskFull (61) or DeviceIOError (57) when the write itself fails.
void SavePicture(HBITMAP picture, const std::string& fileName);

}  // namespace orvane::platform
