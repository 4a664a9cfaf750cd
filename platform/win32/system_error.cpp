// A failure of the Windows layer as a value (platform/files.h): its kind
// and the system's words (FormatMessageW), on one line.
#include <windows.h>

#include <string>

#include "platform/win32/file_handle.h"

int FailedWith(SystemError* error, SystemFault fault, DWORD code) {
    error->fault = fault;
    if (fault == SystemFault::NotRegular) {
        error->reason = "not a regular file";
        return 0;
    }
    wchar_t message[512];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                  code, 0, message, 512, nullptr);
    // One line, without the closing full stop: the messages go on after it.
    while (length > 0 && (message[length - 1] == L'\r' || message[length - 1] == L'\n' ||
                          message[length - 1] == L' ' || message[length - 1] == L'.')) {
        --length;
    }
    error->reason = length > 0 ? Utf8Of(message, length) : "system error " + std::to_string(code);
    return 0;
}

int Failed(SystemError* error, DWORD code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return FailedWith(error, SystemFault::Missing, code);
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS: return FailedWith(error, SystemFault::Exists, code);
        default: return FailedWith(error, SystemFault::Other, code);
    }
}
