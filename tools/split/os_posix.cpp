// The splitter's operating-system services on POSIX systems (Linux).
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "platform/posix/lookup.h"
#include "tools/split/os.h"

namespace {

int g_lastErrno = 0;
OsError g_lastError = OsError::None;
volatile sig_atomic_t g_interrupted = 0;

// Records the failure in errno and returns 0.
int Fail() {
    g_lastErrno = errno;
    switch (errno) {
        case ENOENT: g_lastError = OsError::Missing; break;
        case EEXIST: g_lastError = OsError::Exists; break;
        case ENOTDIR: g_lastError = OsError::NotDirectory; break;
        default: g_lastError = OsError::Other; break;
    }
    return 0;
}

int FailWith(OsError error, int number) {
    g_lastError = error;
    g_lastErrno = number;
    return 0;
}

int Descriptor(OsHandle handle) { return static_cast<int>(handle); }

// A look-up's answer, its errno recorded when it could not tell.
NameLookup Recorded(NameLookup lookup) {
    if (lookup == NameLookup::Unknown) Fail();
    return lookup;
}

void OnInterruption(int) { g_interrupted = 1; }

}  // namespace

OsError OsLastError() { return g_lastError; }

const char* OsLastErrorText() {
    if (g_lastError == OsError::NotRegular) return "not a regular file";
    return std::strerror(g_lastErrno);
}

std::vector<std::string> OsArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

int OsWriteText(OsStream stream, const std::string& text) {
    FILE* file = stream == OsStream::Output ? stdout : stderr;
    if (std::fwrite(text.data(), 1, text.size(), file) != text.size() || std::fflush(file) != 0) {
        return Fail();
    }
    return 1;
}

std::string OsBaseName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string OsDirectoryName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string OsJoinPath(const std::string& directory, const std::string& name) {
    if (!directory.empty() && directory.back() == '/') return directory + name;
    return directory + "/" + name;
}

std::string OsLongPath(const std::string& path) { return path; }

std::string OsOwnPath() {
    char self[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) {
        Fail();
        return "";
    }
    return std::string(self, static_cast<size_t>(length));
}

NameLookup OsLookUp(const std::string& path) {
    return Recorded(LookUpName(AT_FDCWD, path.c_str()));
}

bool OsIsDescriptorLink(const std::string& path) {
    // Follows the chain of links by hand: a link into /proc, or a file whose
    // directory resolves into /proc, is a descriptor link.
    std::string at = path;
    for (int hop = 0; hop < 40; ++hop) {
        char resolved[PATH_MAX];
        std::string directory = OsDirectoryName(at);
        if (realpath(directory.c_str(), resolved) != nullptr &&
            (std::strcmp(resolved, "/proc") == 0 || std::strncmp(resolved, "/proc/", 6) == 0)) {
            return true;
        }
        char target[PATH_MAX];
        ssize_t length = readlink(at.c_str(), target, sizeof target - 1);
        if (length <= 0) return false;
        target[length] = '\0';
        at = target[0] == '/' ? std::string(target) : OsJoinPath(directory, target);
    }
    return false;
}

int OsCheckTrusted(const std::string& path, std::string* resolved, OsDistrust* distrust) {
    *distrust = OsDistrust();
    char real[PATH_MAX];
    if (realpath(path.c_str(), real) == nullptr) return Fail();
    *resolved = real;
    uid_t user = geteuid();
    for (std::string at = real;; at = OsDirectoryName(at)) {
        struct stat info;
        if (lstat(at.c_str(), &info) != 0) return Fail();
        bool folder = S_ISDIR(info.st_mode);
        bool sticky = folder && (info.st_mode & S_ISVTX) != 0;
        OsDistrustReason reason = OsDistrustReason::None;
        if (info.st_uid != 0 && info.st_uid != user) {
            reason = OsDistrustReason::Owner;
        } else if ((info.st_mode & S_IWOTH) != 0 && !sticky) {
            reason = OsDistrustReason::WritableByOthers;
        } else if ((info.st_mode & S_IWGRP) != 0 && !sticky) {
            reason = OsDistrustReason::WritableByGroup;
        }
        if (reason != OsDistrustReason::None) {
            distrust->path = at;
            distrust->folder = folder;
            distrust->reason = reason;
            distrust->owner = static_cast<uint32_t>(info.st_uid);
            return FailWith(OsError::Other, EPERM);
        }
        if (at == "/") return 1;
    }
}

int OsOpenRegularFile(const std::string& path, OsFile* file, uint64_t* size) {
    file->Close();
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return Fail();
    struct stat info;
    if (fstat(fd, &info) != 0) {
        Fail();
        close(fd);
        return 0;
    }
    if (!S_ISREG(info.st_mode)) {
        close(fd);
        return FailWith(OsError::NotRegular, EINVAL);
    }
    // Reads of a regular file never wait anyway; the flag is dropped so that
    // they behave plainly.
    int flags = fcntl(fd, F_GETFL);
    if (flags != -1) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    file->handle = fd;
    *size = static_cast<uint64_t>(info.st_size);
    return 1;
}

