// Files on POSIX. The program names files in Windows-1252; they reach the
// file system in UTF-8, as Linux users name them. Exclusive opens are approximated with a non-blocking
// exclusive flock(): it keeps out every other open made by this program's
// rules, but not a process that opens the file without taking the lock.
// Names change in one rename (renameat2 without replacing, link and unlink
// where the file system lacks it), followed by a sync of the directory.
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <stdio.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <new>
#include <string>

#include "text/cp1252.h"
#include "platform/platform.h"
#include "platform/posix/lookup.h"

#include "platform/posix/file_handle.h"

namespace {

FileHandle Wrap(int fd) {
    if (fd < 0) return nullptr;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return nullptr;
    }
    FileHandle file = new (std::nothrow) PlatformFile{};
    if (file != nullptr) file->fd = fd;
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

FileHandle CreateNewFile(const char* name) {
    // O_EXCL fails on any name that exists, a link (dangling or not) included;
    // O_NOFOLLOW says so once more.
    return Wrap(OpenRegular(name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW));
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

int FlushFile(FileHandle file) {
    for (;;) {
        if (fsync(file->fd) == 0) return 1;
        if (errno != EINTR) return 0;
    }
}

int CloseFile(FileHandle file) {
    int ok = close(file->fd) == 0;
    delete file;
    return ok;
}

int DeleteNamedFile(const char* name) { return unlink(Windows1252ToUtf8(name).c_str()) == 0; }

namespace {

// A rename that fails when anything holds to. Where the file system lacks
// the flag, a new link fails on a taken name as well.
int RenameWithoutReplacing(const char* from, const char* to) {
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 1;
    if (errno != EINVAL && errno != ENOSYS) return 0;
    if (link(from, to) != 0) return 0;
    if (unlink(from) == 0) return 1;
    // Both names hold the file: the rename did not happen. The new name goes
    // again, so that the file is where it was.
    int saved = errno;
    unlink(to);
    errno = saved;
    return 0;
}

}  // namespace

// Makes a change of the names in the directory of path durable.
void SyncDirectoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    std::string directory = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    int fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    while (fsync(fd) != 0 && errno == EINTR) {
    }
    close(fd);
}

int RenameFile(const char* from, const char* to, int replace) {
    std::string source = Windows1252ToUtf8(from);
    std::string target = Windows1252ToUtf8(to);
    int renamed = replace ? rename(source.c_str(), target.c_str()) == 0
                          : RenameWithoutReplacing(source.c_str(), target.c_str());
    if (!renamed) return 0;
    // The file has its new name whatever the sync says: the rename succeeded.
    SyncDirectoryOf(target);
    return 1;
}

int NameExists(const char* name) {
    return IsNameTaken(LookUpName(AT_FDCWD, Windows1252ToUtf8(name).c_str()));
}

uint64_t UnpredictableBits() {
    uint64_t bits = 0;
    int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ssize_t n = read(fd, &bits, sizeof bits);
        close(fd);
        if (n == static_cast<ssize_t>(sizeof bits)) return bits;
    }
    // No random device (a bare chroot): the clocks, the process and a count
    // of calls, mixed.
    static std::atomic<uint64_t> calls{0};
    struct timespec real, monotonic;
    clock_gettime(CLOCK_REALTIME, &real);
    clock_gettime(CLOCK_MONOTONIC, &monotonic);
    uint64_t state = static_cast<uint64_t>(real.tv_sec) * 1000000000u + static_cast<uint64_t>(real.tv_nsec);
    state ^= (static_cast<uint64_t>(monotonic.tv_nsec) << 20) ^ static_cast<uint64_t>(getpid()) << 40;
    state += ++calls * 0x9E3779B97F4A7C15ull;
    // The finaliser of splitmix64: every input bit reaches every output bit.
    state = (state ^ (state >> 30)) * 0xBF58476D1CE4E5B9ull;
    state = (state ^ (state >> 27)) * 0x94D049BB133111EBull;
    return state ^ (state >> 31);
}
