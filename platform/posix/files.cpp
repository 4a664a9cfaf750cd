// Files on POSIX. The program names files in Windows-1252; they reach the
// file system in UTF-8, as Linux users name them. Exclusive opens are approximated with a non-blocking
// exclusive flock(): it keeps out every other open made by this program's
// rules, but not a process that opens the file without taking the lock.
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <new>

#include "platform/cp1252.h"
#include "platform/platform.h"

struct PlatformFile {
    int fd;
};

namespace {

FileHandle Wrap(int fd) {
    if (fd < 0) return nullptr;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return nullptr;
    }
    FileHandle file = new (std::nothrow) PlatformFile{fd};
    if (file == nullptr) close(fd);
    return file;
}

// Opens name without ever blocking (a FIFO without a writer, or without a
// reader for writing, would hold the thread for good), refuses anything but a
// regular file, then makes the descriptor blocking again for the transfers.
int OpenRegular(const char* name, int flags) {
    int fd = open(Windows1252ToUtf8(name).c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) return -1;
    struct stat st;
    int status = fcntl(fd, F_GETFL);
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || status < 0 ||
        fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

FileHandle OpenPartFile(const char* name) { return Wrap(OpenRegular(name, O_RDONLY)); }

FileHandle CreateOutputFile(const char* name) {
    // Take the lock before emptying the file, so that a file another handle
    // holds is not truncated under it.
    FileHandle file = Wrap(OpenRegular(name, O_WRONLY | O_CREAT));
    if (file != nullptr && ftruncate(file->fd, 0) != 0) {
        CloseFile(file);
        return nullptr;
    }
    return file;
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
        ssize_t n = read(file->fd, p + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            *readCount = done;
            return 0;
        }
        if (n == 0) break;
        done += static_cast<uint32_t>(n);
    }
    *readCount = done;
    return 1;
}

int WriteFileBlock(FileHandle file, const void* buffer, uint32_t size, uint32_t* writtenCount) {
    const uint8_t* p = static_cast<const uint8_t*>(buffer);
    uint32_t done = 0;
    while (done < size) {
        ssize_t n = write(file->fd, p + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (n == 0) break;
        done += static_cast<uint32_t>(n);
    }
    *writtenCount = done;
    return done == size;
}

int CloseFile(FileHandle file) {
    int ok = close(file->fd) == 0;
    delete file;
    return ok;
}

int DeleteNamedFile(const char* name) { return unlink(Windows1252ToUtf8(name).c_str()) == 0; }

int NameExists(const char* name) {
    // lstat: a dangling symbolic link holds the name too.
    struct stat st;
    if (lstat(Windows1252ToUtf8(name).c_str(), &st) == 0) return 1;
    return errno != ENOENT && errno != ENOTDIR && errno != ENAMETOOLONG;
}
