// The program's folder on POSIX: the folder of the executable the kernel
// started, links resolved.
#include <unistd.h>

#include "platform/paths.h"
#include "platform/platform.h"

int UseProgramFolder() {
    SystemError error;
    std::string self = ProgramPath(&error);
    return !self.empty() && chdir(DirectoryName(self).c_str()) == 0;
}
