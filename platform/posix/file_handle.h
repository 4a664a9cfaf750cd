// What the files of platform/posix share: the POSIX file behind a
// FileHandle, and the calls every file of every program goes through, so
// that each policy is decided once: an open for reading never blocks and
// takes only a regular file, a creation never follows a link and takes an
// exclusive lock, an interrupted call is made again, a rename that must not
// replace never does.
#ifndef SELVANORE_PLATFORM_POSIX_FILE_HANDLE_H
#define SELVANORE_PLATFORM_POSIX_FILE_HANDLE_H

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/platform.h"

struct PlatformFile {
    int fd;
    // The joined file only: whether it was made without a name, whether it
    // has been given a name for good, and which file it is.
    bool unnamed;
    bool placed;
    FileIdentity identity;
};

// Whether others may open a file while this program has it open. The
// joiner's parts and every file a program creates are Exclusive: a
// non-blocking exclusive flock() keeps out every other open made by these
// programs' rules (not a process that opens the file without the lock). The
// splitter's input is Shared, as any file a program only reads.
enum class Sharing { Exclusive, Shared };

// What OpenRegularAt returns for a file that is not regular.
const int kNotRegular = -2;

// Opens path, relative to the directory descriptor, for reading: never
// blocking (a FIFO without a writer would hold the thread for good), only a
// regular file, then made blocking again for the transfers. Returns the
// descriptor, -1 with errno, or kNotRegular.
int OpenRegularAt(int directory, const char* path, Sharing sharing);

// Creates path new, relative to the directory descriptor, for writing,
// with mode (less the umask) and an exclusive lock: fails on any name that
// exists, a link (dangling or not) included, and never follows one; a file
// it made but could not lock is removed again. Returns the descriptor, or
// -1 with errno.
int CreateNewAt(int directory, const char* path, mode_t mode);

// Reads up to size bytes in one call; *got is 0 at the end of the file.
int ReadOnce(int fd, void* buffer, size_t size, size_t* got);
// Writes all size bytes; *written says how many were. A write that puts
// nothing fails with EIO.
int WriteWhole(int fd, const void* data, size_t size, size_t* written);
// Puts the file's (or the directory's) data on the disk.
int SyncDescriptor(int fd);

// Gives the file from the name from to the name to, failing (EEXIST) when
// anything holds to: renameat2 without replacing, or where the file system
// lacks the flag a new link and the old name's removal (both names would
// hold the file when the removal fails: the new link is taken back).
int RenameWithoutReplacing(int fromDirectory, const char* from, int toDirectory, const char* to);

// Makes a change of the names in the directory of path (UTF-8) durable;
// best effort.
void SyncDirectoryOf(const std::string& path);

// Fills the buffer from the system's random source (random.cpp): 0, with
// errno, when it cannot be had.
int FillRandom(void* buffer, size_t length);

// The names in the directory, "." and ".." left out.
int ListNames(int directory, std::vector<std::string>* names);

// Fills *error from errno (or, for kNotRegular, as a file that is not
// regular) and returns 0.
int Failed(SystemError* error, int number);

#endif
