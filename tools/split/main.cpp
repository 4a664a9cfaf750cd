// vantorel-split: cuts a file into numbered parts and puts beside them a copy
// of the joiner with the join record stamped into it.
//
// Everything that can be checked is checked before the first byte is
// written: the file, the cut, the name, the joiner and its record, the output
// directory and the names the outputs will take. Outputs are written under
// temporary names and take their own names only once all are on disk, never
// replacing a file; a failure or an interruption part way removes every
// output made so far, so a run leaves either the whole set or nothing, and a
// run killed outright leaves no set that looks complete.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "hash/hash.h"
#include "platform/cp1252.h"
#include "tools/split/locate.h"
#include "tools/split/plan.h"
#include "tools/split/record.h"

#ifndef VANTOREL_DEFAULT_JOINER
#define VANTOREL_DEFAULT_JOINER "Selvanore.exe"
#endif

namespace {

const char kTool[] = "vantorel-split";
const size_t kBufferSize = 4u << 20;
// A joiner is a small program; anything this large is not one.
const uint64_t kMaxJoinerSize = 256u << 20;
// Below this size a cut is too quick for progress to be worth showing.
const uint64_t kProgressThreshold = 16u << 20;

const int kExitFailure = 1;
const int kExitUsage = 2;
const int kExitInterrupted = 130;

const char kUsage[] =
    "usage: vantorel-split FILE (--parts N | --size BYTES[K|M|G])\n"
    "                      [--checksum none|md5|sha1|sha224|sha256] [--joiner PATH] [--out DIR]\n"
    "\n"
    "Cuts FILE into parts named NAME__000, NAME__001, ... (four digits above 1000\n"
    "parts) and puts beside them a copy of the joiner, NAME__join.exe for a Windows\n"
    "joiner or NAME__join for a Linux one, stamped with the file's name, size, part\n"
    "count and checksum. Running the copy rebuilds FILE from the parts.\n"
    "\n"
    "  --parts N          N parts of equal size, the last also taking the remainder\n"
    "  --size BYTES       parts of BYTES bytes, the last one shorter; K, M and G\n"
    "                     multiply by 1024, 1024^2 and 1024^3\n"
    "  --checksum KIND    checksum the joiner verifies after joining (default sha256)\n"
    "  --joiner PATH      joiner to copy (default: the Windows joiner of this build,\n"
    "                     " VANTOREL_DEFAULT_JOINER " relative to this program)\n"
    "  --out DIR          directory of the parts and the joiner (default: FILE's)\n"
    "  --help             this text\n"
    "\n"
    "Existing files are never overwritten: the run is refused when a part or the\n"
    "joiner copy already exists. Names Windows reserves for devices (CON, NUL,\n"
    "COM1, LPT1... with any extension) and names ending in a dot or a space are\n"
    "refused. On any failure nothing is left behind.\n"
    "Exit status: 0 done, 1 failed, 2 bad command line or name, 130 interrupted.\n";

volatile sig_atomic_t g_interrupted = 0;

void OnSignal(int) { g_interrupted = 1; }

// Whether a progress line is on the terminal and must be ended first.
bool g_progressShown = false;

void EndProgressLine() {
    if (g_progressShown) {
        std::fputc('\n', stderr);
        g_progressShown = false;
    }
}

// Reports a failure: one line on stderr.
void Report(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Report(const char* format, ...) {
    EndProgressLine();
    std::fprintf(stderr, "%s: ", kTool);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
}

struct Options {
    const char* file = nullptr;
    uint64_t parts = 0;
    uint64_t partSize = 0;
    bool byParts = false;
    bool bySize = false;
    uint32_t kind = CHECKSUM_SHA256;
    const char* joiner = nullptr;
    const char* outDir = nullptr;
    bool help = false;
};

int ParseChecksumKind(const char* text, uint32_t* kind) {
    const struct {
        const char* name;
        uint32_t kind;
    } kinds[] = {{"none", CHECKSUM_NONE},     {"md5", CHECKSUM_MD5},
                 {"sha1", CHECKSUM_SHA1},     {"sha224", CHECKSUM_SHA224},
                 {"sha256", CHECKSUM_SHA256}};
    for (const auto& entry : kinds) {
        if (std::strcmp(text, entry.name) == 0) {
            *kind = entry.kind;
            return 1;
        }
    }
    return 0;
}

// Parses the command line; "--name VALUE" and "--name=VALUE" both work.
int ParseArguments(int argc, char** argv, Options* options) {
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (optionsEnded || argument.size() < 2 || argument.compare(0, 2, "--") != 0) {
            if (argument.size() > 1 && argument[0] == '-' && !optionsEnded) {
                Report("unknown option '%s' (see --help)", argv[i]);
                return 0;
            }
            if (options->file != nullptr) {
                Report("more than one FILE given ('%s' and '%s')", options->file, argv[i]);
                return 0;
            }
            options->file = argv[i];
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "--help") {
            options->help = true;
            return 1;
        }

        std::string name = argument;
        const char* value = nullptr;
        size_t equals = argument.find('=');
        if (equals != std::string::npos) {
            name = argument.substr(0, equals);
            value = argv[i] + equals + 1;
        }
        bool known = name == "--parts" || name == "--size" || name == "--checksum" ||
                     name == "--joiner" || name == "--out";
        if (!known) {
            Report("unknown option '%s' (see --help)", name.c_str());
            return 0;
        }
        if (value == nullptr) {
            if (i + 1 >= argc) {
                Report("option %s needs a value (see --help)", name.c_str());
                return 0;
            }
            value = argv[++i];
        }

        if (name == "--parts") {
            if (std::strspn(value, "0123456789") != std::strlen(value) ||
                !ParseByteCount(value, &options->parts)) {
                Report("--parts takes a whole number, not '%s'", value);
                return 0;
            }
            options->byParts = true;
        } else if (name == "--size") {
            if (!ParseByteCount(value, &options->partSize)) {
                Report("--size takes a number of bytes with an optional K, M or G, not '%s'",
                       value);
                return 0;
            }
            options->bySize = true;
        } else if (name == "--checksum") {
            if (!ParseChecksumKind(value, &options->kind)) {
                Report("--checksum takes none, md5, sha1, sha224 or sha256, not '%s'", value);
                return 0;
            }
        } else if (name == "--joiner") {
            options->joiner = value;
        } else {
            options->outDir = value;
        }
    }

    if (options->file == nullptr) {
        Report("no FILE given (see --help)");
        return 0;
    }
    if (options->byParts == options->bySize) {
        Report("give exactly one of --parts N and --size BYTES (see --help)");
        return 0;
    }
    return 1;
}

std::string BaseName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DirectoryName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string JoinPath(const std::string& directory, const std::string& name) {
    if (!directory.empty() && directory.back() == '/') return directory + name;
    return directory + "/" + name;
}

// The default joiner: VANTOREL_DEFAULT_JOINER, resolved against the
// directory of this program when relative.
std::string DefaultJoiner() {
    std::string relative = VANTOREL_DEFAULT_JOINER;
    if (!relative.empty() && relative[0] == '/') return relative;
    char self[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return relative;
    self[length] = '\0';
    return JoinPath(DirectoryName(self), relative);
}

// Checks that the name can be the joiner's output name: Windows-1252, and
// nothing Windows refuses in a file name.
int ConvertName(const std::string& name, std::string* cp1252) {
    NameProblem problem = NameProblem::None;
    size_t at = 0;
    if (!Utf8ToWindows1252(name.data(), name.size(), cp1252, &problem, &at)) {
        if (problem == NameProblem::InvalidUtf8) {
            Report("the name '%s' is not valid UTF-8 (at byte %zu)", name.c_str(), at);
        } else {
            Report("the name '%s' has a character that Windows-1252 cannot represent (at byte "
                   "%zu); rename the file",
                   name.c_str(), at);
        }
        return 0;
    }
    for (unsigned char c : *cp1252) {
        if (c < 0x20 || std::strchr("<>:\"\\|?*", c) != nullptr) {
            Report("the name '%s' has a character Windows does not allow in file names; rename "
                   "the file",
                   name.c_str());
            return 0;
        }
    }
    return 1;
}

// Windows gives the device names CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to
// LPT9 (also with the superscript digits 1, 2 and 3), CONIN$ and CONOUT$ to
// every file whose name before the first dot is one of them, in any case
// and with trailing spaces; and it drops a final dot or space from a name.
// The joiner would write to the device, or to another file.
int CheckWindowsName(const std::string& name) {
    if (!name.empty() && (name.back() == '.' || name.back() == ' ')) {
        Report("the name '%s' ends in a dot or a space, which Windows drops: the joiner would "
               "write another file; rename the file",
               name.c_str());
        return 0;
    }
    std::string stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    for (char& c : stem) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    bool device = stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL" ||
                  stem == "CONIN$" || stem == "CONOUT$";
    if ((stem.size() == 4 || stem.size() == 5) &&
        (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0)) {
        std::string digit = stem.substr(3);
        // 1 to 9, and the superscripts one, two and three in UTF-8.
        device = device || (digit.size() == 1 && digit[0] >= '1' && digit[0] <= '9') ||
                 digit == "\xC2\xB9" || digit == "\xC2\xB2" || digit == "\xC2\xB3";
    }
    if (device) {
        Report("the name '%s' is a device name on Windows: the joiner could not write the file; "
               "rename the file",
               name.c_str());
        return 0;
    }
    return 1;
}

// Opens path for reading, refusing anything but a regular file. The open
// does not block, so a FIFO or a device is refused at once rather than
// waited on.
int OpenRegularFile(const std::string& path, const char* what, int* fd, struct stat* info) {
    *fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (*fd < 0) return 0;
    if (fstat(*fd, info) != 0 || !S_ISREG(info->st_mode)) {
        Report("%s'%s' is not a regular file", what, path.c_str());
        close(*fd);
        *fd = -1;
        errno = 0;
        return 0;
    }
    int flags = fcntl(*fd, F_GETFL);
    if (flags != -1) fcntl(*fd, F_SETFL, flags & ~O_NONBLOCK);
    return 1;
}

// Whether path reaches its file through a process's descriptor links
// (/dev/stdin, /dev/fd/N, /proc/self/fd/N): such a file is not in the
// directory the path names, and the parts would go there.
bool ReachedThroughDescriptorLink(std::string path) {
    for (int hop = 0; hop < 40; ++hop) {
        char resolved[PATH_MAX];
        std::string directory = DirectoryName(path);
        if (realpath(directory.c_str(), resolved) != nullptr &&
            (std::strcmp(resolved, "/proc") == 0 || std::strncmp(resolved, "/proc/", 6) == 0)) {
            return true;
        }
        char target[PATH_MAX];
        ssize_t length = readlink(path.c_str(), target, sizeof target - 1);
        if (length <= 0) return false;
        target[length] = '\0';
        path = target[0] == '/' ? std::string(target) : JoinPath(directory, target);
    }
    return false;
}

// Reads the whole joiner into image.
int ReadJoiner(const std::string& path, bool isDefault, std::vector<uint8_t>* image) {
    int fd = -1;
    struct stat info;
    if (!OpenRegularFile(path, "the joiner ", &fd, &info)) {
        if (errno == 0) return 0;
        if (errno == ENOENT && isDefault) {
            Report("no joiner at '%s' (the default; is the Windows joiner built?); give one with "
                   "--joiner PATH",
                   path.c_str());
        } else {
            Report("cannot open the joiner '%s': %s", path.c_str(), std::strerror(errno));
        }
        return 0;
    }
    if (static_cast<uint64_t>(info.st_size) > kMaxJoinerSize) {
        Report("the joiner '%s' is too large to be a joiner", path.c_str());
        close(fd);
        return 0;
    }
    image->resize(static_cast<size_t>(info.st_size));
    size_t done = 0;
    while (done < image->size()) {
        ssize_t got = read(fd, image->data() + done, image->size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            Report("cannot read the joiner '%s': %s", path.c_str(),
                   got < 0 ? std::strerror(errno) : "it shrank while being read");
            close(fd);
            return 0;
        }
        done += static_cast<size_t>(got);
    }
    close(fd);
    return 1;
}

int WriteAll(int fd, const uint8_t* data, size_t length) {
    while (length > 0) {
        ssize_t put = write(fd, data, length);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            if (put == 0) errno = EIO;
            return 0;
        }
        data += put;
        length -= static_cast<size_t>(put);
    }
    return 1;
}

// Closes fd, reporting a failure of the close itself (a delayed write error).
int CloseOutput(int fd, const std::string& path) {
    if (close(fd) != 0) {
        Report("cannot write '%s': %s (nothing was kept)", path.c_str(), std::strerror(errno));
        return 0;
    }
    return 1;
}

void ShowProgress(const std::string& name, uint64_t done, uint64_t total, int* shown) {
    int percent = static_cast<int>(done * 100 / total);
    if (percent == *shown) return;
    *shown = percent;
    std::fprintf(stderr, "\rcutting %s: %3d%%", name.c_str(), percent);
    std::fflush(stderr);
    g_progressShown = true;
}

void InstallSignalHandlers() {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = OnSignal;
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

const char* DescribePlanProblem(PlanProblem problem) {
    switch (problem) {
        case PlanProblem::None: return "no problem";
        case PlanProblem::EmptyFile: return "it is empty";
        case PlanProblem::ZeroPartSize: return "parts of 0 bytes are impossible";
        case PlanProblem::TooFewParts: return "that makes fewer than 2 parts";
        case PlanProblem::MorePartsThanBytes: return "it has fewer bytes than parts";
        case PlanProblem::TooManyParts: return "that makes more than 4294967295 parts";
    }
    return "unknown problem";
}

// Everything a cut needs, checked before anything is written.
struct Job {
    const char* file = nullptr;
    int input = -1;
    SplitPlan plan = {};
    std::string name;        // the file's base name, UTF-8
    std::string cp1252Name;  // the same in Windows-1252, for the record
    std::string joinerPath;
    std::vector<uint8_t> joiner;  // the joiner's bytes, stamped in place
    RecordLocation location = {};
    std::string joinerName;
    std::string outDir;
    int directory = -1;
    uint32_t kind = CHECKSUM_NONE;

    ~Job() {
        if (input >= 0) close(input);
        if (directory >= 0) close(directory);
    }
};

// The name of part index on disk: the file's own name, as given, and the
// suffix of the joiner's rule. Names are made as needed: a set can have
// billions of parts.
std::string PartFileName(const Job& job, uint32_t index) {
    std::string suffix;
    PartSuffix(job.cp1252Name, job.plan.partCount, index, &suffix);
    return job.name + suffix;
}

// The outputs of a run. Each is written under a temporary name of its own in
// the output directory and synced to disk; once all are, the parts and then
// the joiner take their names, none replacing a file. Everything made so
// far is removed again unless the run succeeds.
struct OutputSet {
    const Job* job;
    bool joinerMade;      // the joiner's temporary file exists
    uint32_t partsMade;   // temporary files of parts 0 to partsMade - 1 exist
    uint32_t partsNamed;  // parts 0 to partsNamed - 1 have their own names
    bool joinerNamed;
};

std::string OutputPath(const OutputSet& outputs, const std::string& name) {
    return JoinPath(outputs.job->outDir, name);
}

// Temporary names: hidden, short, and unique to this process.
std::string TemporaryName(uint32_t index, bool joiner) {
    std::string name = ".vantorel-split-" + std::to_string(getpid()) + "-";
    return name + (joiner ? std::string("join") : std::to_string(index));
}

// Creates name, failing when anything of that name exists: nothing is ever
// overwritten or written through a link.
int CreateOutput(const OutputSet& outputs, const std::string& name, mode_t mode, int* fd) {
    *fd = openat(outputs.job->directory, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (*fd < 0) {
        Report("cannot create '%s': %s (nothing was kept)", OutputPath(outputs, name).c_str(),
               std::strerror(errno));
        return 0;
    }
    return 1;
}

int CreateJoinerCopy(OutputSet* outputs, int* fd) {
    if (!CreateOutput(*outputs, TemporaryName(0, true), 0777, fd)) return 0;
    outputs->joinerMade = true;
    return 1;
}

// Creates the next part, index partsMade.
int CreatePart(OutputSet* outputs, uint32_t index, int* fd) {
    if (index != outputs->partsMade ||
        !CreateOutput(*outputs, TemporaryName(index, false), 0666, fd)) {
        return 0;
    }
    ++outputs->partsMade;
    return 1;
}

// Syncs and closes an output, reporting a failure of either (a delayed
// write error).
int FinishOutput(int fd, const std::string& path) {
    if (fsync(fd) != 0) {
        int error = errno;
        close(fd);
        Report("cannot write '%s': %s (nothing was kept)", path.c_str(), std::strerror(error));
        return 0;
    }
    return CloseOutput(fd, path);
}

// Gives from its temporary name to, failing when a file of that name exists.
int RenameWithoutReplacing(int directory, const std::string& from, const std::string& to) {
    if (renameat2(directory, from.c_str(), directory, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 1;
    }
    if (errno != EINVAL && errno != ENOSYS) return 0;
    // A file system without the flag: a link fails on an existing name too.
    if (linkat(directory, from.c_str(), directory, to.c_str(), 0) != 0) return 0;
    unlinkat(directory, from.c_str(), 0);
    return 1;
}

// Gives every output its own name, the joiner last so that a set without it
// is plainly incomplete, and syncs the directory.
int NameOutputs(OutputSet* outputs) {
    const Job& job = *outputs->job;
    while (outputs->partsNamed < outputs->partsMade) {
        uint32_t index = outputs->partsNamed;
        std::string name = PartFileName(job, index);
        if (!RenameWithoutReplacing(job.directory, TemporaryName(index, false), name)) {
            Report("cannot name '%s': %s (nothing was kept)", OutputPath(*outputs, name).c_str(),
                   std::strerror(errno));
            return 0;
        }
        ++outputs->partsNamed;
    }
    if (!RenameWithoutReplacing(job.directory, TemporaryName(0, true), job.joinerName)) {
        Report("cannot name '%s': %s (nothing was kept)",
               OutputPath(*outputs, job.joinerName).c_str(), std::strerror(errno));
        return 0;
    }
    outputs->joinerNamed = true;
    if (fsync(job.directory) != 0) {
        Report("cannot sync the output directory '%s': %s (nothing was kept)",
               job.outDir.c_str(), std::strerror(errno));
        return 0;
    }
    return 1;
}

void DiscardOutputs(OutputSet* outputs) {
    int directory = outputs->job->directory;
    while (outputs->partsMade > outputs->partsNamed) {
        --outputs->partsMade;
        unlinkat(directory, TemporaryName(outputs->partsMade, false).c_str(), 0);
    }
    while (outputs->partsNamed > 0) {
        --outputs->partsNamed;
        unlinkat(directory, PartFileName(*outputs->job, outputs->partsNamed).c_str(), 0);
    }
    outputs->partsMade = 0;
    if (outputs->joinerNamed) {
        unlinkat(directory, outputs->job->joinerName.c_str(), 0);
    } else if (outputs->joinerMade) {
        unlinkat(directory, TemporaryName(0, true).c_str(), 0);
    }
    outputs->joinerMade = false;
    outputs->joinerNamed = false;
}

int PrepareInput(const Options& options, Job* job) {
    job->file = options.file;
    struct stat info;
    if (!OpenRegularFile(options.file, "", &job->input, &info)) {
        if (errno != 0) Report("cannot open '%s': %s", options.file, std::strerror(errno));
        return 0;
    }
    if (ReachedThroughDescriptorLink(options.file)) {
        Report("'%s' is an open stream, not a file in a directory; give the file's own path",
               options.file);
        return 0;
    }
    uint64_t fileSize = static_cast<uint64_t>(info.st_size);
    PlanProblem problem = PlanProblem::None;
    int planned = options.byParts ? PlanByCount(fileSize, options.parts, &job->plan, &problem)
                                  : PlanBySize(fileSize, options.partSize, &job->plan, &problem);
    if (!planned) {
        Report("cannot cut '%s' (%llu bytes): %s", options.file,
               static_cast<unsigned long long>(fileSize), DescribePlanProblem(problem));
        return 0;
    }

    job->name = BaseName(options.file);
    if (!ConvertName(job->name, &job->cp1252Name)) return 0;
    // Every index has a name of the joiner's rule; the last has the most
    // digits, so it is the one that may not fit.
    uint32_t count = job->plan.partCount;
    std::string suffix;
    if (job->cp1252Name.size() >= kOutputNameField ||
        !PartSuffix(job->cp1252Name, count, count - 1, &suffix)) {
        Report("the name '%s' is too long: the joiner's part names hold at most 519 characters",
               job->name.c_str());
        return 0;
    }
    job->kind = options.kind;
    return 1;
}

int PrepareJoiner(const Options& options, Job* job) {
    bool isDefault = options.joiner == nullptr;
    job->joinerPath = isDefault ? DefaultJoiner() : options.joiner;
    if (!ReadJoiner(job->joinerPath, isDefault, &job->joiner)) return 0;
    if (!LocateRecord(job->joiner.data(), job->joiner.size(), &job->location)) {
        Report("the joiner '%s' cannot be used: %s", job->joinerPath.c_str(),
               DescribeLocateProblem(job->location.problem));
        return 0;
    }
    // The template, or a copy stamped before: both are overwritten whole.
    if (ClassifyRecord(job->joiner.data() + job->location.offset) == RecordKind::Unrecognised) {
        Report("the joiner '%s' cannot be used: the bytes of its join record are neither the "
               "template nor a stamped record",
               job->joinerPath.c_str());
        return 0;
    }
    bool windows = job->location.format == ImageFormat::Pe32 ||
                   job->location.format == ImageFormat::Pe32Plus;
    job->joinerName = job->name + (windows ? "__join.exe" : "__join");
    return 1;
}

// Windows starts no program whose path is longer than 260 characters: a
// long joiner name leaves little room for the folder. Said once the run is
// known to go ahead.
void WarnOfLongJoinerName(const Job& job) {
    const size_t kLongJoinerName = 200;
    bool windows = job.location.format == ImageFormat::Pe32 ||
                   job.location.format == ImageFormat::Pe32Plus;
    size_t characters = job.cp1252Name.size() + std::strlen("__join.exe");
    if (windows && characters > kLongJoinerName) {
        Report("warning: the joiner's name '%s' has %zu characters; Windows cannot start it "
               "from a folder whose path makes the whole longer than 260 characters",
               job.joinerName.c_str(), characters);
    }
}

int PrepareOutput(const Options& options, Job* job) {
    job->outDir = options.outDir != nullptr ? options.outDir : DirectoryName(options.file);
    job->directory = open(job->outDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (job->directory < 0) {
        if (errno == ENOENT) {
            Report("the output directory '%s' does not exist", job->outDir.c_str());
        } else {
            Report("cannot use the output directory '%s': %s", job->outDir.c_str(),
                   std::strerror(errno));
        }
        return 0;
    }

    long nameMax = fpathconf(job->directory, _PC_NAME_MAX);
    if (nameMax <= 0) nameMax = NAME_MAX;
    // The last part has the longest name of the parts.
    std::string lastPart = PartFileName(*job, job->plan.partCount - 1);
    const std::string& longest =
        lastPart.size() > job->joinerName.size() ? lastPart : job->joinerName;
    if (longest.size() > static_cast<size_t>(nameMax)) {
        Report("the name '%s' is too long: '%s' would exceed the %ld bytes a file name can have",
               job->name.c_str(), longest.c_str(), nameMax);
        return 0;
    }

    // Nothing is ever overwritten: not an earlier set, and not the input.
    // (Outputs are also created exclusively; this finds a clash before
    // anything is cut.)
    for (int64_t i = -1; i < static_cast<int64_t>(job->plan.partCount); ++i) {
        std::string target = i < 0 ? job->joinerName : PartFileName(*job, static_cast<uint32_t>(i));
        struct stat existing;
        if (fstatat(job->directory, target.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
            Report("'%s' already exists; remove it or choose another --out",
                   JoinPath(job->outDir, target).c_str());
            return 0;
        }
    }
    return 1;
}

// Cuts the parts, feeding every byte to engine (when given) on the way.
// Returns 0, the failure reported, when a part cannot be made or an
// interruption arrives.
int CutParts(Job* job, OutputSet* outputs, CHash* engine, uint8_t* buffer) {
    const SplitPlan& plan = job->plan;
    bool progress = isatty(STDERR_FILENO) && plan.fileSize >= kProgressThreshold;
    int shownPercent = -1;
    uint64_t done = 0;
    for (uint32_t i = 0; i < plan.partCount; ++i) {
        std::string partName = PartFileName(*job, i);
        int part = -1;
        if (!CreatePart(outputs, i, &part)) return 0;
        uint64_t left = PartSize(plan, i);
        while (left > 0) {
            if (g_interrupted) {
                close(part);
                Report("interrupted; nothing was kept");
                return 0;
            }
            size_t want = left < kBufferSize ? static_cast<size_t>(left) : kBufferSize;
            ssize_t got = read(job->input, buffer, want);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) {
                int error = errno;
                close(part);
                if (got < 0) {
                    Report("cannot read '%s': %s (nothing was kept)", job->file,
                           std::strerror(error));
                } else {
                    Report("'%s' shrank while being cut (nothing was kept)", job->file);
                }
                return 0;
            }
            if (!WriteAll(part, buffer, static_cast<size_t>(got))) {
                int error = errno;
                close(part);
                Report("cannot write '%s': %s (nothing was kept)",
                       OutputPath(*outputs, partName).c_str(), std::strerror(error));
                return 0;
            }
            if (engine != nullptr) engine->Update(buffer, static_cast<uint32_t>(got));
            left -= static_cast<uint64_t>(got);
            done += static_cast<uint64_t>(got);
            if (progress) ShowProgress(job->name, done, plan.fileSize, &shownPercent);
        }
        if (!FinishOutput(part, OutputPath(*outputs, partName))) return 0;
    }
    uint8_t extra = 0;
    if (read(job->input, &extra, 1) > 0) {
        Report("'%s' grew while being cut (nothing was kept)", job->file);
        return 0;
    }
    if (progress) {
        std::fprintf(stderr, "\r%*s\r", static_cast<int>(job->name.size()) + 14, "");
        g_progressShown = false;
    }
    return 1;
}

// Stamps the record into the joiner's bytes and checks that it reads back.
int StampJoiner(Job* job, const JoinRecord& record) {
    uint8_t stamped[kRecordSize];
    if (!EncodeRecord(record, stamped)) return 0;
    std::memcpy(job->joiner.data() + job->location.offset, stamped, kRecordSize);
    RecordLocation check;
    return LocateRecord(job->joiner.data(), job->joiner.size(), &check) &&
           check.offset == job->location.offset &&
           ClassifyRecord(job->joiner.data() + check.offset) == RecordKind::Stamped;
}

int WriteOutputs(Job& job, OutputSet* outputs, CHash* engine, uint8_t* buffer);

int Run(const Options& options) {
    if (!CheckWindowsName(BaseName(options.file))) return kExitUsage;
    Job job;
    if (!PrepareInput(options, &job) || !PrepareJoiner(options, &job) ||
        !PrepareOutput(options, &job)) {
        return kExitFailure;
    }
    WarnOfLongJoinerName(job);

    std::unique_ptr<CHash> engine;
    if (job.kind != CHECKSUM_NONE) {
        engine.reset(CreateHashEngine(job.kind));
        if (!engine) {
            Report("out of memory");
            return kExitFailure;
        }
        engine->Reset();
    }
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kBufferSize]);
    if (!buffer) {
        Report("out of memory");
        return kExitFailure;
    }

    InstallSignalHandlers();
    OutputSet outputs = {&job, false, 0, 0, false};
    int status = WriteOutputs(job, &outputs, engine.get(), buffer.get());
    if (status != 0) DiscardOutputs(&outputs);
    return status;
}

// Cuts the parts and writes the stamped joiner; returns the exit status. The
// caller removes the outputs when it is not 0.
int WriteOutputs(Job& job, OutputSet* outputs, CHash* engine, uint8_t* buffer) {
    // The joiner's name is taken first, so that nothing is cut when it
    // cannot be made; its bytes are written once the checksum is known.
    int joinerFd = -1;
    if (!CreateJoinerCopy(outputs, &joinerFd)) return kExitFailure;
    if (!CutParts(&job, outputs, engine, buffer)) {
        close(joinerFd);
        return g_interrupted ? kExitInterrupted : kExitFailure;
    }

    JoinRecord record;
    std::memset(&record, 0, sizeof record);
    record.checksumKind = job.kind;
    record.expectedSize = job.plan.fileSize;
    record.partCount = job.plan.partCount;
    if (engine) {
        engine->Finish();
        engine->GetDigestText(record.checksumText);
    }
    std::memcpy(record.outputName, job.cp1252Name.c_str(), job.cp1252Name.size() + 1);
    if (!StampJoiner(&job, record)) {
        close(joinerFd);
        Report("internal error: the stamped joiner does not read back (nothing was kept)");
        return kExitFailure;
    }
    if (!WriteAll(joinerFd, job.joiner.data(), job.joiner.size())) {
        int error = errno;
        close(joinerFd);
        Report("cannot write '%s': %s (nothing was kept)", OutputPath(*outputs, job.joinerName).c_str(),
               std::strerror(error));
        return kExitFailure;
    }
    if (!FinishOutput(joinerFd, OutputPath(*outputs, job.joinerName))) return kExitFailure;
    if (g_interrupted) {
        Report("interrupted; nothing was kept");
        return kExitInterrupted;
    }

    // The summary is written before the outputs take their names, so that
    // an output that cannot take it (a full device, a closed pipe) fails the
    // run while nothing is kept yet.
    std::printf("%s: %llu bytes in %u parts, %s to %s\n", job.name.c_str(),
                static_cast<unsigned long long>(job.plan.fileSize), job.plan.partCount,
                PartFileName(job, 0).c_str(), PartFileName(job, job.plan.partCount - 1).c_str());
    std::printf("joiner: %s\n", OutputPath(*outputs, job.joinerName).c_str());
    if (engine) std::printf("%s: %s\n", engine->m_name, record.checksumText);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        Report("cannot write the summary to the standard output: %s (nothing was kept)",
               std::strerror(errno));
        return kExitFailure;
    }
    return NameOutputs(outputs) ? 0 : kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseArguments(argc, argv, &options)) return kExitUsage;
    if (options.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    return Run(options);
}
