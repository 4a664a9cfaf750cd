// Files and folders by path on POSIX (platform/files.h), for the splitter
// and the terminal joiner, by the calls every file goes through
// (file_handle.h): a file opened shared for reading, its times, reads and
// writes; an open directory's descriptor, in which the splitter creates,
// names and removes its outputs.
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files.h"
#include "platform/posix/file_handle.h"
#include "platform/posix/lookup.h"

namespace {

int Descriptor(SystemHandle handle) { return static_cast<int>(handle); }

}  // namespace

// ---- Files ----------------------------------------------------------------------

int CloseSystemHandle(SystemHandle handle, SystemError* error) {
    return close(static_cast<int>(handle)) == 0 ? 1 : Failed(error, errno);
}

int OpenRegularFile(const std::string& path, SystemFile* file, uint64_t* size, SystemError* error) {
    file->Close(nullptr);
    int fd = OpenRegularAt(AT_FDCWD, path.c_str(), Sharing::Shared);
    if (fd < 0) return Failed(error, fd == kNotRegular ? kNotRegular : errno);
    struct stat info;
    if (fstat(fd, &info) != 0) {
        int number = errno;
        close(fd);
        return Failed(error, number);
    }
    file->handle = fd;
    *size = static_cast<uint64_t>(info.st_size);
    return 1;
}

int GetFileTimes(SystemHandle file, FileTimes* times, SystemError* error) {
    struct stat info;
    if (fstat(static_cast<int>(file), &info) != 0) return Failed(error, errno);
    times->modified[0] = info.st_mtim.tv_sec;
    times->modified[1] = info.st_mtim.tv_nsec;
    times->changed[0] = info.st_ctim.tv_sec;
    times->changed[1] = info.st_ctim.tv_nsec;
    return 1;
}

int ReadSome(SystemHandle file, void* buffer, size_t length, size_t* got, SystemError* error) {
    return ReadOnce(static_cast<int>(file), buffer, length, got) ? 1 : Failed(error, errno);
}

int SeekTo(SystemHandle file, uint64_t offset, SystemError* error) {
    if (offset > static_cast<uint64_t>(INT64_MAX)) return Failed(error, EOVERFLOW);
    if (lseek(Descriptor(file), static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(-1)) {
        return Failed(error, errno);
    }
    return 1;
}

int WriteAll(SystemHandle file, const void* data, size_t length, SystemError* error) {
    size_t written = 0;
    return WriteWhole(static_cast<int>(file), data, length, &written) ? 1 : Failed(error, errno);
}

int SyncFile(SystemHandle file, SystemError* error) {
    return SyncDescriptor(static_cast<int>(file)) ? 1 : Failed(error, errno);
}

NameLookup LookUp(const std::string& path, SystemError* error) {
    NameLookup lookup = LookUpName(AT_FDCWD, path.c_str());
    if (lookup == NameLookup::Unknown) Failed(error, errno);
    return lookup;
}

int RandomBytes(void* buffer, size_t length, SystemError* error) {
    return FillRandom(buffer, length) ? 1 : Failed(error, errno);
}

// ---- Folders ----------------------------------------------------------------------

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
