// The joined file on POSIX. It is made without a name (O_TMPFILE) where the
// file system allows it and /proc can name the open descriptor, so that a
// run killed halfway leaves nothing; it takes its name with linkat() from
// the descriptor, so what is published is the file the job wrote, whatever
// lies at any name by then. Elsewhere it is made under its temporary name,
// which is checked to be still the job's file before anything is done
// through it.
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "platform/platform.h"
#include "platform/posix/file_handle.h"
#include "platform/posix/lookup.h"
#include "platform/temporary_name.h"

namespace {

FileIdentity IdentityOf(const struct stat& info) {
    return FileIdentity{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino), 1};
}

// The name /proc gives the open descriptor, through which linkat() names
// the file itself.
std::string DescriptorPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

bool DescriptorsHaveNames() { return access("/proc/self/fd", X_OK) == 0; }

// Whether the temporary name still holds the job's file.
bool HoldsJobFile(const std::string& name, const PlatformFile& file) {
    struct stat info;
    return fstatat(AT_FDCWD, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
           SameFile(IdentityOf(info), file.identity);
}

PlacementResult Result(Placement placement, int error = 0) {
    return PlacementResult{placement, static_cast<uint32_t>(error)};
}

// What an error of the name's change means.
PlacementResult FromErrno(int error) {
    switch (error) {
        case EEXIST: return Result(Placement::Taken, error);
        case ENOTEMPTY:
        case EISDIR: return Result(Placement::Folder, error);
        case EACCES:
        case EPERM:
        case EROFS: return Result(Placement::Denied, error);
        case EBUSY:
        case ETXTBSY: return Result(Placement::InUse, error);
        case ENOSPC:
        case EDQUOT: return Result(Placement::NoSpace, error);
        default: return Result(Placement::Failed, error);
    }
}

// A new link to the job's file at name, made from the descriptor: fails on a
// taken name, never replaces.
int LinkJobFile(const PlatformFile& file, const std::string& name) {
    return linkat(AT_FDCWD, DescriptorPath(file.fd).c_str(), AT_FDCWD, name.c_str(),
                  AT_SYMLINK_FOLLOW) == 0;
}

// Passes the permissions of the file that is replaced on to the job's file:
// its owner and group where the user may (root, or a group of the user's),
// then its mode.
void TakePermissions(const PlatformFile& file, const std::string& replaced) {
    struct stat info;
    if (fstatat(AT_FDCWD, replaced.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode)) {
        return;
    }
    int ignored = fchown(file.fd, info.st_uid, info.st_gid);
    (void)ignored;
    fchmod(file.fd, info.st_mode & 07777);
}

// A name of the job's file's own beside its temporary one: the temporary
// name, "-" and the digits of a draw.
struct SideName {
    PlatformFile* file;
    const std::string* temp;
    std::string side;
    bool swapped;
    int error;
};

NameTry LinkSideName(void* context, const char* digits) {
    SideName& name = *static_cast<SideName*>(context);
    name.side = *name.temp + "-" + digits;
    bool linked;
    if (name.file->unnamed || DescriptorsHaveNames()) {
        linked = LinkJobFile(*name.file, name.side);
    } else {
        // No /proc: through the temporary name, still the job's file.
        if (!HoldsJobFile(*name.temp, *name.file)) {
            name.swapped = true;
            return NameTry::Failed;
        }
        linked = link(name.temp->c_str(), name.side.c_str()) == 0;
    }
    if (linked) return NameTry::Made;
    name.error = errno;
    return name.error == EEXIST ? NameTry::Taken : NameTry::Failed;
}

// Replaces target, which held the agreed file a moment ago, with the job's
// file. The two names are swapped in one step and the swap undone when the
// file that came out is not the agreed one: no other file is ever replaced.
PlacementResult ReplaceAgreed(PlatformFile& file, const std::string& temp, const std::string& target,
                              const FileIdentity& agreed) {
    // A name of its own for the job's file, beside its temporary one.
    SideName name{&file, &temp, "", false, 0};
    NameTry linked = MakeUnderTemporaryName(TemporaryNaming{&name, DrawUnpredictableBits, LinkSideName}, 8);
    if (linked == NameTry::Taken) return Result(Placement::Failed, EEXIST);
    if (linked == NameTry::Failed) return name.swapped ? Result(Placement::Swapped) : FromErrno(name.error);
    const std::string& side = name.side;

    TakePermissions(file, target);
    if (renameat2(AT_FDCWD, side.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0) {
        struct stat out;
        bool agreedOut = fstatat(AT_FDCWD, side.c_str(), &out, AT_SYMLINK_NOFOLLOW) == 0 &&
                         SameFile(IdentityOf(out), agreed);
        if (!agreedOut) {
            // Another file came in meanwhile: it goes back to its name.
            renameat2(AT_FDCWD, side.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE);
            unlink(side.c_str());
            return Result(Placement::Taken);
        }
        unlink(side.c_str());
        return Result(Placement::Placed);
    }
    int error = errno;
    if (error == EINVAL || error == ENOSYS) {
        // No swap on this file system: a last look, then the rename.
        FileIdentity holder{};
        NameLookup lookup = LookUpName(AT_FDCWD, target.c_str());
        struct stat info;
        if (lookup == NameLookup::Found && fstatat(AT_FDCWD, target.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
            holder = IdentityOf(info);
        }
        if (lookup == NameLookup::Absent || SameFile(holder, agreed)) {
            if (rename(side.c_str(), target.c_str()) == 0) return Result(Placement::Placed);
            error = errno;
        } else {
            error = EEXIST;
        }
    } else if (error == ENOENT) {
        // The agreed file is gone: the name is taken only where it is free.
        if (link(side.c_str(), target.c_str()) == 0) {
            unlink(side.c_str());
            return Result(Placement::Placed);
        }
        error = errno;
    }
    unlink(side.c_str());
    return FromErrno(error);
}

}  // namespace

NameLookup IdentifyName(const char* name, FileIdentity* identity) {
    *identity = FileIdentity{};
    std::string path = std::string(name);
    struct stat info;
    if (fstatat(AT_FDCWD, path.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
        *identity = IdentityOf(info);
        return NameLookup::Found;
    }
    return LookUpName(AT_FDCWD, path.c_str());
}

FileHandle CreateJoinedFile(const char* tempName) {
    std::string temp = std::string(tempName);
    int fd = -1;
    bool unnamed = false;
    if (DescriptorsHaveNames()) {
        fd = open(DirectoryName(temp).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        unnamed = fd >= 0;
    }
    // A file system without unnamed files: the temporary name, created new
    // (never through a link) and locked.
    if (fd < 0) fd = CreateNewAt(AT_FDCWD, temp.c_str(), 0666);
    if (fd < 0) return nullptr;
    struct stat info;
    if (fstat(fd, &info) != 0 || (unnamed && flock(fd, LOCK_EX | LOCK_NB) != 0)) {
        close(fd);
        if (!unnamed) unlink(temp.c_str());
        return nullptr;
    }
    FileHandle file = new (std::nothrow) PlatformFile{};
    if (file == nullptr) {
        close(fd);
        if (!unnamed) unlink(temp.c_str());
        return nullptr;
    }
    file->fd = fd;
    file->unnamed = unnamed;
    file->identity = IdentityOf(info);
    return file;
}

FileHandle CreateScratchFile(const char* name) {
    std::string path = name;
    // Unnamed from the start; a file system without unnamed files gets a
    // name created new, which goes at once: the open descriptor keeps the
    // file until it is closed.
    int fd = open(DirectoryName(path).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
        fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) return nullptr;
        unlink(path.c_str());
    }
    FileHandle file = new (std::nothrow) PlatformFile{};
    if (file == nullptr) {
        close(fd);
        return nullptr;
    }
    file->fd = fd;
    file->unnamed = true;
    return file;
}

PlacementResult PublishJoinedFile(FileHandle file, const char* tempName, const char* to,
                                  const FileIdentity* agreed) {
    std::string temp = std::string(tempName);
    std::string target = std::string(to);
    PlacementResult result = Result(Placement::Failed);
    FileIdentity holder{};
    NameLookup lookup = agreed != nullptr ? IdentifyName(to, &holder) : NameLookup::Absent;
    if (agreed != nullptr && lookup != NameLookup::Absent) {
        if (!SameFile(holder, *agreed)) return Result(Placement::Taken);
        struct stat info;
        if (fstatat(AT_FDCWD, target.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(info.st_mode)) {
            return Result(Placement::Folder, EISDIR);
        }
        result = ReplaceAgreed(*file, temp, target, *agreed);
    } else if (file->unnamed || DescriptorsHaveNames()) {
        // From the descriptor: the file the job wrote, wherever its name is.
        result = LinkJobFile(*file, target) ? Result(Placement::Placed)
                 : errno == ENOENT           ? Result(Placement::Swapped)
                                             : FromErrno(errno);
    } else {
        if (!HoldsJobFile(temp, *file)) return Result(Placement::Swapped);
        result = RenameFile(tempName, to, 0) ? Result(Placement::Placed) : FromErrno(errno);
    }
    if (result.placement != Placement::Placed) return result;
    // The temporary name goes, where it is still the job's.
    if (!file->unnamed && temp != target && HoldsJobFile(temp, *file)) unlink(temp.c_str());
    file->placed = true;
    SyncDirectoryOf(target);
    return result;
}

PlacementResult KeepJoinedFile(FileHandle file, const char* tempName) {
    std::string temp = std::string(tempName);
    if (!file->unnamed && HoldsJobFile(temp, *file)) {
        file->placed = true;
        return Result(Placement::Placed);
    }
    return PublishJoinedFile(file, tempName, tempName, nullptr);
}

int DiscardJoinedFile(FileHandle file, const char* tempName) {
    bool gone = true;
    if (!file->placed && !file->unnamed) {
        std::string temp = std::string(tempName);
        if (HoldsJobFile(temp, *file)) gone = unlink(temp.c_str()) == 0;
    }
    close(file->fd);
    delete file;
    return gone;
}

int FreeBytesBeside(const char* name, uint64_t* bytes) {
    struct statvfs info;
    if (statvfs(DirectoryName(std::string(name)).c_str(), &info) != 0) return 0;
    *bytes = static_cast<uint64_t>(info.f_bavail) * info.f_frsize;
    return 1;
}

int FindNames(const char* prefix, const char* suffix, NameVisitor visit, void* context) {
    std::vector<std::string> all;
    if (!ListNames(AT_FDCWD, &all)) return 0;
    std::string begin = std::string(prefix);
    std::string end = std::string(suffix);
    std::vector<std::string> names;
    for (const std::string& name : all) {
        if (name.size() >= begin.size() + end.size() && name.compare(0, begin.size(), begin) == 0 &&
            name.compare(name.size() - end.size(), end.size(), end) == 0) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        struct stat info;
        bool sized = fstatat(AT_FDCWD, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode);
        visit(context, name.c_str(), sized ? static_cast<uint64_t>(info.st_size) : 0);
    }
    return 1;
}

void SleepMilliseconds(uint32_t milliseconds) {
    struct timespec wait = {static_cast<time_t>(milliseconds / 1000),
                            static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
}
