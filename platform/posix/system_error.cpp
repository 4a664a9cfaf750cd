// A failure of the POSIX layer as a value (platform/files.h): its kind
// and the system's words.
#include <errno.h>

#include <cstring>

#include "platform/posix/file_handle.h"

int Failed(SystemError* error, int number) {
    if (number == kNotRegular) {
        error->fault = SystemFault::NotRegular;
        error->reason = "not a regular file";
        return 0;
    }
    switch (number) {
        case ENOENT: error->fault = SystemFault::Missing; break;
        case EEXIST: error->fault = SystemFault::Exists; break;
        case ENOTDIR: error->fault = SystemFault::NotDirectory; break;
        default: error->fault = SystemFault::Other; break;
    }
    error->reason = std::strerror(number);
    return 0;
}