int OsGetFileTimes(OsHandle file, OsFileTimes* times) {
    struct stat info;
    if (fstat(Descriptor(file), &info) != 0) return Fail();
    times->modified[0] = info.st_mtim.tv_sec;
    times->modified[1] = info.st_mtim.tv_nsec;
    times->changed[0] = info.st_ctim.tv_sec;
    times->changed[1] = info.st_ctim.tv_nsec;
    return 1;
}

int OsRead(OsHandle file, void* buffer, size_t length, size_t* got) {
    for (;;) {
        ssize_t n = read(Descriptor(file), buffer, length);
        if (n >= 0) {
            *got = static_cast<size_t>(n);
            return 1;
        }
        if (errno != EINTR) return Fail();
    }
}

int OsWriteAll(OsHandle file, const void* data, size_t length) {
    const uint8_t* at = static_cast<const uint8_t*>(data);
    while (length > 0) {
        ssize_t put = write(Descriptor(file), at, length);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) return Fail();
        if (put == 0) return FailWith(OsError::Other, EIO);
        at += put;
        length -= static_cast<size_t>(put);
    }
    return 1;
}

int OsSync(OsHandle file) { return fsync(Descriptor(file)) == 0 ? 1 : Fail(); }

int OsClose(OsHandle file) { return close(Descriptor(file)) == 0 ? 1 : Fail(); }

int OsOpenDirectory(const std::string& path, OsFile* directory) {
    directory->Close();
    int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return Fail();
    directory->handle = fd;
    return 1;
}

size_t OsLongestName(OsHandle directory) {
    long longest = fpathconf(Descriptor(directory), _PC_NAME_MAX);
    return longest > 0 ? static_cast<size_t>(longest) : NAME_MAX;
}

size_t OsNameLength(const std::string& name) { return name.size(); }

OsUnit OsNameUnit() { return OsUnit::Bytes; }

NameLookup OsLookUpIn(OsHandle directory, const std::string& name) {
    return Recorded(LookUpName(Descriptor(directory), name.c_str()));
}

int OsListDirectory(OsHandle directory, std::vector<std::string>* names) {
    int fd = openat(Descriptor(directory), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return Fail();
    DIR* list = fdopendir(fd);
    if (list == nullptr) {
        Fail();
        close(fd);
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
    int failed = errno != 0 ? Fail() : 1;
    closedir(list);
    return failed;
}

int OsCreateIn(OsHandle directory, const std::string& name, bool executable, OsFile* file) {
    file->Close();
    int fd = openat(Descriptor(directory), name.c_str(),
                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                    executable ? 0777 : 0666);
    if (fd < 0) return Fail();
    file->handle = fd;
    return 1;
}

int OsRenameIn(OsHandle directory, const std::string& from, const std::string& to) {
    int fd = Descriptor(directory);
    if (renameat2(fd, from.c_str(), fd, to.c_str(), RENAME_NOREPLACE) == 0) return 1;
    if (errno != EINVAL && errno != ENOSYS) return Fail();
    // A file system without the flag: a new link fails on a taken name too.
    if (linkat(fd, from.c_str(), fd, to.c_str(), 0) != 0) return Fail();
    if (unlinkat(fd, from.c_str(), 0) == 0) return 1;
    // Both names hold the file: the rename did not happen. The new name goes
    // again, so that the file is where it was, and the failure is the unlink's.
    int error = errno;
    unlinkat(fd, to.c_str(), 0);
    errno = error;
    return Fail();
}

void OsRemoveIn(OsHandle directory, const std::string& name) {
    unlinkat(Descriptor(directory), name.c_str(), 0);
}

int OsSyncDirectory(OsHandle directory) { return OsSync(directory); }

int OsRandomBytes(void* buffer, size_t length) {
    uint8_t* bytes = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    // getentropy gives at most 256 bytes a call.
    while (done < length) {
        size_t chunk = length - done < 256 ? length - done : 256;
        if (getentropy(bytes + done, chunk) != 0) break;
        done += chunk;
    }
    if (done == length) return 1;
    // Where the call is missing or filtered out, the device.
    int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Fail();
    for (done = 0; done < length;) {
        ssize_t got = read(fd, bytes + done, length - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            if (got == 0) errno = EIO;
            Fail();
            close(fd);
            return 0;
        }
        done += static_cast<size_t>(got);
    }
    close(fd);
    return 1;
}

void OsCatchInterruptions() {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = OnInterruption;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    // A file-size limit or a closed standard output then fails the write
    // that meets it, which is reported, instead of killing the run with its
    // outputs half made.
    signal(SIGXFSZ, SIG_IGN);
    signal(SIGPIPE, SIG_IGN);
}

bool OsInterrupted() { return g_interrupted != 0; }

bool OsErrorStreamIsTerminal() { return isatty(STDERR_FILENO) != 0; }

bool OsSlashAsksForHelp() { return false; }

OsConsole OsConsoleState() { return OsConsole(); }

void OsWaitForKey() {}
