// selvanore as users run it: a set joined from each source of the record
// (its own stamp, a Windows joiner read as data with no Wine to be found, a
// checksum list alone) with its output piped; the exit statuses; and once on
// a pseudo-terminal, where a prompt is answered, p pauses, the status lines
// are rewritten in place and Ctrl+C cancels, keeping nothing.
#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "hash/hash.h"
#include "text/cp1252.h"
#include "format/checksum_list.h"
#include "format/locate.h"
#include "format/name_record.h"
#include "tests/support/encode_record.h"
#include "tests/support/part_names.h"
#include "tests/support/temp_dir.h"

namespace {

const char kUtf8Name[] = "A\xC3\xB1o caf\xC3\xA9.bin";  // as the file system names it


std::string Sha256(const std::string& bytes) {
    std::unique_ptr<CHash> engine(CreateHashEngine(CHECKSUM_SHA256));
    engine->Reset();
    engine->Update(bytes.data(), static_cast<uint32_t>(bytes.size()));
    engine->Finish();
    char text[65];
    engine->GetDigestText(text);
    return text;
}

// The absolute path of a program, found on the test's own PATH.
std::string Resolve(const std::string& program) {
    if (program.find('/') != std::string::npos) return program;
    std::stringstream path(getenv("PATH") != nullptr ? getenv("PATH") : "");
    std::string folder;
    while (std::getline(path, folder, ':')) {
        std::string candidate = folder + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return program;
}

// The words that start a program built for the target: through the
// emulator when the tests are cross-compiled.
std::vector<std::string> Command(const std::string& program) {
    std::vector<std::string> words;
    std::stringstream emulator(EMULATOR);
    std::string word;
    while (emulator >> word) words.push_back(words.empty() ? Resolve(word) : word);
    words.push_back(program);
    return words;
}

struct Finished {
    int status = -1;
    std::string out, err;
};

// In a child: runs words in folder, or exits with 126 or 127.
[[noreturn]] void Exec(std::vector<std::string> words, const std::string& folder) {
    if (chdir(folder.c_str()) != 0) _exit(126);
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(&word[0]);
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
}

// Runs words in folder with stdin from /dev/null, in a session of its own:
// no controlling terminal, so never the one the tests were started from. A
// PATH of an empty folder when noPath (nothing, Wine least of all, can be
// found on it).
Finished RunPiped(std::vector<std::string> words, const std::string& folder, bool noPath = false) {
    int out[2], err[2];
    Finished finished;
    if (pipe(out) != 0 || pipe(err) != 0) return finished;
    pid_t child = fork();
    if (child == 0) {
        setsid();
        int none = open("/dev/null", O_RDONLY);
        dup2(none, 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        if (noPath) setenv("PATH", (folder + "/empty-path").c_str(), 1);
        Exec(words, folder);
    }
    close(out[1]);
    close(err[1]);
    pollfd watched[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    int open = 2;
    while (open > 0 && poll(watched, 2, 60000) > 0) {
        for (pollfd& end : watched) {
            if (end.fd < 0 || end.revents == 0) continue;
            char bytes[4096];
            ssize_t n = read(end.fd, bytes, sizeof bytes);
            if (n <= 0) {
                close(end.fd);
                end.fd = -1;
                --open;
                continue;
            }
            (end.fd == out[0] ? finished.out : finished.err).append(bytes, static_cast<size_t>(n));
        }
    }
    int status = 0;
    if (open > 0) kill(child, SIGKILL);
    waitpid(child, &status, 0);
    finished.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return finished;
}

// A set of three parts of name (kUtf8Name unless given) in folder, and its
// checksum list's text.
struct Set {
    std::string name;
    std::string whole;
    std::string list;
};
Set MakeSet(const std::string& folder, const std::vector<uint64_t>& sizes,
            const std::string& setName = kUtf8Name) {
    Set set;
    set.name = setName;
    for (uint32_t i = 0; i < sizes.size(); ++i) {
        std::string name = ExpectedPartName(setName, static_cast<uint32_t>(sizes.size()), i);
        WriteFile(folder + "/" + name, sizes[i], 40 + i);
        std::string part = ReadWholeFile(folder + "/" + name);
        set.whole += part;
        set.list += ChecksumListLine(Sha256(part), name);
    }
    set.list += ChecksumListLine(Sha256(set.whole), setName);
    return set;
}

// A copy of a joiner stamped with the set's record (for COUNT parts), and
// its name record when it has one.
void StampCopy(const std::string& joiner, const Set& set, const std::string& path, uint32_t count = 3) {
    std::string image = ReadWholeFile(joiner);
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(image.data());
    RecordLocation location;
    ASSERT_TRUE(LocateRecord(bytes, image.size(), &location));
    uint8_t record[kRecordSize];
    ASSERT_TRUE(EncodeRecord(CHECKSUM_SHA256, set.whole.size(), count, set.name, Sha256(set.whole), record));
    std::memcpy(&image[location.offset], record, kRecordSize);
    RecordLocation name;
    if (LocateRecord(bytes, image.size(), &name, kNameRecordPlace)) {
        uint8_t nameRecord[kNameRecordSize];
        ASSERT_TRUE(EncodeNameRecord(set.name, nameRecord));
        std::memcpy(&image[name.offset], nameRecord, kNameRecordSize);
    }
    WriteWholeFile(path, image);
    chmod(path.c_str(), 0700);
}

std::string JoinedReport(const std::string& digest) {
    return std::string("Creación de archivo de salida :\n"
                "\"Año café.bin\"\n"
                "Tamaño : 3.500 bytes.\n"
                "\n"
                "desde la concatenación de 3 archivos de entrada :\n"
                "desde \"Año café.bin__000\"\n"
                "hasta \"Año café.bin__002\".\n"
                "\n"
                "Checksum (SHA-256) :\n" + digest + "\n"
                "\n"
                "Todos los archivos de entrada estan presentes.\n"
                "Haga click en el botón [Comenzar] para empezar la concatenación.\n"
                "\n"
                "Concatenación de archivos...\n"
                "\"Año café.bin__000\"  100%\n"
                "\"Año café.bin__001\"  100%\n"
                "\"Año café.bin__002\"  100%\n"
                "\n"
                "Checksum válido (SHA-256) :\n"
                "Entrada : " + digest + "\n"
                "Salida : " + digest + "\n"
                "\n"
                "Concatenación exitosa.\n"
                "Elimine los archivos de entrada después de la concatenación. [s/N] n\n"
                "Haga click en el botón [Salida].\n");
}

// ---- Each source of the record, piped ------------------------------------------

enum Source { kOwnStamp, kWindowsJoiner, kList };
void PrintTo(Source source, std::ostream* out) {
    *out << (source == kOwnStamp ? "OwnStamp" : source == kWindowsJoiner ? "WindowsJoiner" : "List");
}
class SelvanoreJoins : public ::testing::TestWithParam<Source> {};
TEST_P(SelvanoreJoins, FromEachSourceOfTheRecord) {
    const Source source = GetParam();
    if (source == kWindowsJoiner && PE_FIXTURE[0] == '\0') GTEST_SKIP() << "no Windows cross compiler";
    TempDir dir(TempDir::kStay);
    const std::string set = dir / "set";
    mkdir(set.c_str(), 0700);
    mkdir((dir / "empty-path").c_str(), 0700);
    Set made = MakeSet(set, {1500, 1500, 500});
    std::vector<std::string> words;
    if (source == kOwnStamp) {
        // Run from another folder: the parts are found beside the program.
        StampCopy(SELVANORE, made, set + "/" + kUtf8Name + "__join");
        words = Command(set + "/" + kUtf8Name + "__join");
    } else if (source == kWindowsJoiner) {
        StampCopy(PE_FIXTURE, made, set + "/" + kUtf8Name + "__join.exe");
        words = Command(SELVANORE);
        words.push_back("set/" + std::string(kUtf8Name) + "__join.exe");
    } else {
        WriteWholeFile(set + "/" + kUtf8Name + ".sha256", made.list);
        words = Command(SELVANORE);
        words.push_back("set/" + std::string(kUtf8Name) + ".sha256");
    }
    Finished run = RunPiped(words, dir.Path().string(), source == kWindowsJoiner);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    // Piped: complete lines only, nothing rewritten.
    EXPECT_EQ(run.out, JoinedReport(Sha256(made.whole)));
    EXPECT_EQ(ReadWholeFile(set + "/" + kUtf8Name), made.whole);
    EXPECT_EQ(ReadWholeFile(set + "/" + kUtf8Name + "__001").size(), 1500u);
}
INSTANTIATE_TEST_SUITE_P(Sources, SelvanoreJoins, ::testing::Values(kOwnStamp, kWindowsJoiner, kList));

// Names in other scripts, whose records hold a stand-in: the parts are
// found, the output made and the report written under the exact name,
// whether the record is the program's own, a Windows joiner's read as data
// or a list's.
TEST_P(SelvanoreJoins, NamesInAnyScript) {
    const Source source = GetParam();
    if (source == kWindowsJoiner && PE_FIXTURE[0] == '\0') GTEST_SKIP() << "no Windows cross compiler";
    const std::string names[] = {
        "\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82 a\xC3\xB1o.bin",  // Cyrillic and Spanish
        "\xE5\xA0\xB1\xE5\x91\x8A\xE6\x9B\xB8 \xF0\x9F\x98\x80.txt",  // CJK and an emoji
    };
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        TempDir dir(TempDir::kStay);
        const std::string set = dir / "set";
        mkdir(set.c_str(), 0700);
        Set made = MakeSet(set, {1500, 1500, 500}, name);
        std::vector<std::string> words;
        if (source == kOwnStamp) {
            StampCopy(SELVANORE, made, set + "/" + name + "__join");
            words = Command(set + "/" + name + "__join");
        } else if (source == kWindowsJoiner) {
            StampCopy(PE_FIXTURE, made, set + "/" + name + "__join.exe");
            words = Command(SELVANORE);
            words.push_back("set/" + name + "__join.exe");
        } else {
            WriteWholeFile(set + "/" + name + ".sha256", made.list);
            words = Command(SELVANORE);
            words.push_back("set/" + name + ".sha256");
        }
        Finished run = RunPiped(words, dir.Path().string(), source == kWindowsJoiner);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find("Creación de archivo de salida :\n\"" + name + "\"\n"), std::string::npos)
            << run.out;
        EXPECT_NE(run.out.find("\"" + name + "__002\"  100%\n"), std::string::npos) << run.out;
        EXPECT_EQ(ReadWholeFile(set + "/" + name), made.whole);
    }
}

// Pointed at a part or at the recovery index, as people do, selvanore
// joins the set with the joiner or the list beside it.
TEST(Selvanore, APartOrTheRecoveryIndexFindsTheRestBesideIt) {
    TempDir dir(TempDir::kStay);
    const std::string set = dir / "set";
    mkdir(set.c_str(), 0700);
    Set made = MakeSet(set, {1500, 1500, 500});
    WriteWholeFile(set + "/" + kUtf8Name + ".sha256", made.list);
    WriteWholeFile(set + "/" + kUtf8Name + ".par2", "recovery index");
    for (const std::string& given : {kUtf8Name + std::string("__002"), kUtf8Name + std::string(".par2")}) {
        SCOPED_TRACE(given);
        std::remove((set + "/" + kUtf8Name).c_str());
        std::vector<std::string> words = Command(SELVANORE);
        words.push_back("set/" + given);
        Finished run = RunPiped(words, dir.Path().string());
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, JoinedReport(Sha256(made.whole)));
        EXPECT_EQ(ReadWholeFile(set + "/" + kUtf8Name), made.whole);
    }
}

// The command line and the record: 2 when unusable, 1 when the join cannot
// be made (a list beside a Windows joiner names the missing part).
TEST(Selvanore, ExitStatuses) {
    TempDir dir(TempDir::kStay);
    std::vector<std::string> words = Command(SELVANORE);
    words.push_back("--version");
    Finished version = RunPiped(words, dir.Path().string());
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "selvanore " VERSION "\n");

