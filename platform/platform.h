// What the join job needs of the operating system. platform/win32 and
// platform/posix define these functions in the same order; a target links
// one of them.
#ifndef SELVANORE_PLATFORM_PLATFORM_H
#define SELVANORE_PLATFORM_PLATFORM_H

#include <cstdint>

#include "platform/name_lookup.h"

// ---- Files -----------------------------------------------------------------

struct PlatformFile;
typedef PlatformFile* FileHandle;  // null when no file is open

// Opens an existing regular file for reading, without sharing: fails when
// another handle to the file is open, and keeps others out while it is open.
// Never blocks: anything that is not a regular file (a FIFO, a device) fails.
FileHandle OpenPartFile(const char* name);
// Creates a new regular file for writing, without sharing. Fails when
// anything holds the name, a symbolic link (dangling or not) included: it
// never opens an existing file nor follows a link.
FileHandle CreateNewFile(const char* name);
// The file's size.
int GetFileSize64(FileHandle file, uint64_t* size);
// Reads up to size bytes; fewer only at the end of the file.
int ReadFileBlock(FileHandle file, void* buffer, uint32_t size, uint32_t* readCount);
// Writes all size bytes or fails; *writtenCount says how many were written.
int WriteFileBlock(FileHandle file, const void* buffer, uint32_t size, uint32_t* writtenCount);
// Moves the file's position to offset bytes from its start, so that the next
// read or write begins there (beyond the end, a write extends the file).
int SeekFile(FileHandle file, uint64_t offset);
// Puts everything written to the file on the disk; returns 0 when that
// failed (the data may be lost).
int FlushFile(FileHandle file);
// Closes the handle; returns 0 when the close reported an error.
int CloseFile(FileHandle file);
int DeleteNamedFile(const char* name);
// Gives the file from its name to, in one step, on the same volume, and makes
// the change durable. replace: an existing file of name to (or a link, never
// its target) is replaced; otherwise the rename fails when anything holds
// to. A directory holding to is never replaced.
int RenameFile(const char* from, const char* to, int replace);
// Whether the name is taken (platform/name_lookup.h: anything holding it, a
// dangling link too, or a look-up that cannot tell), matched the file
// system's way (without regard to case on Windows).
int NameExists(const char* name);

// What makes a file the same file whatever names it has: the device and the
// inode on POSIX, the volume and the file index on Windows. known is 0 where
// the system could not tell (under Wine, a dangling link cannot be opened to
// ask).
struct FileIdentity {
    uint64_t volume;
    uint64_t index;
    uint32_t known;
};

// Whether two identities name the same file: both known and equal, or both
// unknown (what cannot be asked again is taken for what could not be asked
// before).
inline bool SameFile(const FileIdentity& a, const FileIdentity& b) {
    if (a.known == 0 || b.known == 0) return a.known == b.known;
    return a.volume == b.volume && a.index == b.index;
}

// Looks name up as NameExists does (platform/name_lookup.h), without
// following a link, and says which file holds it where something does.
NameLookup IdentifyName(const char* name, FileIdentity* identity);

// ---- The joined file -------------------------------------------------------
//
// The worker writes the joined file new, unshared, in the output's folder;
// the closing handler gives it its name from the open handle, never by
// whatever lies at a name, or keeps it under a name of its own, or lets it
// go. Until then it vanishes with the process where the system allows it: on
// Linux it has no name at all (O_TMPFILE); on Windows it lies at its
// temporary name marked for deletion. Elsewhere (a file system without
// unnamed files, no /proc) the temporary name holds it from the start, and a
// run killed halfway leaves it there.

// Creates the joined file for writing, without sharing, in the folder of
// tempName, a new name of the caller's: fails as CreateNewFile does when
// tempName is taken, and where the file is made without a name, fails on a
// folder that cannot take new files.
FileHandle CreateJoinedFile(const char* tempName);

// How giving the joined file a name ended.
enum class Placement {
    Placed,   // the name holds the joined file
    Taken,    // something holds the name that may not be replaced
    Swapped,  // the temporary name holds another file: the joined file is
              // no longer where it was written, and nothing was published
    Folder,   // a folder holds the name: it is never replaced
    Denied,   // the system refused (permissions, a read-only folder or disk)
    ReadOnly, // the file to replace is read-only
    InUse,    // the file to replace is open in another program
    NoSpace,  // the disk is full
    Failed,   // another error: systemError says which
};
struct PlacementResult {
    Placement placement;
    uint32_t systemError;  // the system's error number where there was one
};

// Gives the open joined file the name to, in the same folder, in one step.
// Without agreed, only where nothing holds to. With agreed, where to is
// still that very file, it is replaced and its permissions pass to the
// joined file (mode and owner on POSIX; attributes and an access list of its
// own on Windows); another file there is Taken. On any failure the joined
// file is as it was.
PlacementResult PublishJoinedFile(FileHandle file, const char* tempName, const char* to,
                                  const FileIdentity* agreed);
