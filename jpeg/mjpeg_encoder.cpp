#include "jpeg/mjpeg_encoder.h"

#include <cerrno>
#include <cstdint>
#include <memory>
#include <utility>

#include "dib/cdibsection.h"
#include "jpeg/jpegenc.h"
#include "jpeg/mjpeg_encoder_testing.h"
#include "platform/app.h"
#include "platform/files.h"
#include "platform/kernel32.h"
#include "platform/runtime_error.h"

namespace orvane::mJPEGEncoder {
namespace {

EncoderEntryPoints& EntryPoints() {
    static EncoderEntryPoints entryPoints;
    return entryPoints;
}

std::string ErrorSource() {
    return platform::AppExeName() + ".mJPEGEncoder";
}

// Releases the encoder on every way out once it has been prepared, errors included: leaving it
// prepared would keep the library's memory for the life of the program.
class PreparedEncoder {
  public:
    explicit PreparedEncoder(JENC_CORE_PROPERTIES& record) : record_(&record) {}
    ~PreparedEncoder() { Free(); }
    PreparedEncoder(const PreparedEncoder&) = delete;
    PreparedEncoder& operator=(const PreparedEncoder&) = delete;

    void Free() {
        if (record_ != nullptr) {
            EntryPoints().Free(record_);
            record_ = nullptr;
        }
    }

  private:
    JENC_CORE_PROPERTIES* record_;
};

// The replaced file's flags and times go to its replacement, before it takes the old one's
// place: through the file held open, never by a name, which someone could point elsewhere
// (another file's link) between the rename and the calls. The final mode that Commit gives the
// file afterwards is the old file's too. Their results are not examined: the JPEG is written
// either way, and a file that cannot be reopened keeps what its creation gave it.
void CarryOver(const platform::PendingFile& jpegFile, const WIN32_FIND_DATAA& snapshot) {
    const std::string fileName = jpegFile.HeldFileName();
    const HFILE file = _lopen(fileName.c_str(), OF_WRITE | OF_SHARE_DENY_WRITE);
    if (file == HFILE_ERROR) {
        return;
    }
    SetFileTime(file, &snapshot.ftCreationTime, &snapshot.ftLastAccessTime,
                &snapshot.ftLastWriteTime);
    _lclose(file);
    SetFileAttributesA(fileName.c_str(), snapshot.dwFileAttributes);
}

// Why the library refused, in words, for the user who sees only its number.
std::string WriteFailureReason(int result, int error, const JENC_CORE_PROPERTIES& record) {
    if (result == JENC_ERR_FILE_CREATE || result == JENC_ERR_FILE_WRITE) {
        return error != 0 ? platform::SystemErrorReason(error) : "";
    }
    if (result == JENC_ERR_TOO_LARGE) {
        return "the picture is larger than a JPEG can hold";
    }
    if (record.DIBBytes == nullptr) {
        // A canvas 0 pixels wide (a tileset without tiles): no buffer could be made of it.
        return "there is no picture to save";
    }
    return "";
}

}  // namespace

EncoderEntryPoints SetEncoderEntryPoints(EncoderEntryPoints entryPoints) {
    const EncoderEntryPoints previous = EntryPoints();
    EntryPoints() = entryPoints;
    return previous;
}

bool SavePictureAsJpeg(const platform::PictureBox& picThis, const std::string& sFileName,
                       LONG lQuality) {
    const auto cDib = std::make_shared<cDIBSection>();
    cDib->CreateFromPicture(picThis.Image());
    cDib->LoadPictureBlt(picThis.hDC(), 0, 0, -1, -1, SRCCOPY);
    return WriteJpegFile(*cDib, sFileName, lQuality);
}

bool WriteJpegFile(const cDIBSection& cDib, const std::string& sFileName, LONG lQuality) {
    JENC_CORE_PROPERTIES record{};
    const int prepared = EntryPoints().Init(&record);
    if (prepared != JENC_OK) {
        platform::Raise(kJpegErrorNumber, ErrorSource(),
                        "Failed to initialise the JPEG library: " + std::to_string(prepared));
    }
    PreparedEncoder encoder(record);
    // A buffer of a size that a JPEG holds, but whose pixels could not be had: the memory ran
    // out, which is no failure of the library's.
    const auto fits = [](LONG side) {
        return side > 0 && static_cast<DWORD>(side) <= JENC_MAX_SIDE;
    };
    if (cDib.DIBSectionBitsPtr() == nullptr && fits(cDib.Width()) && fits(cDib.Height())) {
        platform::RaiseBecause(platform::ErrorNumber::OutOfMemory,
                               "the " + std::to_string(cDib.Width()) + " x " +
                                   std::to_string(cDib.Height()) +
                                   " pixels to write could not be copied");
    }

    WIN32_FIND_DATAA snapshot{};
    const HANDLE found = FindFirstFileA(sFileName.c_str(), &snapshot);
    const bool existed = found != INVALID_HANDLE_VALUE;
    if (existed) {
        FindClose(found);
    }

    // Where the old file would have been deleted, it is only checked: a read-only file still
    // refuses with the deletion's error, and nothing has been written yet.
    platform::PendingFile jpegFile(sFileName);

    // A buffer whose Create failed still reports the size it was asked for, any LONG at all: the
    // fields are formed in 64 bits and kept to the 32 the record holds, so that such a size
    // reaches the library (which refuses it) instead of overflowing here.
    const std::int64_t width = cDib.Width();
    const std::int64_t height = cDib.Height();
    record.DIBWidth = static_cast<DWORD>(width);
    record.DIBHeight = static_cast<LONG>(-height);
    record.DIBBytes = cDib.DIBSectionBitsPtr();
    record.DIBPadBytes = static_cast<DWORD>(cDib.BytesPerScanLine() - 3 * width);
    record.JPGFile = jpegFile.TempName().c_str();
    record.JPGWidth = static_cast<DWORD>(width);
    record.JPGHeight = static_cast<DWORD>(height);
    record.jquality = static_cast<DWORD>(lQuality);

    errno = 0;
    const int written = EntryPoints().Write(&record, JENC_JFILE_WRITEWHOLEIMAGE);
    if (written != JENC_OK) {
        // The library's file errors leave the failing system call's errno behind, which says
        // why; it is read before anything else can overwrite it.
        std::string reason = WriteFailureReason(written, errno, record);
        encoder.Free();
        platform::Raise(kJpegErrorNumber, ErrorSource(),
                        "Failed to save to JPG " + std::to_string(written),
                        kWriteFailureHelpContext, std::move(reason));
    }
    if (existed) {
        CarryOver(jpegFile, snapshot);
    }
    jpegFile.Commit();
    return true;
}

}  // namespace orvane::mJPEGEncoder
