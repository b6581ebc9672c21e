#include "platform/runtime_error.h"

#include <cctype>
#include <cerrno>
#include <exception>
#include <new>
#include <system_error>

#include "platform/app.h"

namespace orvane::platform {

std::string_view StandardDescription(ErrorNumber number) {
    switch (number) {
        case ErrorNumber::InvalidProcedureCall:
            return "Invalid procedure call or argument";
        case ErrorNumber::OutOfMemory:
            return "Out of memory";
        case ErrorNumber::InternalError:
            return "Internal error";
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
        case ErrorNumber::InvalidFileFormat:
            return "Invalid file format";
        case ErrorNumber::InvalidPropertyValue:
            return "Invalid property value";
        case ErrorNumber::InvalidPicture:
            return "Invalid picture";
    }
    return "Application-defined or object-defined error";
}

RuntimeError::RuntimeError(std::int32_t number, std::string source, std::string description,
                           std::int32_t helpContext, std::string reason)
    : std::runtime_error(description),
      number_(number),
      source_(std::move(source)),
      description_(std::move(description)),
      helpContext_(helpContext),
      reason_(std::move(reason)) {}

void Raise(std::int32_t number, std::string source, std::string description,
           std::int32_t helpContext, std::string reason) {
    throw RuntimeError(number, std::move(source), std::move(description), helpContext,
                       std::move(reason));
}

void Raise(ErrorNumber number) {
    Raise(number, std::string(StandardDescription(number)));
}

void Raise(ErrorNumber number, std::string description) {
    Raise(static_cast<std::int32_t>(number), AppExeName(), std::move(description));
}

void RaiseBecause(ErrorNumber number, std::string reason) {
    Raise(static_cast<std::int32_t>(number), AppExeName(), std::string(StandardDescription(number)),
          0, std::move(reason));
}

std::string SystemErrorReason(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return "the folder does not exist";
        case ENOSPC:
            return "no space left on the device";
        case EACCES:
        case EPERM:
            return "permission denied";
        default:
            break;
    }
    std::string text = std::generic_category().message(error);
    if (!text.empty()) {
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    }
    return text;
}

std::string ErrorDetail(const RuntimeError& error) {
    std::string detail = "error " + std::to_string(error.Number()) + ": " + error.Description();
    if (!error.Reason().empty()) {
        detail.append(" (").append(error.Reason()).append(")");
    }
    return detail;
}

namespace {

RuntimeError StandardError(ErrorNumber number, std::string description) {
    return RuntimeError(static_cast<std::int32_t>(number), AppExeName(), std::move(description));
}

}  // namespace

bool RunCommand(const std::function<void()>& command,
                const std::function<void(const RuntimeError&)>& report) {
    try {
        command();
        return true;
    } catch (const RuntimeError& error) {
        report(error);
    } catch (const std::bad_alloc&) {
        // A picture too large for memory is the likely cause; the program can carry on.
        report(StandardError(ErrorNumber::OutOfMemory,
                             std::string(StandardDescription(ErrorNumber::OutOfMemory))));
    } catch (const std::exception& error) {
        // A fault of the program or of a library under it: the command is lost, not the program.
        std::string description(StandardDescription(ErrorNumber::InternalError));
        if (*error.what() != '\0') {
            description += std::string(": ") + error.what();
        }
        report(StandardError(ErrorNumber::InternalError, std::move(description)));
    } catch (...) {
        report(StandardError(ErrorNumber::InternalError,
                             std::string(StandardDescription(ErrorNumber::InternalError))));
    }
    return false;
}

}  // namespace orvane::platform