    words.back() = "--fast";
    Finished bad = RunPiped(words, dir.Path().string());
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.err, "selvanore: unknown option '--fast'\n"
                       "usage: selvanore [--yes | --no] [--delete-parts] [FILE]\n"
                       "Try 'selvanore --help' for more information.\n");
    EXPECT_EQ(bad.out, "");

    // The GNU habits: -h and a long option cut short.
    words.back() = "--help";
    Finished help = RunPiped(words, dir.Path().string());
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: selvanore ", 0), 0u) << help.out;
    for (const char* word : {"-h", "--he"}) {
        words.back() = word;
        Finished same = RunPiped(words, dir.Path().string());
        EXPECT_EQ(same.status, 0) << word;
        EXPECT_EQ(same.out, help.out) << word;
    }
    words.back() = "--vers";
    EXPECT_EQ(RunPiped(words, dir.Path().string()).out, "selvanore " VERSION "\n");

    // The program as built carries the template: it needs a file to read.
    words.pop_back();
    Finished unstamped = RunPiped(words, dir.Path().string());
    EXPECT_EQ(unstamped.status, 2);
    EXPECT_NE(unstamped.err.find("not stamped with a set"), std::string::npos) << unstamped.err;

    if (PE_FIXTURE[0] == '\0') return;
    Set made = MakeSet(dir.Path().string(), {1500, 1500, 500});
    StampCopy(PE_FIXTURE, made, dir / "set__join.exe");
    WriteWholeFile(dir / (std::string(kUtf8Name) + ".sha256"), made.list);
    std::remove((dir / (std::string(kUtf8Name) + "__001")).c_str());
    words.push_back("set__join.exe");
    Finished missing = RunPiped(words, dir.Path().string());
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.out.find(std::string("No se puede leer un archivo de entrada.\n"
                                    "No se puede leer la parte \"Año café.bin__001\".\n"
                                    "La concatenación es imposible.\n")),
              std::string::npos)
        << missing.out;
}

