// Folders on POSIX: an open directory's descriptor, in which the splitter
// creates, names and removes its outputs by the calls every file goes
// through (file_handle.h).
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include "platform/files.h"
#include "platform/posix/file_handle.h"
#include "platform/posix/lookup.h"

namespace {

int Descriptor(SystemHandle handle) { return static_cast<int>(handle); }

}  // namespace

int OpenDirectory(const std::string& path, SystemFile* directory, SystemError* error) {
    directory->Close(nullptr);
    int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return Failed(error, errno);
    directory->handle = fd;
    return 1;
}

size_t LongestName(SystemHandle directory) {
    long longest = fpathconf(Descriptor(directory), _PC_NAME_MAX);
    return longest > 0 ? static_cast<size_t>(longest) : NAME_MAX;
}

size_t NameLength(const std::string& name) { return name.size(); }

NameUnit NameUnits() { return NameUnit::Bytes; }

NameLookup LookUpIn(SystemHandle directory, const std::string& name, SystemError* error) {
    NameLookup lookup = LookUpName(Descriptor(directory), name.c_str());
    if (lookup == NameLookup::Unknown) Failed(error, errno);
    return lookup;
}

int ListDirectory(SystemHandle directory, std::vector<std::string>* names, SystemError* error) {
    return ListNames(Descriptor(directory), names) ? 1 : Failed(error, errno);
}

int CreateIn(SystemHandle directory, const std::string& name, bool executable, SystemFile* file,
             SystemError* error) {
    file->Close(nullptr);
    int fd = CreateNewAt(Descriptor(directory), name.c_str(), executable ? 0777 : 0666);
    if (fd < 0) return Failed(error, errno);
    file->handle = fd;
    return 1;
}

int RenameIn(SystemHandle directory, const std::string& from, const std::string& to,
             SystemError* error) {
    int fd = Descriptor(directory);
    return RenameWithoutReplacing(fd, from.c_str(), fd, to.c_str()) ? 1 : Failed(error, errno);
}

void RemoveIn(SystemHandle directory, const std::string& name) {
    unlinkat(Descriptor(directory), name.c_str(), 0);
}

int SyncDirectory(SystemHandle directory, SystemError* error) {
    return SyncDescriptor(Descriptor(directory)) ? 1 : Failed(error, errno);
}
