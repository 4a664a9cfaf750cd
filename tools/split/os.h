// The operating-system services the splitter uses, behind functions of its
// own so that each system has one file implementing them (os_posix.cpp,
// os_win32.cpp). Paths and texts are UTF-8 inside the program: the bytes of
// a POSIX name as they are, and on Windows the UTF-16 of the wide calls
// converted at this boundary (utf16.h). Functions report
// success as non-zero; after a failure OsLastError and OsLastErrorText
// describe it, until the next call of this interface.
#ifndef SELVANORE_TOOLS_SPLIT_OS_H
#define SELVANORE_TOOLS_SPLIT_OS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/name_lookup.h"

// An open file or directory: a descriptor, or a handle on Windows.
using OsHandle = intptr_t;
const OsHandle kNoHandle = -1;

// Closes the handle; a failure is a delayed write error. Only OsFile calls
// it.
int OsClose(OsHandle file);

// The owner of an open file or directory: whatever way a run goes, every
// handle is closed once, by its owner. Close says what the close said (a
// delayed write error, for an output); a handle still open when its owner
// goes is closed without a word, on a way that fails anyway.
struct OsFile {
    OsHandle handle = kNoHandle;

    OsFile() = default;
    OsFile(OsFile&& other) noexcept : handle(other.handle) { other.handle = kNoHandle; }
    OsFile& operator=(OsFile&& other) noexcept {
        if (this != &other) {
            Close();
            handle = other.handle;
            other.handle = kNoHandle;
        }
        return *this;
    }
    ~OsFile() { Close(); }

    bool IsOpen() const { return handle != kNoHandle; }
    // Closes the handle now; 1 when there was none.
    int Close() {
        if (handle == kNoHandle) return 1;
        OsHandle open = handle;
        handle = kNoHandle;
        return OsClose(open);
    }
};

// The kinds of failure the splitter tells apart.
enum class OsError {
    None,
    Missing,     // no such file or directory
    NotRegular,  // a FIFO, a device, a directory... where a regular file is needed
    NotDirectory,  // a file or a device where a directory is needed
    Exists,      // the name is taken
    Other,
};

OsError OsLastError();
// The system's description of the last failure ("No space left on device").
const char* OsLastErrorText();

// ---- The command line and the standard streams ------------------------------

// The program's arguments, argv[0] first, as UTF-8: argv itself on POSIX;
// on Windows the wide command line, which holds any name intact.
std::vector<std::string> OsArguments(int argc, char** argv);

enum class OsStream { Output, Error };

// Writes UTF-8 text to the standard output or error and flushes it: its
// bytes, or on a Windows console its characters. A failure (a full device, a
// closed pipe) is reported.
int OsWriteText(OsStream stream, const std::string& text);

// ---- Paths ---------------------------------------------------------------

// The last component of path, and the directory holding it ("." for a bare
// name). Windows separates components by '/' and '\\' both.
std::string OsBaseName(const std::string& path);
std::string OsDirectoryName(const std::string& path);
std::string OsJoinPath(const std::string& directory, const std::string& name);

// The path with its last component in its long form: Windows resolves an
// 8.3 short name ("PRESEN~1.PPT" to "Presentation.pptx"), so that a set is
// named as the file is; POSIX, and a path Windows cannot resolve, give the
// path as it is.
std::string OsLongPath(const std::string& path);

// The path of the running program.
std::string OsOwnPath();

// Looks up path (platform/name_lookup.h): whether anything (a file, a
// directory, a link, even a dangling one) lies there, nothing does, or the
// system cannot tell (OsLastError then says why).
NameLookup OsLookUp(const std::string& path);

// Why a file cannot be trusted: the file or folder at fault, and why.
enum class OsDistrustReason {
    None,
    Owner,             // it belongs to someone else (owner), neither the user nor root
    WritableByOthers,  // others may write it
    WritableByGroup,   // its group may write it
};
struct OsDistrust {
    std::string path;
    bool folder = false;
    OsDistrustReason reason = OsDistrustReason::None;
    uint32_t owner = 0;
};

// Whether the file at path can only have been put there by the running user
// or the administrator, as ssh judges its files. On POSIX the path is
// resolved (links, "." and "..", given in *resolved) and the file and every
// folder up to the root must be owned by the user or root and writable by no
// one else; a folder others may write counts only with the sticky bit (as
// /tmp), where no one but an entry's owner and the folder's can rename or
// remove the entry. On Windows every file passes. Returns 0 with *distrust
// filled in when the file fails, or with OsLastError set (and distrust's
// reason None) when it cannot be judged.
int OsCheckTrusted(const std::string& path, std::string* resolved, OsDistrust* distrust);