// Nobody to answer (no controlling terminal, stdin from /dev/null): the
// keep question after a bad checksum takes no, and nothing of the output's
// name is left; --yes keeps the file under that name.
TEST(Selvanore, WithNobodyToAnswerABadJoinIsNotKept) {
    for (bool yes : {false, true}) {
        TempDir dir(TempDir::kStay);
        const std::string folder = dir.Path().string();
        Set made = MakeSet(folder, {1500, 1500, 500});
        // Every part is right, the whole file's line is another file's.
        std::string list = made.list;
        std::string digest = Sha256(made.whole);
        list.replace(list.find(digest), digest.size(), Sha256("another file"));
        WriteWholeFile(dir / (std::string(kUtf8Name) + ".sha256"), list);
        std::vector<std::string> words = Command(SELVANORE);
        if (yes) words.push_back("--yes");
        words.push_back(std::string(kUtf8Name) + ".sha256");

        Finished run = RunPiped(words, folder);
        EXPECT_EQ(run.status, 1) << run.err;
        std::string answered = std::string("¿Desea conservar el archivo de salida? [S/n] ") + (yes ? "s\n" : "n\n");
        EXPECT_NE(run.out.find(answered), std::string::npos) << run.out;
        if (yes) {
            EXPECT_TRUE(ReadWholeFile(dir / kUtf8Name) == made.whole) << "kept under the output's name";
        } else {
            EXPECT_EQ(ListNames(folder).size(), 4u) << "the parts and the list only";
        }
    }
}