// Keeps the joined file for good under tempName (where it had no name, or
// lies marked for deletion).
PlacementResult KeepJoinedFile(FileHandle file, const char* tempName);
// Closes the joined file and, unless it was given a name for good, lets it
// go; a file that took its temporary name meanwhile is never deleted.
// Returns 0 when a file of the job's is left on the disk.
int DiscardJoinedFile(FileHandle file, const char* tempName);

// Creates a scratch file for reading and writing, without sharing, in the
// folder of name, a new name of the caller's (failing as CreateNewFile does
// when it is taken): the rebuilt copy of a part. It vanishes when closed and
// with the process where the system allows it: on Linux it has no name (or
// loses it at once); on Windows it is deleted on close.
FileHandle CreateScratchFile(const char* name);
// Free bytes for this user on the volume of name's folder; 0 when the
// system cannot tell.
int FreeBytesBeside(const char* name, uint64_t* bytes);

// Calls visit with each name in the working directory that begins with
// prefix and ends with suffix, and the file's size (0 when it cannot be
// read), in sorted order. Returns 0 when the folder cannot be listed.
typedef void (*NameVisitor)(void* context, const char* name, uint64_t size);
int FindNames(const char* prefix, const char* suffix, NameVisitor visit, void* context);

// Waits milliseconds, for a retry.
void SleepMilliseconds(uint32_t milliseconds);

// 64 bits that another run, earlier or at the same time, cannot foresee
// (for the names of temporary files, whose creation is exclusive: a clash
// costs a retry, never a file). Never fails.
uint64_t UnpredictableBits();

// ---- Memory ----------------------------------------------------------------

// A fixed block of memory, or null.
void* AllocateFixed(uint32_t size);
void FreeFixed(void* block);

// ---- Events ----------------------------------------------------------------

struct PlatformEvent;
typedef PlatformEvent* EventHandle;

// An unnamed manual-reset event, created non-signalled; null on failure.
EventHandle CreateManualEvent();
void SignalEvent(EventHandle event);
void ClearEvent(EventHandle event);
// Waits without time-out until the event is signalled.
void WaitForEvent(EventHandle event);
void CloseEvent(EventHandle event);

// ---- Threads ---------------------------------------------------------------

struct PlatformThread;
typedef PlatformThread* ThreadHandle;
typedef uint32_t (*ThreadEntry)(void* parameter);

// Creates a thread that runs entry(parameter) once resumed; null on failure.
ThreadHandle CreateSuspendedThread(ThreadEntry entry, void* parameter);
// Lowers the thread to the lowest normal priority, two steps below normal.
int SetLowestPriority(ThreadHandle thread);
int ResumeSuspendedThread(ThreadHandle thread);
// Releases the handle without waiting for the thread, which runs on.
void CloseThreadHandle(ThreadHandle thread);

// A helper thread that runs one task at a time for the thread that created
// it, at that thread's priority: the worker checksums a block on it from the
// block's read to the next read, while it notifies and writes the block.
struct PlatformHelper;
typedef PlatformHelper* HelperHandle;
typedef void (*HelperTask)(void* parameter);

// Starts an idle helper thread; null when it cannot be had.
HelperHandle CreateHelperThread();
// Hands task(parameter) to the idle helper, which starts it at once.
void StartHelperTask(HelperHandle helper, HelperTask task, void* parameter);
// Waits until the task handed over last has returned; the helper is idle
// again. Returns at once when it already is.
void AwaitHelperTask(HelperHandle helper);
// Ends the idle helper thread, waits for its exit and frees the handle.
void CloseHelperThread(HelperHandle helper);

// ---- Time ------------------------------------------------------------------

// A millisecond counter that wraps after 2^32 ms; only differences matter.
uint32_t GetTickCount32();

// ---- The program's own record ----------------------------------------------

// The address of the 722-byte join record inside the running program, or null
// when it cannot be found. On POSIX a front end may hand over a record read
// from another file instead (platform/posix/record_source.h).
const uint8_t* GetOwnRecord();

// The address of the 520-byte name record beside it (format/name_record.h),
// or null when the program has none. On POSIX, once a front end has handed
// over a record, the name record it handed over with it (or null).
const uint8_t* GetOwnNameRecord();

// ---- The program's folder --------------------------------------------------

// Makes the folder of the running program's own file the working directory,
// so that the names of the record (the parts, the output) resolve beside the
// program wherever it was started from. Returns 0 when the folder cannot be
// found or entered; the working directory is then unchanged.
int UseProgramFolder();

#endif
