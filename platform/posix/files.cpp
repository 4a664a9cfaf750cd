// Files on POSIX: the calls every file of every program goes through, and
// the join's files (platform.h). Every program names files in UTF-8, as
// the file system holds them. Names change in one rename (renameat2 without
// replacing, link and unlink where the file system lacks it), made durable
// by a sync of the directory.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <stdio.h>
#include <unistd.h>

#include <cstring>
#include <new>
#include <string>

#include "platform/paths.h"
#include "platform/platform.h"
#include "platform/posix/file_handle.h"
#include "platform/posix/lookup.h"

// ---- The calls every file goes through -------------------------------------

namespace {

// Closes a descriptor on a failure, keeping the failure's errno.
int CloseFailing(int fd) {
    int error = errno;
    close(fd);
    errno = error;
    return -1;
}

// Takes the exclusive lock, or closes the descriptor.
int Locked(int fd) {
    if (fd < 0 || flock(fd, LOCK_EX | LOCK_NB) == 0) return fd;
    return CloseFailing(fd);
}

}  // namespace

int OpenRegularAt(int directory, const char* path, Sharing sharing) {
    int fd = openat(directory, path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat info;
    if (fstat(fd, &info) != 0) return CloseFailing(fd);
    if (!S_ISREG(info.st_mode)) {
        close(fd);
        return kNotRegular;
    }
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return CloseFailing(fd);
    return sharing == Sharing::Exclusive ? Locked(fd) : fd;
}

int CreateNewAt(int directory, const char* path, mode_t mode) {
    // O_EXCL fails on any name that exists, a link (dangling or not)
    // included; O_NOFOLLOW says so once more.
    int fd = openat(directory, path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0 || flock(fd, LOCK_EX | LOCK_NB) == 0) return fd;
    // The file is this call's own: it goes again.
    CloseFailing(fd);
    int error = errno;
    unlinkat(directory, path, 0);
    errno = error;
    return -1;
}

int ReadOnce(int fd, void* buffer, size_t size, size_t* got) {
    for (;;) {
        ssize_t n = read(fd, buffer, size);
        if (n >= 0) {
            *got = static_cast<size_t>(n);
            return 1;
        }
        if (errno != EINTR) return 0;
    }
}

int WriteWhole(int fd, const void* data, size_t size, size_t* written) {
    const uint8_t* at = static_cast<const uint8_t*>(data);
    *written = 0;
    while (*written < size) {
        ssize_t n = write(fd, at + *written, size - *written);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return 0;
        if (n == 0) {
            errno = EIO;
            return 0;
        }
        *written += static_cast<size_t>(n);
    }
    return 1;
}

int SyncDescriptor(int fd) {
    for (;;) {
        if (fsync(fd) == 0) return 1;
        if (errno != EINTR) return 0;
    }
}

int RenameWithoutReplacing(int fromDirectory, const char* from, int toDirectory, const char* to) {
    if (renameat2(fromDirectory, from, toDirectory, to, RENAME_NOREPLACE) == 0) return 1;
    if (errno != EINVAL && errno != ENOSYS) return 0;
    // A file system without the flag: a new link fails on a taken name too.
    if (linkat(fromDirectory, from, toDirectory, to, 0) != 0) return 0;
    if (unlinkat(fromDirectory, from, 0) == 0) return 1;
    // Both names hold the file: the rename did not happen. The new name goes
    // again, so that the file is where it was, and the failure is the unlink's.
    int error = errno;
    unlinkat(toDirectory, to, 0);
    errno = error;
    return 0;
}

void SyncDirectoryOf(const std::string& path) {
    int fd = open(DirectoryName(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    SyncDescriptor(fd);
    close(fd);
}

int ListNames(int directory, std::vector<std::string>* names) {
    int fd = openat(directory, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return 0;
    DIR* list = fdopendir(fd);
    if (list == nullptr) {
        int error = errno;
        close(fd);
        errno = error;
        return 0;
    }
    names->clear();
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(list);
        if (entry == nullptr) break;
        std::string name = entry->d_name;
        if (name != "." && name != "..") names->push_back(name);
    }
    int error = errno;
    closedir(list);
    errno = error;
    return error == 0;
}

// ---- The join's files (platform.h) ------------------------------------------

namespace {

FileHandle Wrap(int fd) {
    if (fd < 0) return nullptr;
    FileHandle file = new (std::nothrow) PlatformFile{};
    if (file == nullptr) {
        close(fd);
        return nullptr;
    }
    file->fd = fd;
    return file;
}

}  // namespace

FileHandle OpenPartFile(const char* name) {
    return Wrap(OpenRegularAt(AT_FDCWD, name, Sharing::Exclusive));
}

FileHandle CreateNewFile(const char* name) {
    return Wrap(CreateNewAt(AT_FDCWD, name, 0666));
}

int GetFileSize64(FileHandle file, uint64_t* size) {
    struct stat st;
    if (fstat(file->fd, &st) != 0) return 0;
    *size = static_cast<uint64_t>(st.st_size);
    return 1;
}

int ReadFileBlock(FileHandle file, void* buffer, uint32_t size, uint32_t* readCount) {
    uint8_t* p = static_cast<uint8_t*>(buffer);
    uint32_t done = 0;
    // A short read is not the end of the file: go on until the block is full
    // or read() reports the end.
    while (done < size) {
        size_t got = 0;
        if (!ReadOnce(file->fd, p + done, size - done, &got)) {
            *readCount = done;
            return 0;
        }
        if (got == 0) break;
        done += static_cast<uint32_t>(got);
    }
    *readCount = done;
    return 1;
}

int WriteFileBlock(FileHandle file, const void* buffer, uint32_t size, uint32_t* writtenCount) {
    size_t written = 0;
    int whole = WriteWhole(file->fd, buffer, size, &written);
    *writtenCount = static_cast<uint32_t>(written);
    return whole;
}

int SeekFile(FileHandle file, uint64_t offset) {
    if (offset > static_cast<uint64_t>(INT64_MAX)) return 0;
    return lseek(file->fd, static_cast<off_t>(offset), SEEK_SET) != static_cast<off_t>(-1);
}

int FlushFile(FileHandle file) { return SyncDescriptor(file->fd); }

int CloseFile(FileHandle file) {
    int ok = close(file->fd) == 0;
    delete file;
    return ok;
}

int DeleteNamedFile(const char* name) { return unlink(name) == 0; }

int RenameFile(const char* from, const char* to, int replace) {
    std::string source = std::string(from);
    std::string target = std::string(to);
    int renamed = replace ? rename(source.c_str(), target.c_str()) == 0
                          : RenameWithoutReplacing(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str());
    if (!renamed) return 0;
    // The file has its new name whatever the sync says: the rename succeeded.
    SyncDirectoryOf(target);
    return 1;
}

int NameExists(const char* name) {
    return IsNameTaken(LookUpName(AT_FDCWD, name));
}