// ---- Recovery data beside the parts ------------------------------------------------

// par2 made the recovery files from the parts (one slice a part, two
// recovery slices); part 004 is deleted and part 001 damaged: both are
// named and rebuilt, the output is the file, and the parts and recovery
// files stay as they were left.
TEST(Selvanore, RebuildsPartsFromRecoveryFilesThatPar2Made) {
    if (std::system("par2 --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "par2 is not installed";
    TempDir dir(TempDir::kStay);
    const std::string folder = dir.Path().string();
    Set made = MakeSet(folder, {1500, 1500, 1500, 1500, 1500, 1500, 500});
    StampCopy(SELVANORE, made, folder + "/" + kUtf8Name + "__join", 7);
    std::string command = "cd '" + folder + "' && par2 create -q -q -s1500 -c2 '" + kUtf8Name + ".par2' '" +
                          kUtf8Name + "'__00? >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::string part1 = folder + "/" + ExpectedPartName(kUtf8Name, 7, 1);
    std::string part4 = folder + "/" + ExpectedPartName(kUtf8Name, 7, 4);
    unlink(part4.c_str());
    std::string damaged = ReadWholeFile(part1);
    damaged[700] = static_cast<char>(damaged[700] ^ 1);
    WriteWholeFile(part1, damaged);
    std::vector<std::string> before;
    for (const std::string& name : ListNames(folder)) before.push_back(name + ReadWholeFile(folder + "/" + name));

    Finished run = RunPiped(Command(folder + "/" + kUtf8Name + "__join"), folder);
    EXPECT_EQ(run.status, 0) << run.err << run.out;
    EXPECT_EQ(ReadWholeFile(folder + "/" + kUtf8Name), made.whole);
    for (const char* line : {"No se puede leer la parte \"Año café.bin__004\".\n"
                             "Partes que faltan o no son válidas : 1.\n"
                             "Bloques de recuperación presentes : 2.\n",
                             "La parte \"Año café.bin__001\" no es válida.\n"
                             "Reconstrucción de la parte \"Año café.bin__001\"...\n",
                             "La parte \"Año café.bin__001\" ha sido reconstruida.\n"
                             "La parte \"Año café.bin__004\" ha sido reconstruida.\n",
                             "Checksum válido (SHA-256) :\n"}) {
        EXPECT_NE(run.out.find(line), std::string::npos) << line << "\n" << run.out;
    }
    std::vector<std::string> after;
    for (const std::string& name : ListNames(folder)) {
        if (name != kUtf8Name) after.push_back(name + ReadWholeFile(folder + "/" + name));
    }
    EXPECT_TRUE(after == before) << "a part or a recovery file changed, or a file was left";
}

// ---- On a terminal --------------------------------------------------------------

// A pseudo-terminal: the test's side, and the name of the program's side.
struct Pty {
    int master = -1;
    std::string slave;
};
bool OpenPty(Pty* pty) {
    pty->master = posix_openpt(O_RDWR | O_NOCTTY);
    if (pty->master < 0 || grantpt(pty->master) != 0 || unlockpt(pty->master) != 0) return false;
    pty->slave = ptsname(pty->master);
    return true;
}

// In a child: a session of its own whose controlling terminal is the
// slave, 100 columns wide, returned open; the child's process group is the
// terminal's foreground group.
int TakeTerminal(const Pty& pty) {
    setsid();
    int slave = open(pty.slave.c_str(), O_RDWR | O_NOCTTY);
    if (slave < 0 || ioctl(slave, TIOCSCTTY, 0) != 0) _exit(125);
    struct winsize size = {};
    size.ws_col = 100;
    size.ws_row = 30;
    ioctl(slave, TIOCSWINSZ, &size);
    close(pty.master);
    return slave;
}

// Waits up to ten seconds for child to end; kills it after that.
int WaitFor(pid_t child) {
    int status = 0;
    for (int i = 0; i < 1000 && waitpid(child, &status, WNOHANG) == 0; ++i) usleep(10000);
    if (waitpid(child, &status, WNOHANG) == 0) {
        ADD_FAILURE() << "still running after ten seconds";
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
    }
    return status;
}

// Reads the terminal's output until it holds text (true), or it ends or
// ten seconds pass (false).
bool ReadUntil(int master, std::string* seen, const std::string& text) {
    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (seen->find(text) == std::string::npos) {
        pollfd watched = {master, POLLIN, 0};
        if (std::chrono::steady_clock::now() > limit || poll(&watched, 1, 200) < 0) return false;
        if (watched.revents == 0) continue;
        char bytes[4096];
        ssize_t n = read(master, bytes, sizeof bytes);
        if (n <= 0) return false;  // EIO: the terminal's other side is closed
        seen->append(bytes, static_cast<size_t>(n));
    }
    return true;
}

// The replace question answered with s and p typed ahead: the join starts
// and pauses before its first read (keys count before the worker's first
// message); Ctrl+C then cancels: the file the user agreed to replace is
// untouched, nothing of the join is left, the parts stay; exit status 130.
TEST(Selvanore, OnATerminalPauseAndCtrlCKeepNothing) {
    TempDir dir(TempDir::kStay);
    const std::string folder = dir.Path().string();
    Set made = MakeSet(folder, {1500, 1500, 500});
    WriteWholeFile(dir / (std::string(kUtf8Name) + ".sha256"), made.list);
    WriteWholeFile(dir / kUtf8Name, "the user's own file");

    Pty pty;
    ASSERT_TRUE(OpenPty(&pty));
    const int master = pty.master;
    std::vector<std::string> words = Command(SELVANORE);
    words.push_back(std::string(kUtf8Name) + ".sha256");
    pid_t child = fork();
    if (child == 0) {
        int slave = TakeTerminal(pty);
        dup2(slave, 0);
        dup2(slave, 1);
        dup2(slave, 2);
        Exec(words, folder);
    }
    std::string seen;
    EXPECT_TRUE(ReadUntil(master, &seen, "[s/N] ")) << seen;
    ASSERT_EQ(write(master, "sp", 2), 2);
    EXPECT_TRUE(ReadUntil(master, &seen, "** PAUSA **")) << seen;
    EXPECT_TRUE(ReadUntil(master, &seen, "[p] Continuar   [q] Anular")) << seen;
    ASSERT_EQ(write(master, "\x03", 1), 1);  // Ctrl+C: the terminal sends SIGINT
    ReadUntil(master, &seen, "never printed");
    int status = WaitFor(child);
    close(master);

    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130) << status;
    EXPECT_NE(seen.find(std::string("¿Desea reemplazarlo? [s/N] s\r\n")), std::string::npos) << seen;
    // The open line and the status lines go back up and are written again.
    EXPECT_NE(seen.find("\r\x1b[2A\x1b[J"), std::string::npos) << seen;
    EXPECT_NE(seen.find(std::string("La concatenación ha sido cancelada.\r\n")), std::string::npos) << seen;
    EXPECT_EQ(ReadWholeFile(dir / kUtf8Name), "the user's own file");
    EXPECT_EQ(ListNames(folder).size(), 5u) << "the parts, the list and the user's file only";
    EXPECT_EQ(ReadWholeFile(dir / (std::string(kUtf8Name) + "__000")).size(), 1500u);
}

// Standard input from /dev/null and standard output to a log: the
// questions are asked on the controlling terminal and answered there, and
// the log shows them with their answers; the report stays in the log.
TEST(Selvanore, QuestionsAreAskedOnTheControllingTerminal) {
    TempDir dir(TempDir::kStay);
    const std::string folder = dir.Path().string();
    Set made = MakeSet(folder, {1500, 1500, 500});
    WriteWholeFile(dir / (std::string(kUtf8Name) + ".sha256"), made.list);
    WriteWholeFile(dir / kUtf8Name, "the user's own file");
    const std::string log = dir / "join.log";
    Pty pty;
    ASSERT_TRUE(OpenPty(&pty));
    std::vector<std::string> words = Command(SELVANORE);
    words.push_back(std::string(kUtf8Name) + ".sha256");
    pid_t child = fork();
    if (child == 0) {
        int slave = TakeTerminal(pty);
        dup2(open("/dev/null", O_RDONLY), 0);
        dup2(open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
        dup2(slave, 2);
        Exec(words, folder);
    }
    std::string seen;
    EXPECT_TRUE(ReadUntil(pty.master, &seen, std::string("¿Desea reemplazarlo? [s/N] "))) << seen;
    ASSERT_EQ(write(pty.master, "s", 1), 1);
    EXPECT_TRUE(ReadUntil(pty.master, &seen, std::string("concatenación. [s/N] "))) << seen;
    ASSERT_EQ(write(pty.master, "n", 1), 1);
    int status = WaitFor(child);
    ReadUntil(pty.master, &seen, "never printed");
    close(pty.master);

    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_TRUE(ReadWholeFile(dir / kUtf8Name) == made.whole) << "the joined file replaced it";
    EXPECT_NE(seen.find(std::string("  ¿Desea reemplazarlo? [s/N] s\r\n")), std::string::npos) << seen;
    EXPECT_NE(seen.find(std::string("concatenación. [s/N] n\r\n")), std::string::npos) << seen;
    EXPECT_EQ(seen.find(std::string("Concatenación exitosa.")), std::string::npos) << seen;
    std::string logged = ReadWholeFile(log);
    EXPECT_NE(logged.find(std::string("  ¿Desea reemplazarlo? [s/N] s\n")), std::string::npos) << logged;
    EXPECT_NE(logged.find(std::string("Concatenación exitosa.\n"
                               "Elimine los archivos de entrada después de la concatenación. [s/N] n\n")),
              std::string::npos)
        << logged;
}

// Started in a background process group of its terminal, the terminal on
// its standard input (a shell's "selvanore FILE > log &"): the terminal's
// modes are left as they are, nothing stops the job and the join is made.
TEST(Selvanore, InTheBackgroundTheTerminalIsLeftAlone) {
    TempDir dir(TempDir::kStay);
    const std::string folder = dir.Path().string();
    Set made = MakeSet(folder, {1500, 1500, 500});
    WriteWholeFile(dir / (std::string(kUtf8Name) + ".sha256"), made.list);
    const std::string log = dir / "join.log";
    Pty pty;
    ASSERT_TRUE(OpenPty(&pty));
    std::vector<std::string> words = Command(SELVANORE);
    words.push_back("--no");
    words.push_back(std::string(kUtf8Name) + ".sha256");
    pid_t leader = fork();
    if (leader == 0) {
        // The session's leader stays in the foreground; the job goes in a
        // process group of its own.
        int slave = TakeTerminal(pty);
        termios before, after;
        if (tcgetattr(slave, &before) != 0) _exit(125);
        pid_t job = fork();
        if (job == 0) {
            setpgid(0, 0);
            dup2(slave, 0);
            dup2(open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
            dup2(slave, 2);
            Exec(words, folder);
        }
        setpgid(job, job);
        int status = 0;
        if (waitpid(job, &status, WUNTRACED) != job || WIFSTOPPED(status)) {
            kill(job, SIGKILL);
            _exit(124);
        }
        if (tcgetattr(slave, &after) != 0 || before.c_lflag != after.c_lflag ||
            std::memcmp(before.c_cc, after.c_cc, sizeof before.c_cc) != 0) {
            _exit(123);
        }
        _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 122);
    }
    int status = WaitFor(leader);
    close(pty.master);

    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "124: stopped by its terminal; 123: the modes changed; " << status << "\n"
        << ReadWholeFile(log);
    EXPECT_TRUE(ReadWholeFile(dir / kUtf8Name) == made.whole) << "the joined file";
}

}  // namespace