// Whether path reaches its file through a process's descriptor link
// (/dev/stdin, /dev/fd/N, /proc/self/fd/N): such a file does not lie in the
// directory the path names.
bool OsIsDescriptorLink(const std::string& path);

// ---- Files -----------------------------------------------------------------

// Opens an existing regular file for reading and gives its size. Never
// blocks: a FIFO or a device fails at once with OsError::NotRegular.
int OsOpenRegularFile(const std::string& path, OsFile* file, uint64_t* size);

// When an open file's bytes and its metadata last changed, as the system
// keeps them: a write in place changes them even when the size stays.
// Readings are only compared with each other.
struct OsFileTimes {
    int64_t modified[2];
    int64_t changed[2];
};

int OsGetFileTimes(OsHandle file, OsFileTimes* times);

inline bool OsSameFileTimes(const OsFileTimes& a, const OsFileTimes& b) {
    return a.modified[0] == b.modified[0] && a.modified[1] == b.modified[1] &&
           a.changed[0] == b.changed[0] && a.changed[1] == b.changed[1];
}

// Reads up to length bytes; *got is 0 at the end of the file.
int OsRead(OsHandle file, void* buffer, size_t length, size_t* got);

// Writes all length bytes; a short write is a failure.
int OsWriteAll(OsHandle file, const void* data, size_t length);

// Flushes the file's data to the disk.
int OsSync(OsHandle file);

// ---- Directories ---------------------------------------------------------

// Opens a directory to create, name and remove files in; anything else
// (a file, a device) fails with OsError::NotDirectory.
int OsOpenDirectory(const std::string& path, OsFile* directory);

// The longest file name the directory's file system takes, and the length
// of a name, in the units the system counts (OsNameUnit): bytes on POSIX,
// UTF-16 units, characters to users, on Windows.
enum class OsUnit { Bytes, Characters };
size_t OsLongestName(OsHandle directory);
size_t OsNameLength(const std::string& name);
OsUnit OsNameUnit();

// Looks up a name about to be created in the directory, as OsLookUp does;
// on Windows an absent name is confirmed by an exclusive creation of it, which
// meets the dangling links that Wine hides from every look-up.
NameLookup OsLookUpIn(OsHandle directory, const std::string& name);

// The names of everything in the directory, "." and ".." left out.
int OsListDirectory(OsHandle directory, std::vector<std::string>* names);

// Creates the file name for writing, failing with OsError::Exists when
// anything of that name exists (links are never followed). executable: the
// file is a program.
int OsCreateIn(OsHandle directory, const std::string& name, bool executable, OsFile* file);

// Gives the file from the name to, failing with OsError::Exists when to is
// taken: an existing file is never replaced, even one appearing meanwhile.
int OsRenameIn(OsHandle directory, const std::string& from, const std::string& to);

// Removes the file name; failures are ignored.
void OsRemoveIn(OsHandle directory, const std::string& name);

// Makes the directory's entries (the names given) durable.
int OsSyncDirectory(OsHandle directory);

// ---- The process ---------------------------------------------------------

// Fills the buffer with bytes of the system's random source, which no
// other process can foresee.
int OsRandomBytes(void* buffer, size_t length);

// Catches the interruptions a user or the system sends (Ctrl+C, a hang-up, a
// termination request; on Windows Ctrl+C, Ctrl+Break and the console
// closing), which then only set the flag OsInterrupted reads, and turns a
// file-size limit and a closed output into write errors. Windows ends a
// process soon after its console closes: the program then has that long to
// remove its outputs and return.
void OsCatchInterruptions();
bool OsInterrupted();

// Whether the standard error shows on a terminal.
bool OsErrorStreamIsTerminal();

// Whether "/?" asks for the help, as Windows programs take it (on POSIX it
// is a path).
bool OsSlashAsksForHelp();

// The console the program runs in: how many processes it has (0: none, or
// it cannot be told; always 0 on POSIX), and whether the standard output and
// input are that console. A console of one process was opened for this one:
// it was started from Explorer, and the window closes as the program ends.
struct OsConsole {
    uint32_t processes = 0;
    bool output = false;
    bool input = false;
};
OsConsole OsConsoleState();

// Waits until a key is pressed on the console; from then on Ctrl+C and
// closing the window end the program at once. Nothing on POSIX.
void OsWaitForKey();

#endif
