#include "platform/runtime_error.h"

#include "platform/app.h"

namespace orvane::platform {

std::string_view StandardDescription(ErrorNumber number) {
    switch (number) {
        case ErrorNumber::InvalidProcedureCall:
            return "Invalid procedure call or argument";
        case ErrorNumber::OutOfMemory:
            return "Out of memory";
        case ErrorNumber::BadFileNameOrNumber:
            return "Bad file name or number";
        case ErrorNumber::FileNotFound:
            return "File not found";
        case ErrorNumber::FileAlreadyOpen:
            return "File already open";
        case ErrorNumber::DeviceIOError:
            return "Device I/O error";
        case ErrorNumber::DiskFull:
            return "Disk full";
        case ErrorNumber::BadRecordNumber:
            return "Bad record number";
        case ErrorNumber::PermissionDenied:
            return "Permission denied";
        case ErrorNumber::PathFileAccessError:
            return "Path/File access error";
        case ErrorNumber::PathNotFound:
            return "Path not found";
        case ErrorNumber::InvalidPropertyValue:
            return "Invalid property value";
        case ErrorNumber::InvalidPicture:
            return "Invalid picture";
    }
    return "Application-defined or object-defined error";
}

RuntimeError::RuntimeError(std::int32_t number, std::string source, std::string description,
                           std::int32_t helpContext)
    : std::runtime_error(description),
      number_(number),
      source_(std::move(source)),
      description_(std::move(description)),
      helpContext_(helpContext) {}

void Raise(std::int32_t number, std::string source, std::string description,
           std::int32_t helpContext) {
    throw RuntimeError(number, std::move(source), std::move(description), helpContext);
}

void Raise(ErrorNumber number) {
    Raise(number, std::string(StandardDescription(number)));
}

void Raise(ErrorNumber number, std::string description) {
    Raise(static_cast<std::int32_t>(number), AppExeName(), std::move(description));
}

}  // namespace orvane::platform
