// Files and folders by path, with errors as values: what the splitter and
// the terminal joiner need of the system beyond the join's seam
// (platform.h). Paths and names are UTF-8: a POSIX name's bytes as they are,
// and on Windows the UTF-16 of the wide calls converted at this boundary
// (text/unicode.h). platform/posix and platform/win32 define these
// functions in the same files as the join's, over the same policies: a file
// is opened for reading without ever blocking and only when it is regular,
// created new without following a link and without sharing, renamed without
// replacing, and synced with interruptions retried. Functions report
// success as non-zero; after a failure *error says what it was and why.
#ifndef SELVANORE_PLATFORM_FILES_H
#define SELVANORE_PLATFORM_FILES_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/name_lookup.h"

// The kinds of failure the callers tell apart.
enum class SystemFault {
    None,
    Missing,       // no such file or directory
    NotRegular,    // a FIFO, a device, a directory... where a regular file is needed
    NotDirectory,  // a file or a device where a directory is needed
    Exists,        // the name is taken
    Other,
};

// A failure as a value: its kind and the system's description of it ("No
// space left on device"; "not a regular file" for NotRegular).
struct SystemError {
    SystemFault fault = SystemFault::None;
    std::string reason;
};

// An open file or directory: a descriptor, or a handle on Windows.
using SystemHandle = intptr_t;
const SystemHandle kNoHandle = -1;

// Closes the handle; a failure is a delayed write error. Only SystemFile
// calls it.
int CloseSystemHandle(SystemHandle handle, SystemError* error);

// The owner of an open file or directory: whatever way a run goes, every
// handle is closed once, by its owner. Close says what the close said (a
// delayed write error, for an output); a handle still open when its owner
// goes is closed without a word, on a way that fails anyway.
struct SystemFile {
    SystemHandle handle = kNoHandle;

    SystemFile() = default;
    SystemFile(SystemFile&& other) noexcept : handle(other.handle) { other.handle = kNoHandle; }
    SystemFile& operator=(SystemFile&& other) noexcept {
        if (this != &other) {
            Close(nullptr);
            handle = other.handle;
            other.handle = kNoHandle;
        }
        return *this;
    }
    ~SystemFile() { Close(nullptr); }

    bool IsOpen() const { return handle != kNoHandle; }
    // Closes the handle now; 1 when there was none. error may be null.
    int Close(SystemError* error) {
        if (handle == kNoHandle) return 1;
        SystemHandle open = handle;
        handle = kNoHandle;
        SystemError ignored;
        return CloseSystemHandle(open, error != nullptr ? error : &ignored);
    }
};

// ---- Files -----------------------------------------------------------------

// Opens an existing regular file for reading, shared as any POSIX file is
// (others may read, write, rename and remove it meanwhile), and gives its
// size. Never blocks: a FIFO or a device fails at once with NotRegular.
int OpenRegularFile(const std::string& path, SystemFile* file, uint64_t* size, SystemError* error);

// When an open file's bytes and its metadata last changed, as the system
// keeps them: a write in place changes them even when the size stays.
// Readings are only compared with each other.
struct FileTimes {
    int64_t modified[2];
    int64_t changed[2];
};

int GetFileTimes(SystemHandle file, FileTimes* times, SystemError* error);

inline bool SameFileTimes(const FileTimes& a, const FileTimes& b) {
    return a.modified[0] == b.modified[0] && a.modified[1] == b.modified[1] &&
           a.changed[0] == b.changed[0] && a.changed[1] == b.changed[1];
}

// Reads up to length bytes; *got is 0 at the end of the file.
int ReadSome(SystemHandle file, void* buffer, size_t length, size_t* got, SystemError* error);

// Puts the file's position at offset bytes from its start, for the next
// read or write (the recovery data is read and written block by block at
// the same offset of many files).
int SeekTo(SystemHandle file, uint64_t offset, SystemError* error);

// Writes all length bytes; a short write is a failure.
int WriteAll(SystemHandle file, const void* data, size_t length, SystemError* error);

// Flushes the file's data to the disk.
int SyncFile(SystemHandle file, SystemError* error);

// Looks up path (platform/name_lookup.h): whether anything (a file, a
// directory, a link, even a dangling one) lies there, nothing does, or the
// system cannot tell (*error then says why).
NameLookup LookUp(const std::string& path, SystemError* error);

// Fills the buffer with bytes of the system's random source, which no other
// process can foresee: getentropy, or /dev/urandom where it is missing, and
// BCryptGenRandom on Windows. The one source of every temporary name
// (UnpredictableBits, platform.h, is it too).
int RandomBytes(void* buffer, size_t length, SystemError* error);

// ---- Folders ---------------------------------------------------------------

// Opens a directory to create, name and remove files in; anything else (a
// file, a device) fails with NotDirectory.
int OpenDirectory(const std::string& path, SystemFile* directory, SystemError* error);

// The longest file name the directory's file system takes, and the length
// of a name, in the units the system counts (NameUnits): bytes on POSIX,
// UTF-16 units, characters to users, on Windows.
enum class NameUnit { Bytes, Characters };
size_t LongestName(SystemHandle directory);
size_t NameLength(const std::string& name);
NameUnit NameUnits();

// Looks up a name about to be created in the directory, as LookUp does; on
// Windows an absent name is confirmed by an exclusive creation of it, which
// meets the dangling links that Wine hides from every look-up.
NameLookup LookUpIn(SystemHandle directory, const std::string& name, SystemError* error);

// The names of everything in the directory, "." and ".." left out.
int ListDirectory(SystemHandle directory, std::vector<std::string>* names, SystemError* error);

// Creates the file name for writing, failing with Exists when anything of
// that name exists (links are never followed). executable: the file is a
// program.
int CreateIn(SystemHandle directory, const std::string& name, bool executable, SystemFile* file,
             SystemError* error);

// Gives the file from the name to, failing with Exists when to is taken:
// an existing file is never replaced, even one appearing meanwhile.
int RenameIn(SystemHandle directory, const std::string& from, const std::string& to,
             SystemError* error);

// Removes the file name; failures are ignored.
void RemoveIn(SystemHandle directory, const std::string& name);

// Makes the directory's entries (the names given) durable.
int SyncDirectory(SystemHandle directory, SystemError* error);

#endif
