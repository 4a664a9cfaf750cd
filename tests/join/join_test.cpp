// A whole join, from the start-up report to the closing lines, with the
// worker on its own thread, the dialog's handlers on the test's UI loop, the
// files in memory and the tick driven by the test.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "hash/hash.h"
#include "join/descriptor.h"
#include "join/join_state.h"
#include "join/survey.h"
#include "join/worker.h"
#include "platform/platform.h"
#include "tests/support/encode_record.h"
#include "tests/support/fake_core.h"
#include "tests/support/fake_record.h"
#include "tests/support/fake_tick.h"
#include "tests/support/memory_files.h"
#include "tests/support/part_names.h"
#include "tests/support/scripted_view.h"
#include "ui/closing.h"
#include "ui/dialog.h"
#include "ui/dialog_record.h"
#include "ui/report.h"

namespace {

const char kStart[] = "\r\nConcatenación de archivos...\r\n";
// The first temporary name of a test: without scripted values the stand-in's
// unpredictable bits count its calls.
const char kTemp[] = "~selvanore-0000000000000001.tmp";

// The files of the disk under a temporary name of the joiner's.
std::vector<std::string> TemporaryFiles() {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    std::vector<std::string> names;
    for (const auto& entry : g_disk.files) {
        if (entry.first.compare(0, 11, "~selvanore-") == 0) names.push_back(entry.first);
    }
    return names;
}

// The operations of the disk that name the file name itself.
std::vector<std::string> OperationsOn(const std::string& name) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    std::vector<std::string> found;
    for (const std::string& operation : g_disk.operations) {
        std::string words = operation + " ";
        if (words.find(" " + name + " ") != std::string::npos) found.push_back(operation);
    }
    return found;
}

struct Progress {
    uint32_t part;
    uint64_t done;
    uint32_t partPercent;
    uint32_t percent;
    bool operator==(const Progress& o) const {
        return part == o.part && done == o.done && partPercent == o.partPercent && percent == o.percent;
    }
};

std::ostream& operator<<(std::ostream& out, const Progress& p) {
    return out << "{part " << p.part << ", done " << p.done << ", " << p.partPercent << "%, "
               << p.percent << "%}";
}

// Whether text ends with tail; gtest prints both when it does not.
::testing::AssertionResult EndsWith(const std::string& text, const std::string& tail) {
    if (text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "\n" << text << "\ndoes not end with\n" << tail;
}

std::string Digest(uint32_t kind, const std::vector<uint8_t>& data) {
    std::unique_ptr<CHash> engine(CreateHashEngine(kind));
    engine->Reset();
    engine->Update(data.data(), static_cast<uint32_t>(data.size()));
    engine->Finish();
    std::string text(2 * engine->m_digestSize + 1, '\0');
    engine->GetDigestText(&text[0]);
    text.pop_back();
    return text;
}

class Join : public ::testing::Test {
protected:
    void SetUp() override {
        ResetScriptedView();
        ResetMemoryDisk();
        ResetFakeCore();
        g_join = JoinState{};
        g_dialog = DialogRecord{};
        g_tick = 1000;
        g_tickStep = 0;
    }

    void TearDown() override {
        EXPECT_EQ(g_dialog.workerThread, nullptr) << "a job is still running";
        EXPECT_FALSE(AnyMemoryFileOpen()) << "the worker left a file open";
        EXPECT_TRUE(temporaryMayStay || TemporaryFiles().empty()) << "the job's own file was left";
        temporaryMayStay = false;
        ReleaseJob();
        g_join = JoinState{};
    }

    // Makes the parts of "datos.bin" with these sizes and a record that
    // names them, then starts up as the program does: survey, buffer, event,
    // brush and the start-up report.
    void StartUp(uint32_t kind, const std::vector<uint64_t>& sizes, const char* checksum = nullptr,
                 int64_t recordedSize = -1) {
        original.clear();
        uint32_t count = static_cast<uint32_t>(sizes.size());
        for (uint32_t i = 0; i < count; ++i) {
            std::string name = ExpectedPartName("datos.bin", count, i);
            PutMemoryFile(name, sizes[i], 100 + i);
            std::vector<uint8_t> data = MemoryFileData(name);
            original.insert(original.end(), data.begin(), data.end());
        }
        // A checksum list's lines, made from the parts as they are now; the
        // parts the test wants absent then go.
        if (withList) {
            std::vector<std::string> digests;
            for (uint32_t i = 0; i < count; ++i) {
                digests.push_back(Digest(CHECKSUM_SHA256, MemoryFileData(ExpectedPartName("datos.bin", count, i))));
            }
            ASSERT_TRUE(UsePartChecksums(digests));
        }
        for (uint32_t i : absentParts) {
            std::lock_guard<std::mutex> lock(g_disk.mutex);
            g_disk.files.erase(ExpectedPartName("datos.bin", count, i));
        }
        std::string expected = checksum != nullptr ? checksum : kind != 0 ? Digest(kind, original) : "";
        uint64_t size = recordedSize >= 0 ? static_cast<uint64_t>(recordedSize) : original.size();
        // A checksum that fills its whole field has no terminator of its
        // own: the record is encoded without it and the field written over.
        bool filled = expected.size() >= kChecksumTextField;
        ASSERT_TRUE(EncodeRecord(kind, size, count, "datos.bin", filled ? "" : expected, g_fakeRecord));
        if (filled) std::memcpy(g_fakeRecord + kChecksumTextOffset, expected.data(), kChecksumTextField);
        ASSERT_NE(PrepareJob(), 0);
        InitJoinDialog(DialogWindow());
    }

    // Presses Comenzar and runs the UI loop until the job has ended.
    void RunJob() {
        ASSERT_TRUE(g_view.start.enabled);
        OnStartButton();
        ASSERT_TRUE(RunUiLoopUntilJobEnds());
    }

    void RecordProgress() {
        g_view.afterHandler = [this](uint32_t message) {
            if (message == WM_JOIN_PROGRESS) {
                progress.push_back({g_join.progressPart, g_join.progressDone,
                                    g_join.progressPartPercent, g_join.progressPercent});
            }
        };
    }

    std::vector<uint8_t> original;
    std::vector<Progress> progress;
    // StartUp with a checksum list of the parts, and parts it leaves out.
    bool withList = false;
    std::vector<uint32_t> absentParts;
    // A test that leaves a file under a temporary name on purpose says so.
    bool temporaryMayStay = false;
};

// The join run once for each value of a parameter. A table's cases have a
// name, which gtest prints (PrintTo beside each table).
template <typename T>
class JoinCase : public Join, public ::testing::WithParamInterface<T> {};

// With the tick standing still, a job of three parts that each fit in one
// read notifies twice: at the start of part 0 and at the end.
const char kThreePartLines[] =
    "\"datos.bin__000\"  100%\r\n"
    "\"datos.bin__001\"  100%\r\n"
    "\"datos.bin__002\"  100%";

// ---- Outcomes --------------------------------------------------------------

// A good join with each checksum kind, from the start-up report to the
// closing lines; only a checksum has a helper thread.
using JoinDone = JoinCase<uint32_t>;
TEST_P(JoinDone, WithEachChecksumKind) {
    const uint32_t kind = GetParam();
    const char* names[] = {nullptr, "MD5", "SHA-1", "SHA-224", "SHA-256"};
    StartUp(kind, {1000, 2000, 500});
    std::string checksum = kind != 0 ? Digest(kind, original) : "";
    std::string startup =
        "Creación de archivo de salida :\r\n"
        "\"datos.bin\"\r\n"
        "Tamaño : 3.500 bytes.\r\n"
        "\r\n"
        "desde la concatenación de 3 archivos de entrada :\r\n"
        "desde \"datos.bin__000\"\r\n"
        "hasta \"datos.bin__002\".\r\n"
        "\r\n";
    if (kind != 0) startup += "Checksum (" + std::string(names[kind]) + ") :\r\n" + checksum + "\r\n\r\n";
    startup += "Todos los archivos de entrada estan presentes.\r\n"
               "Haga click en el botón [Comenzar] para empezar la concatenación.\r\n";
    EXPECT_EQ(ReportText(), startup);
    EXPECT_TRUE(RecordedBoxes().empty());
    RunJob();

    std::string verdict;
    if (kind != 0) {
        verdict = "Checksum válido (" + std::string(names[kind]) + ") :\r\n"
                  "Entrada : " + checksum + "\r\n"
                  "Salida : " + checksum + "\r\n\r\n";
    }
    EXPECT_EQ(ReportText(), startup + kStart + kThreePartLines + "\r\n\r\n" + verdict +
                                "Concatenación exitosa.\r\n"
                                "Haga click en el botón [Salida].\r\n");
    EXPECT_EQ(g_view.title, "100% - Concatenación exitosa");
    EXPECT_EQ(MemoryFileData("datos.bin"), original);
    EXPECT_EQ(g_view.messages.back(), static_cast<uint32_t>(WM_JOIN_DONE));
    EXPECT_TRUE(RecordedBoxes().empty());
    // Finished: only "Salida" is left.
    EXPECT_EQ(g_view.cancel.text, "Salida");
    EXPECT_TRUE(g_view.cancel.enabled);
    EXPECT_FALSE(g_view.start.enabled);
    EXPECT_FALSE(g_view.deleteInputs.enabled);
    EXPECT_TRUE(MemoryFileExists("datos.bin__000"));
    EXPECT_EQ(g_core.helpersCreated, kind != 0 ? 1 : 0);
}
INSTANTIATE_TEST_SUITE_P(Kinds, JoinDone, ::testing::Range(0u, 5u));

TEST_F(Join, BadChecksumKeptOnYes) {
    std::string wrong(64, 'a');
    StartUp(CHECKSUM_SHA256, {1000, 2000, 500}, wrong.c_str());
    g_view.deleteInputs.checked = true;  // never honoured after a bad checksum
    g_view.answers.push_back(ANSWER_YES);
    std::string reportAtBox;
    g_view.insideBox = [&](const RecordedBox&) { reportAtBox = ReportText(); };
    RunJob();
    std::string actual = Digest(CHECKSUM_SHA256, original);
    std::string report = ReportText();
    // The verdict is in the report before the question is asked.
    std::string verdictEnd = "Salida : " + actual + "\r\n\r\n";
    ASSERT_GE(reportAtBox.size(), verdictEnd.size());
    EXPECT_EQ(reportAtBox.substr(reportAtBox.size() - verdictEnd.size()), verdictEnd);
    EXPECT_NE(report.find("\r\n\r\nChecksum inválido (SHA-256) :\r\n"
                          "Entrada : " + wrong + "\r\n"
                          "Salida : " + actual + "\r\n\r\n"
                          "Concatenación no exitosa.\r\n"
                          "Haga click en el botón [Salida].\r\n"),
              std::string::npos)
        << report;
    auto boxes = RecordedBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "El checksum no es válido.\n¿Desea conservar el archivo de salida?");
    EXPECT_EQ(boxes[0].title, "Vantorel - Advertencia");
    EXPECT_EQ(boxes[0].style, static_cast<uint32_t>(BOX_YES_NO | BOX_ICON_WARNING));
    EXPECT_EQ(boxes[0].owner, DialogWindow());
    EXPECT_EQ(MemoryFileData("datos.bin"), original);
    EXPECT_TRUE(MemoryFileExists("datos.bin__000"));
    EXPECT_EQ(g_view.title, "100% - Concatenación no exitosa");
}

TEST_F(Join, BadChecksumKeptWhenTheQuestionCannotBeShown) {
    StartUp(CHECKSUM_SHA1, {10, 20}, "0");
    g_view.answers.push_back(0);  // what a box that cannot be shown returns
    RunJob();
    EXPECT_EQ(RecordedBoxes().size(), 1u);
    EXPECT_EQ(MemoryFileData("datos.bin"), original);
    EXPECT_EQ(ReportText().find("Borrando"), std::string::npos);
    EXPECT_EQ(g_view.title, "100% - Concatenación no exitosa");
}

TEST_F(Join, BadChecksumDeletedOnNo) {
    // Capitals never match the engine's lower-case text.
    std::vector<uint64_t> sizes = {10, 20};
    StartUp(CHECKSUM_MD5, sizes, "PLACEHOLDER");
    std::string upper = Digest(CHECKSUM_MD5, original);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::memcpy(g_fakeRecord, upper.data(), upper.size());
    g_view.answers.push_back(ANSWER_NO);
    RunJob();
    std::string report = ReportText();
    EXPECT_NE(report.find("Checksum inválido (MD5) :\r\nEntrada : " + upper + "\r\n"), std::string::npos);
    EXPECT_NE(report.find("\r\n\r\nBorrando el archivo de salida...\r\n"
                          "Concatenación no exitosa.\r\n"
                          "Haga click en el botón [Salida].\r\n"),
              std::string::npos)
        << report;
    EXPECT_FALSE(MemoryFileExists("datos.bin"));
}

TEST_F(Join, BadChecksumDeletionThatFails) {
    StartUp(CHECKSUM_SHA1, {10, 20}, "0");
    g_view.answers.push_back(ANSWER_NO);
    g_disk.failDeleteOf.insert(kTemp);
    temporaryMayStay = true;
    RunJob();
    std::string report = ReportText();
    EXPECT_EQ(report.find("Borrando el archivo de salida..."), std::string::npos);
    EXPECT_NE(report.find("\r\n\r\nConcatenación no exitosa.\r\n"), std::string::npos);
    auto boxes = RecordedBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    // The box names the file that stays: the joined one, never the output.
    EXPECT_EQ(boxes[1].text, "Imposible suprimir el archivo :\n\"" + std::string(kTemp) + "\"");
    EXPECT_FALSE(MemoryFileExists("datos.bin"));
    EXPECT_EQ(boxes[1].title, "Vantorel - Error");
    EXPECT_EQ(boxes[1].style, static_cast<uint32_t>(BOX_OK | BOX_ICON_ERROR));
}

TEST_F(Join, AnExpectedChecksumLongerThanTheDigest) {
    StartUp(CHECKSUM_SHA256, {10, 20}, "placeholder");
    std::string digest = Digest(CHECKSUM_SHA256, original);
    std::string longer = digest + "0";
    std::memcpy(g_fakeRecord, longer.c_str(), longer.size() + 1);
    g_view.answers.push_back(ANSWER_YES);
    RunJob();
    EXPECT_NE(ReportText().find("Checksum inválido (SHA-256) :\r\nEntrada : " + longer +
                                "\r\nSalida : " + digest + "\r\n"),
              std::string::npos)
        << ReportText();
}

// Eighty characters with no terminator of their own (the kind field
// follows): both reports show the same eighty, and the field is invalid.
TEST_F(Join, AnExpectedChecksumThatFillsItsField) {
    std::string field = std::string(64, 'a') + std::string(16, 'b');
    StartUp(CHECKSUM_SHA256, {10, 20}, field.c_str());
    ASSERT_NE(g_fakeRecord[80], 0);
    g_view.answers.push_back(ANSWER_YES);
    RunJob();
    std::string report = ReportText();
    EXPECT_NE(report.find("Checksum (SHA-256) :\r\n" + field + "\r\n\r\n"), std::string::npos) << report;
    EXPECT_NE(report.find("Checksum inválido (SHA-256) :\r\nEntrada : " + field + "\r\nSalida : "),
              std::string::npos)
        << report;
}

TEST_F(Join, CancelledWhileRunning) {
    StartUp(CHECKSUM_SHA256, {100, 200, 300});
    g_join.bufferSize = 16;
    g_tickStep = 250;
    // Cancel from inside the second progress handler: the worker sees it at
    // its next cancel point.
    g_view.afterHandler = [](uint32_t message) {
        if (message == WM_JOIN_PROGRESS && g_view.messages.size() == 2) OnCancelButton();
    };
    RunJob();
    EXPECT_EQ(g_view.messages.back(), static_cast<uint32_t>(WM_JOIN_CANCELLED));
    std::string report = ReportText();
    EXPECT_TRUE(EndsWith(report,
              "\r\n\r\nLa concatenación ha sido cancelada.\r\nHaga click en el botón [Salida].\r\n"));
    EXPECT_EQ(g_view.title.substr(g_view.title.find('%')), "% - Concatenación anulada");
    EXPECT_FALSE(MemoryFileExists("datos.bin"));
    EXPECT_TRUE(MemoryFileExists("datos.bin__002"));
    EXPECT_EQ(g_view.cancel.text, "Salida");
    EXPECT_TRUE(g_view.cancel.enabled);
    EXPECT_FALSE(g_view.start.enabled);
    EXPECT_TRUE(RecordedBoxes().empty());
}

// A file of the output's name that appeared after start-up is asked about at
// every press of Comenzar: No opens nothing and leaves the dialog ready as it
// was; Yes joins and replaces it.
TEST_F(Join, AnExistingOutputIsTouchedOnlyAfterAYes) {
    StartUp(CHECKSUM_MD5, {100, 200});
    std::vector<uint8_t> users(5000, 0x5A);
    PutMemoryFile("datos.bin", users);
    std::string before = ReportText();
    const char question[] = "El archivo de salida ya existe :\n\"datos.bin\"\n¿Desea reemplazarlo?";

    g_view.answers = {ANSWER_NO, ANSWER_YES};
    g_disk.opened.clear();  // the survey's opens
    OnStartButton();
    if (g_dialog.workerThread != nullptr) {
        ADD_FAILURE() << "the join started after a No";
        RunUiLoopUntilJobEnds();  // let it end, so that the next tests start clean
        return;
    }
    auto boxes = RecordedBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, question);
    EXPECT_EQ(boxes[0].title, "Vantorel - Advertencia");
    EXPECT_EQ(boxes[0].style, static_cast<uint32_t>(BOX_YES_NO | BOX_ICON_WARNING | BOX_DEFAULT_SECOND));
    EXPECT_EQ(boxes[0].owner, DialogWindow());
    EXPECT_EQ(MemoryFileData("datos.bin"), users);
    EXPECT_TRUE(g_disk.opened.empty() && g_disk.writeSizes.empty()) << "nothing is opened";
    EXPECT_EQ(ReportText(), before + "\r\nLa concatenación no ha empezado.\r\n");
    EXPECT_EQ(g_view.title, "") << "the initial title stays";
    EXPECT_EQ(g_view.start.text, "Comenzar");
    EXPECT_EQ(g_view.cancel.text, "Anular");
    EXPECT_EQ(g_view.elapsed.text, "Tiempo transcurrido : --:--:--");
    EXPECT_TRUE(g_view.start.enabled && g_view.cancel.enabled && g_view.deleteInputs.enabled);

    RunJob();
    boxes = RecordedBoxes();
    ASSERT_EQ(boxes.size(), 2u) << "asked again at the second press";
    EXPECT_EQ(boxes[1].text, question);
    EXPECT_EQ(g_view.messages.back(), static_cast<uint32_t>(WM_JOIN_DONE));
    EXPECT_EQ(MemoryFileData("datos.bin"), original);
    EXPECT_EQ(g_view.title, "100% - Concatenación exitosa");
}

// After a Yes to the replace question, the user's file is replaced only by a
// finished join, in one rename: until then the worker writes a file of its
// own, and a cancel, a part missing at its turn, a full disk or a failed
// flush leave the user's file byte for byte. Nothing but that rename ever
// names the output (no open, creation or deletion), so a link of that name
// is never followed.
enum Outcome { kCancel, kMissingPart, kFullDisk, kFlushFails, kDone };
using JoinOverAFile = JoinCase<Outcome>;
TEST_P(JoinOverAFile, ReplacesItOnlyWhenFinished) {
    const Outcome outcome = GetParam();
    StartUp(CHECKSUM_SHA1, {100, 200, 300});
    g_join.bufferSize = 50;
    std::vector<uint8_t> users(5000, 0x5A);
    PutMemoryFile("datos.bin", users);
    g_view.answers.push_back(ANSWER_YES);
    if (outcome == kFullDisk) g_disk.capacity = 600 + 5000 + 250;
    g_disk.failFlush = outcome == kFlushFails;
    bool halfway = false;
    g_view.afterHandler = [&](uint32_t message) {
        if (message != WM_JOIN_PROGRESS || g_join.progressDone < 100 || halfway) return;
        halfway = true;
        EXPECT_EQ(MemoryFileData("datos.bin"), users);
        EXPECT_EQ(TemporaryFiles(), std::vector<std::string>({kTemp}));
        if (outcome == kCancel) OnCancelButton();
        if (outcome == kMissingPart) DeleteNamedFile("datos.bin__002");
    };
    g_tickStep = kProgressInterval;
    RunJob();
    EXPECT_TRUE(halfway);
    EXPECT_TRUE(TemporaryFiles().empty());
    std::vector<std::string> onOutput = OperationsOn("datos.bin");
    if (outcome == kDone) {
        EXPECT_EQ(g_view.title, "100% - Concatenación exitosa");
        EXPECT_EQ(MemoryFileData("datos.bin"), original);
        EXPECT_EQ(onOutput, std::vector<std::string>({"publish-replace " + std::string(kTemp) + " datos.bin"}));
        // The data is on the disk before the file takes the name.
        auto& all = g_disk.operations;
        ASSERT_GE(all.size(), 2u);
        EXPECT_EQ(all[all.size() - 2], "flush " + std::string(kTemp));
    } else {
        EXPECT_EQ(MemoryFileData("datos.bin"), users);
        EXPECT_TRUE(onOutput.empty()) << onOutput[0];
    }
    if (outcome == kFlushFails) {
        EXPECT_EQ(RecordedBoxes().back().text,
                  "Un error a ocurrido durante la escritura del siguiente archivo :\n\"datos.bin\"");
    }
}
INSTANTIATE_TEST_SUITE_P(Outcomes, JoinOverAFile,
                         ::testing::Values(kCancel, kMissingPart, kFullDisk, kFlushFails, kDone));

// A verified join that cannot take the output's name (here the folder
// refuses every new name) is tried again for a moment, then kept under its
// temporary name, which the box names with the reason; the inputs stay
// although the box is ticked.
TEST_F(Join, AVerifiedJoinThatCannotTakeItsNameIsKeptAndNamed) {
    StartUp(CHECKSUM_MD5, {100, 200});
    g_view.deleteInputs.checked = true;
    g_disk.failRename = true;
    temporaryMayStay = true;
    RunJob();
    auto boxes = RecordedBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Un error a ocurrido durante la creación del siguiente archivo :\n\"datos.bin\"\n"
                             "Acceso denegado.\nEl archivo concatenado ha sido guardado como :\n\"" +
                                 std::string(kTemp) + "\"");
    EXPECT_EQ(boxes[0].title, "Vantorel - Error");
    EXPECT_EQ(boxes[0].style, static_cast<uint32_t>(BOX_OK | BOX_ICON_ERROR));
    EXPECT_GT(g_disk.sleeps, 0u) << "tried again before giving up";
    EXPECT_TRUE(EndsWith(ReportText(), "\r\n\r\nEl archivo de salida ha sido guardado como :\r\n\"" +
                                           std::string(kTemp) +
                                           "\"\r\n\r\nConcatenación exitosa.\r\n"
                                           "Los archivos de entrada no han sido borrados.\r\n"
                                           "Haga click en el botón [Salida].\r\n"));
    EXPECT_EQ(MemoryFileData(kTemp), original);
    EXPECT_FALSE(MemoryFileExists("datos.bin"));
    EXPECT_TRUE(MemoryFileExists("datos.bin__000") && MemoryFileExists("datos.bin__001"));
    EXPECT_EQ(GetJoinEnd(), JoinEnd::NotJoined);
}

// The replace question at Comenzar agrees to replace the file there then,
// and no other: a file that took the output's name during the join (saved
// there by the user, or put in place of the agreed one) is asked about at
// the end in the same words. No keeps it byte for byte and the joined file
// under a name of its own, which a box gives; the parts stay. Yes replaces
// that very file.
struct Newcomer {
    const char* name;
    bool agreedAtStart;  // a file held the name at Comenzar, and the user said Yes
    int answer;          // to the question at the end
};
void PrintTo(const Newcomer& c, std::ostream* out) { *out << c.name; }
using JoinWithANewcomer = JoinCase<Newcomer>;
TEST_P(JoinWithANewcomer, IsAskedAboutAtTheEnd) {
    const Newcomer& c = GetParam();
    StartUp(CHECKSUM_SHA1, {100, 200, 300});
    g_join.bufferSize = 50;
    g_view.deleteInputs.checked = true;
    if (c.agreedAtStart) {
        PutMemoryFile("datos.bin", std::vector<uint8_t>(10, 0x11));
        g_view.answers.push_back(ANSWER_YES);
    }
    g_view.answers.push_back(c.answer);
    std::vector<uint8_t> newcomer(4000, 0x5A);
    bool placed = false;
    g_view.afterHandler = [&](uint32_t message) {
        if (message != WM_JOIN_PROGRESS || g_join.progressDone < 100 || placed) return;
        placed = true;
        std::lock_guard<std::mutex> lock(g_disk.mutex);
        g_disk.files.erase("datos.bin");
        g_disk.files["datos.bin"] = std::make_shared<MemoryFile>();
        g_disk.files["datos.bin"]->data = newcomer;
    };
    g_tickStep = kProgressInterval;
    RunJob();
    ASSERT_TRUE(placed);
    const char question[] = "El archivo de salida ya existe :\n\"datos.bin\"\n¿Desea reemplazarlo?";
    auto boxes = RecordedBoxes();
    size_t first = c.agreedAtStart ? 1 : 0;
    ASSERT_GE(boxes.size(), first + 1);
    EXPECT_EQ(boxes[first].text, question);
    EXPECT_EQ(boxes[first].style, static_cast<uint32_t>(BOX_YES_NO | BOX_ICON_WARNING | BOX_DEFAULT_SECOND));
    std::string report = ReportText();
    if (c.answer == ANSWER_YES) {
        EXPECT_EQ(boxes.size(), first + 1);
        EXPECT_EQ(MemoryFileData("datos.bin"), original);
        EXPECT_EQ(GetJoinEnd(), JoinEnd::Joined);
        EXPECT_FALSE(MemoryFileExists("datos.bin__000")) << "a good join in place deletes the parts";
        return;
    }
    ASSERT_EQ(boxes.size(), first + 2);
    EXPECT_EQ(boxes[first + 1].text, "El archivo de salida ya existe :\n\"datos.bin\"\n"
                                     "El archivo concatenado ha sido guardado como :\n\"datos (2).bin\"");
    EXPECT_EQ(boxes[first + 1].style, static_cast<uint32_t>(BOX_OK | BOX_ICON_WARNING));
    EXPECT_EQ(MemoryFileData("datos.bin"), newcomer);
    EXPECT_EQ(MemoryFileData("datos (2).bin"), original);
    EXPECT_TRUE(EndsWith(report, "El archivo de salida ha sido guardado como :\r\n\"datos (2).bin\"\r\n\r\n"
                                 "Concatenación exitosa.\r\nLos archivos de entrada no han sido borrados.\r\n"
                                 "Haga click en el botón [Salida].\r\n"));
    EXPECT_TRUE(MemoryFileExists("datos.bin__000") && MemoryFileExists("datos.bin__002"));
    EXPECT_EQ(GetJoinEnd(), JoinEnd::NotJoined);
}
INSTANTIATE_TEST_SUITE_P(Cases, JoinWithANewcomer,
                         ::testing::Values(Newcomer{"SavedDuringTheJoinKept", false, ANSWER_NO},
                                           Newcomer{"SavedDuringTheJoinReplaced", false, ANSWER_YES},
                                           Newcomer{"PutInPlaceOfTheAgreedOneKept", true, ANSWER_NO},
                                           Newcomer{"NoOneToAnswer", false, 0}));

// The joined file swapped for another under its temporary name (what Wine
// lets a Unix process do) is never published: the other file stays as it
// is, no output is made and the parts stay.
TEST_F(Join, ASwappedTemporaryIsNeverPublished) {
    StartUp(CHECKSUM_SHA256, {100, 200});
    g_join.bufferSize = 50;
    g_view.deleteInputs.checked = true;
    std::vector<uint8_t> intruder(300, 0x77);
    g_view.afterHandler = [&](uint32_t message) {
        if (message != WM_JOIN_PROGRESS || g_join.progressDone < 100 || MemoryFileData(kTemp) == intruder) return;
        std::lock_guard<std::mutex> lock(g_disk.mutex);
        g_disk.files[kTemp] = std::make_shared<MemoryFile>();
        g_disk.files[kTemp]->data = intruder;
    };
    g_tickStep = kProgressInterval;
    temporaryMayStay = true;
    RunJob();
    auto boxes = RecordedBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "El archivo temporal ha sido reemplazado por otro archivo durante la concatenación :\n\"" +
                                 std::string(kTemp) + "\"\nEl archivo de salida no ha sido creado.");
    EXPECT_FALSE(MemoryFileExists("datos.bin"));
    EXPECT_EQ(MemoryFileData(kTemp), intruder);
    EXPECT_TRUE(MemoryFileExists("datos.bin__000"));
    EXPECT_EQ(g_view.title, "100% - Concatenación no exitosa");
}

// Anular pressed while the worker flushes the joined file (minutes on a slow
// stick, the bar at 100 %) is honoured: the file goes, nothing takes the
// output's name and no part is deleted.
TEST_F(Join, ACancelDuringTheFinalFlushIsHonoured) {
    StartUp(CHECKSUM_MD5, {100, 200});
    g_view.deleteInputs.checked = true;
    g_view.afterHandler = [](uint32_t message) {
        if (message == WM_JOIN_PROGRESS && g_join.progressDone == 300 && GetDialogState() == DialogState::Running) {
            OnCancelButton();
        }
    };
    RunJob();
    EXPECT_EQ(g_view.messages.back(), static_cast<uint32_t>(WM_JOIN_CANCELLED));
    EXPECT_EQ(g_view.title, "100% - Concatenación anulada");
    EXPECT_FALSE(MemoryFileExists("datos.bin"));
    EXPECT_TRUE(MemoryFileExists("datos.bin__000") && MemoryFileExists("datos.bin__001"));
}

// Where the output's folder tells less room than the parts hold, Comenzar
// says so before anything is opened; only a Yes goes on.
TEST_F(Join, TooLittleRoomIsAskedAboutBeforeAnyWork) {
    StartUp(0, {1000, 2000});
    g_disk.freeSpace = 2999;
    g_view.answers = {ANSWER_NO, ANSWER_YES};
    std::string before = ReportText();
    g_disk.opened.clear();
    OnStartButton();
    ASSERT_EQ(g_dialog.workerThread, nullptr) << "started after a No";
    auto boxes = RecordedBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "No hay espacio suficiente en el disco para el archivo de salida.\n"
                             "Espacio necesario : 3.000 bytes.\nEspacio libre : 2.999 bytes.\n"
                             "¿Desea empezar la concatenación de todos modos?");
    EXPECT_EQ(boxes[0].style, static_cast<uint32_t>(BOX_YES_NO | BOX_ICON_WARNING | BOX_DEFAULT_SECOND));
    EXPECT_TRUE(g_disk.opened.empty());
    EXPECT_EQ(ReportText(), before + "\r\nLa concatenación no ha empezado.\r\n");
    RunJob();
    EXPECT_EQ(g_view.title, "100% - Concatenación exitosa");
}

// A join known to be bad takes the output's name only where nothing holds
// it: without a checksum (here a wrong size), and after a bad checksum when
// the keep question could not be shown. The file the user agreed to replace
// stays, the bad join goes, and the creation's box says so. A Yes to the
// keep question replaces it.
struct BadJoin {
    const char* name;
    uint32_t kind;
    int keepAnswer;  // -1: no keep question
    bool replaced;
};
void PrintTo(const BadJoin& c, std::ostream* out) { *out << c.name; }
using JoinKnownToBeBad = JoinCase<BadJoin>;
TEST_P(JoinKnownToBeBad, ReplacesNothingWithoutAYes) {
    const BadJoin& c = GetParam();
    if (c.kind == 0) {
        StartUp(0, {100, 200}, nullptr, 301);  // warned at start-up
    } else {
        StartUp(c.kind, {100, 200}, "0");
    }
    std::vector<uint8_t> users(77, 0x33);
    PutMemoryFile("datos.bin", users);
    g_view.answers.push_back(ANSWER_YES);
    if (c.keepAnswer >= 0) g_view.answers.push_back(c.keepAnswer);
    RunJob();
    EXPECT_EQ(MemoryFileData("datos.bin"), c.replaced ? original : users);
    EXPECT_EQ(OperationsOn("datos.bin").size(), 1u) << "one rename";
    if (!c.replaced) {
        EXPECT_EQ(OperationsOn("datos.bin")[0], "publish " + std::string(kTemp) + " datos.bin");
        EXPECT_EQ(RecordedBoxes().back().text,
                  "Un error a ocurrido durante la creación del siguiente archivo :\n\"datos.bin\"");
    }
    EXPECT_EQ(g_view.title, "100% - Concatenación no exitosa");
}
INSTANTIATE_TEST_SUITE_P(Cases, JoinKnownToBeBad,
                         ::testing::Values(BadJoin{"WrongSize", 0, -1, false},
                                           BadJoin{"KeepQuestionNotShown", CHECKSUM_SHA1, 0, false},
                                           BadJoin{"KeptOnYes", CHECKSUM_SHA1, ANSWER_YES, true}));

// Without a checksum only the sizes prove the output: ten bytes moved from
// the end of part 0 to the end of part 1 after start-up keep the total, but
// the join is no success. The report names the first part whose size
// changed, with its size at its turn; the output and every part are kept.
TEST_F(Join, APartThatChangedAfterStartUpIsNoSuccess) {
    StartUp(0, {100, 200, 300});
    std::vector<uint8_t> first = MemoryFileData("datos.bin__000");
    std::vector<uint8_t> second = MemoryFileData("datos.bin__001");
    second.insert(second.end(), first.end() - 10, first.end());
    first.resize(90);
    PutMemoryFile("datos.bin__000", first);
    PutMemoryFile("datos.bin__001", second);
    g_view.deleteInputs.checked = true;
    RunJob();
    EXPECT_TRUE(EndsWith(ReportText(), "100%\r\n\r\n"
                                       "\"datos.bin__000\"\r\n"
                                       "El tamaño de los archivos de entrada no es válido : 90 bytes.\r\n"
                                       "\r\n"
                                       "Concatenación no exitosa.\r\n"
                                       "Haga click en el botón [Salida].\r\n"));
    EXPECT_EQ(g_view.title, "100% - Concatenación no exitosa");
    EXPECT_TRUE(RecordedBoxes().empty());
    std::vector<uint8_t> joined = first;
    joined.insert(joined.end(), second.begin(), second.end());
    std::vector<uint8_t> third = MemoryFileData("datos.bin__002");
    joined.insert(joined.end(), third.begin(), third.end());
    EXPECT_EQ(MemoryFileData("datos.bin"), joined);
    EXPECT_EQ(MemoryFileData("datos.bin__000"), first);
    EXPECT_EQ(MemoryFileData("datos.bin__001"), second);
    EXPECT_TRUE(MemoryFileExists("datos.bin__002"));
}

// ---- Commands out of turn --------------------------------------------------

// Commands follow the dialog's state, never the controls' enabled bits: a
// click posted to a disabled button, or made while a box of the dialog is
// open, does nothing.
TEST_F(Join, AClickPostedWhileAPartIsMissingStartsNothing) {
    PutMemoryFile("datos.bin__000", 100, 1);
    ASSERT_TRUE(EncodeRecord(0, 300, 2, "datos.bin", "", g_fakeRecord));
    ASSERT_NE(PrepareJob(), 0);
    InitJoinDialog(DialogWindow());
    EXPECT_EQ(GetDialogState(), DialogState::Impossible);
    OnStartButton();
    EXPECT_EQ(g_core.threadsCreated, 0);
}

// The replace question: the three controls are off while it is open, and
// neither a second Comenzar nor Anular does anything there; a No gives them
// back. Once finished, a click posted to the disabled Comenzar starts
// nothing, and Salida ends the program.
TEST_F(Join, ClicksOutOfTurnDoNothing) {
    StartUp(CHECKSUM_MD5, {100, 200});
    PutMemoryFile("datos.bin", 10, 1);
    g_view.answers = {ANSWER_NO, ANSWER_YES};
    int boxes = 0;
    g_view.insideBox = [&](const RecordedBox&) {
        ++boxes;
        EXPECT_FALSE(g_view.start.enabled || g_view.cancel.enabled || g_view.deleteInputs.enabled);
        EXPECT_EQ(GetDialogState(), DialogState::Asking);
        EXPECT_EQ(AnswerCloseRequest(), CloseAnswer::Ignore);
        OnStartButton();
        OnCancelButton();
    };
    OnStartButton();
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(g_core.threadsCreated, 0);
    EXPECT_FALSE(g_view.mainWindowDestroyed);
    EXPECT_EQ(GetDialogState(), DialogState::Ready);
    EXPECT_TRUE(g_view.start.enabled && g_view.cancel.enabled && g_view.deleteInputs.enabled);
    RunJob();
    EXPECT_EQ(boxes, 2);
    EXPECT_EQ(g_core.threadsCreated, 1) << "one worker";
    EXPECT_EQ(MemoryFileData("datos.bin"), original);

    g_view.insideBox = nullptr;
    std::string report = ReportText();
    EXPECT_EQ(GetDialogState(), DialogState::Ended);
    OnStartButton();
    EXPECT_EQ(g_core.threadsCreated, 1);
    EXPECT_EQ(ReportText(), report);
    EXPECT_EQ(AnswerCloseRequest(), CloseAnswer::Close);
    OnCancelButton();
    EXPECT_TRUE(g_view.mainWindowDestroyed);
}

TEST_F(Join, ClicksWhileAPauseIsAskedOrAClosingBoxIsOpenDoNothing) {
    // 200 clicks on the disabled button while a pause is asked leave the
    // report as it is; the pause then comes, and Continuar resumes.
    StartUp(CHECKSUM_SHA256, {100, 100}, "0");
    g_join.bufferSize = 10;
    int pauses = 0;
    g_view.afterHandler = [&](uint32_t message) {
        if (message == WM_JOIN_PROGRESS && g_view.messages.size() == 1) {
            OnStartButton();  // Pausa
            std::string report = ReportText();
            for (int i = 0; i < 200; ++i) OnStartButton();
            EXPECT_EQ(ReportText(), report);
            EXPECT_EQ(GetDialogState(), DialogState::PauseAsked);
            EXPECT_EQ(AnswerCloseRequest(), CloseAnswer::Refuse);
        }
        if (message == WM_JOIN_PAUSED) {
            ++pauses;
            EXPECT_EQ(GetDialogState(), DialogState::Paused);
            OnStartButton();  // Continuar
            EXPECT_EQ(GetDialogState(), DialogState::Running);
        }
    };
    // Inside the keep question of the closing handler: nothing counts, and a
    // close request waits for the answer.
    int repaints = -1;
    g_view.insideBox = [&](const RecordedBox&) {
        EXPECT_EQ(GetDialogState(), DialogState::Closing);
        EXPECT_EQ(AnswerCloseRequest(), CloseAnswer::Ignore);
        repaints = g_view.repaints;
        OnStartButton();
        OnCancelButton();
        EXPECT_EQ(g_view.repaints, repaints);
        EXPECT_EQ(g_join.pauseRequested, 0u);
        EXPECT_EQ(g_join.cancelRequested, 0u);
    };
    g_view.answers.push_back(ANSWER_YES);
    RunJob();
    EXPECT_EQ(pauses, 1);
    EXPECT_NE(repaints, -1);
    EXPECT_FALSE(g_view.mainWindowDestroyed);
    EXPECT_NE(ReportText().find("Checksum inválido (SHA-256)"), std::string::npos);
    EXPECT_EQ(MemoryFileData("datos.bin"), original);
}

// A message of the worker's numbers that the worker did not send (posted by
// anyone to the dialog) changes nothing, before a join or while one runs.
TEST_F(Join, AWorkersMessageCountsOnlyFromTheWorker) {
    StartUp(0, {100, 100});
    std::string before = ReportText();
    for (uint32_t forged : {WM_JOIN_DONE, WM_JOIN_CANCELLED, WM_JOIN_FAILED, WM_JOIN_PROGRESS, WM_JOIN_PAUSED}) {
        EXPECT_TRUE(DispatchWorkerMessage(forged));
    }
    EXPECT_EQ(ReportText(), before);
    EXPECT_EQ(g_view.title, "");
    EXPECT_EQ(GetDialogState(), DialogState::Ready);

    g_join.bufferSize = 10;
    g_view.afterHandler = [&](uint32_t message) {
        if (message != WM_JOIN_PROGRESS || g_view.messages.size() != 1) return;
        std::string report = ReportText();
        // The worker waits in the send of the message just handled.
        for (uint32_t forged : {WM_JOIN_DONE, WM_JOIN_CANCELLED, WM_JOIN_FAILED, WM_JOIN_PROGRESS, WM_JOIN_PAUSED}) {
            EXPECT_TRUE(DispatchWorkerMessage(forged));
        }
        EXPECT_EQ(ReportText(), report);
        EXPECT_EQ(GetDialogState(), DialogState::Running);
    };
    RunJob();
    EXPECT_EQ(g_view.title, "100% - Concatenación exitosa");
    EXPECT_EQ(MemoryFileData("datos.bin"), original);
}

// ---- Pause, resume, cancel while paused -------------------------------------

TEST_F(Join, PauseAndResumeFromInsideHandlers) {
    StartUp(0, {100, 100});
    g_join.bufferSize = 10;
    std::string beforeNotice;
    int pauses = 0;
    g_view.afterHandler = [&](uint32_t message) {
        if (message == WM_JOIN_PROGRESS && g_view.messages.size() == 1) {
            OnStartButton();  // Pausa
            EXPECT_EQ(g_join.pauseRequested, 1u);
            EXPECT_FALSE(g_view.start.enabled);
            EXPECT_FALSE(g_view.cancel.enabled);
            EXPECT_FALSE(g_view.deleteInputs.enabled);
            EXPECT_FALSE(ReportBoxIsWhite());
            beforeNotice = ReportText();
            g_tick += 700;  // from the pause click to the acknowledgement: counted
        }
        if (message == WM_JOIN_PAUSED) {
            ++pauses;
            EXPECT_EQ(ReportText(), beforeNotice + "  ** PAUSA **");
            EXPECT_EQ(g_view.start.text, "Continuar");
            EXPECT_TRUE(g_view.start.enabled && g_view.cancel.enabled && g_view.deleteInputs.enabled);
            EXPECT_EQ(g_view.title, "0% - Pausa");
            g_tick += 60000;  // paused for a minute: not counted
            OnStartButton();  // Continuar
            EXPECT_EQ(ReportText(), beforeNotice);
            EXPECT_EQ(g_view.start.text, "Pausa");
            EXPECT_EQ(g_view.title, "0% - Concatenación en curso...");
            EXPECT_TRUE(ReportBoxIsWhite());
        }
    };
    RunJob();
    EXPECT_EQ(pauses, 1);
    EXPECT_EQ(g_view.messages.back(), static_cast<uint32_t>(WM_JOIN_DONE));
    EXPECT_EQ(MemoryFileData("datos.bin"), original);
    // The minute of pause is missing from the elapsed time; the 700 ms before
    // the acknowledgement are there.
    EXPECT_EQ(g_view.elapsed.text, "Tiempo transcurrido : 00:00:00");
    EXPECT_EQ(g_dialog.startTick, 1000u + 60000u);
}

// Windows shows a progress message's values after its handler has
// returned, while the worker goes on (the handler only takes them): the
// report, the labels and the title end the same as when they are shown in
// the handler, a pause and the closing lines after the last progress.
TEST_F(Join, ProgressShownAfterItsHandlerEndsTheSame) {
    std::string report[2], title[2], elapsed[2];
    for (int deferred = 0; deferred < 2; ++deferred) {
        if (deferred) {
            TearDown();
            SetUp();
        }
        StartUp(CHECKSUM_SHA1, {100, 250, 90});
        g_join.bufferSize = 20;
        g_tickStep = kProgressInterval;
        g_view.deferProgress = deferred != 0;
        int progress = 0;
        g_view.afterHandler = [&](uint32_t message) {
            if (message == WM_JOIN_PROGRESS && ++progress == 9) OnStartButton();  // Pausa
            if (message == WM_JOIN_PAUSED) {
                EXPECT_TRUE(EndsWith(ReportText(), "%  ** PAUSA **")) << "the progress shown first";
                OnStartButton();  // Continuar
            }
        };
        RunJob();
        EXPECT_EQ(g_view.messages.back(), static_cast<uint32_t>(WM_JOIN_DONE));
        report[deferred] = ReportText();
        title[deferred] = g_view.title;
        elapsed[deferred] = g_view.elapsed.text;
    }
    EXPECT_EQ(report[1], report[0]);
    EXPECT_EQ(title[1], title[0]);
    EXPECT_EQ(elapsed[1], elapsed[0]);
    EXPECT_NE(report[0].find("\"datos.bin__002\"  100%\r\n\r\nChecksum válido"), std::string::npos) << report[0];
}

TEST_F(Join, CancelWhilePaused) {
    StartUp(CHECKSUM_SHA256, {100, 100});
    g_join.bufferSize = 10;
    std::string beforeNotice;
    g_view.afterHandler = [&](uint32_t message) {
        if (message == WM_JOIN_PROGRESS && g_view.messages.size() == 1) {
            OnStartButton();
            beforeNotice = ReportText();
        }
        if (message == WM_JOIN_PAUSED) {
            OnCancelButton();
            EXPECT_EQ(ReportText(), beforeNotice) << "the notice is removed";
            EXPECT_TRUE(ReportBoxIsWhite());
            EXPECT_EQ(g_view.title, "0% - Pausa");
        }
    };
    RunJob();
    std::vector<uint32_t> expected = {WM_JOIN_PROGRESS, WM_JOIN_PROGRESS, WM_JOIN_PAUSED,
                                      WM_JOIN_PROGRESS, WM_JOIN_CANCELLED};
    EXPECT_EQ(g_view.messages, expected);
    EXPECT_FALSE(MemoryFileExists("datos.bin"));
    EXPECT_EQ(g_disk.writeSizes.size(), 0u) << "a block read before the cancel is not written";
}

TEST_F(Join, APauseAskedAfterTheLastPausePointIsNeverActedOn) {
    StartUp(0, {100, 100});
    // The final notification comes after the last pause point of the last
    // block: a pause asked there finds a job that is already over.
    g_view.afterHandler = [](uint32_t message) {
        if (message == WM_JOIN_PROGRESS && g_join.progressDone == 200) OnStartButton();
    };
    RunJob();
    EXPECT_EQ(g_view.messages.back(), static_cast<uint32_t>(WM_JOIN_DONE));
    for (uint32_t m : g_view.messages) EXPECT_NE(m, static_cast<uint32_t>(WM_JOIN_PAUSED));
    // The end frame leaves the finished state with the pause forgotten.
    EXPECT_EQ(g_join.pauseRequested, 0u);
    EXPECT_TRUE(ReportBoxIsWhite());
    EXPECT_TRUE(g_view.cancel.enabled);
    EXPECT_EQ(g_view.cancel.text, "Salida");
}

// What the worker could see at a change of the pause event.
struct EventStep {
    std::string operation;
    uint32_t pause, cancel;
    int repaints;
    bool operator==(const EventStep& o) const {
        return operation == o.operation && pause == o.pause && cancel == o.cancel && repaints == o.repaints;
    }
};

std::ostream& operator<<(std::ostream& out, const EventStep& s) {
    return out << "{" << s.operation << ", pause " << s.pause << ", cancel " << s.cancel
               << ", repaints " << s.repaints << "}";
}

// The event is reset before the pause flag is raised, set only after it is
// lowered (and after the cancel flag is raised), and the dialog is repainted
// after each change of the flag.
using JoinHandshake = JoinCase<bool>;
TEST_P(JoinHandshake, KeepsItsOrder) {
    const bool cancelWhilePaused = GetParam();
    StartUp(0, {100, 100});
    g_join.bufferSize = 10;
    std::vector<EventStep> steps;
    g_core.onEvent = [&](const char* operation) {
        steps.push_back({operation, LoadFlag(g_join.pauseRequested), LoadFlag(g_join.cancelRequested),
                         g_view.repaints});
    };
    int paused = 0;
    g_view.afterHandler = [&](uint32_t message) {
        if (message == WM_JOIN_PROGRESS && g_view.messages.size() == 1) {
            int before = g_view.repaints;
            steps.clear();
            OnStartButton();  // Pausa
            EXPECT_EQ(steps, std::vector<EventStep>({{"clear", 0, 0, before}}));
            EXPECT_EQ(g_join.pauseRequested, 1u);
            EXPECT_EQ(g_view.repaints, before + 1);
        }
        if (message == WM_JOIN_PAUSED) {
            ++paused;
            int before = g_view.repaints;
            steps.clear();
            if (cancelWhilePaused) {
                OnCancelButton();
                EXPECT_EQ(steps, std::vector<EventStep>({{"signal", 0, 1, before}}));
            } else {
                OnStartButton();  // Continuar
                EXPECT_EQ(steps, std::vector<EventStep>({{"signal", 0, 0, before}}));
            }
            EXPECT_EQ(g_view.repaints, before + 1) << "the report box turns white at once";
        }
    };
    RunJob();
    EXPECT_EQ(paused, 1);
    EXPECT_EQ(g_view.messages.back(),
              static_cast<uint32_t>(cancelWhilePaused ? WM_JOIN_CANCELLED : WM_JOIN_DONE));
}
INSTANTIATE_TEST_SUITE_P(ResumeOrCancel, JoinHandshake, ::testing::Bool());

// ---- Threads ----------------------------------------------------------------------

// A thread that cannot be created, or created but not resumed (it never
// runs): the box comes with the three controls off, and the dialog is left
// ready to try again.
using JoinWorkerStart = JoinCase<bool>;
TEST_P(JoinWorkerStart, ThatFailsLeavesTheDialogReady) {
    const bool resume = GetParam();
    StartUp(CHECKSUM_MD5, {100, 200});
    std::string before = ReportText();
    g_core.failThreads = !resume;
    g_core.failResume = resume;
    bool controlsOff = false;
    g_view.insideBox = [&](const RecordedBox&) {
        controlsOff = !g_view.start.enabled && !g_view.cancel.enabled && !g_view.deleteInputs.enabled;
        OnStartButton();
    };
    OnStartButton();
    g_view.insideBox = nullptr;
    EXPECT_TRUE(controlsOff);
    EXPECT_EQ(g_core.threadsCreated, resume ? 1 : 0) << "no second start inside the box";
    EXPECT_EQ(g_dialog.workerThread, nullptr);
    auto boxes = RecordedBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Imposible iniciar la concatenación.");
    EXPECT_EQ(boxes[0].title, "Vantorel - Error");
    EXPECT_EQ(boxes[0].style, static_cast<uint32_t>(BOX_OK | BOX_ICON_ERROR));
    EXPECT_EQ(boxes[0].owner, DialogWindow());
    EXPECT_EQ(ReportText(), before + kStart + "La concatenación no ha podido empezar.\r\n");
    EXPECT_EQ(g_view.title, "0% - Error durante la concatenación");
    EXPECT_EQ(g_view.start.text, "Comenzar");
    EXPECT_TRUE(g_view.start.enabled);
    EXPECT_EQ(g_view.cancel.text, "Anular");
    EXPECT_TRUE(g_view.cancel.enabled);
    EXPECT_FALSE(MemoryFileExists("datos.bin"));
    EXPECT_TRUE(g_view.messages.empty());

    // Pressed again, once a thread can be had, the join runs.
    g_core.failThreads = g_core.failResume = false;
    RunJob();
    EXPECT_EQ(g_core.threadsCreated, resume ? 2 : 1);
    EXPECT_EQ(g_view.messages.back(), static_cast<uint32_t>(WM_JOIN_DONE));
    EXPECT_EQ(MemoryFileData("datos.bin"), original);
    EXPECT_NE(ReportText().find("Checksum válido (MD5)"), std::string::npos);
}
INSTANTIATE_TEST_SUITE_P(CreationOrResume, JoinWorkerStart, ::testing::Bool());

// Every block goes to the engine once, in order: on the helper thread, with
// the next block read into the second buffer meanwhile or, without a second
// buffer, read only once the helper is done with the one buffer; or on the
// worker when there is no helper. The helper is gone before the closing
// message.
enum HashMode { kTwoBuffers, kOneBuffer, kInLine };
using JoinHashing = JoinCase<HashMode>;
TEST_P(JoinHashing, ChecksumsEachBlockOnce) {
    const HashMode mode = GetParam();
    StartUp(CHECKSUM_SHA256, {100, 35, 0, 64});
    ASSERT_NE(g_join.spareBuffer, nullptr);
    if (mode == kOneBuffer) {
        FreeFixed(g_join.spareBuffer);
        g_join.spareBuffer = nullptr;
    }
    g_join.bufferSize = 10;
    g_core.failHelpers = mode == kInLine;
    // A slow helper: a read into the buffer it has not checksummed yet
    // would change the checksum.
    g_core.helperDelayMs = 2;
    int aliveAtEnd = -1;
    g_view.afterHandler = [&](uint32_t message) {
        if (message == WM_JOIN_DONE) aliveAtEnd = g_core.helpersAlive;
    };
    RunJob();
    EXPECT_NE(ReportText().find("Checksum válido (SHA-256)"), std::string::npos) << ReportText();
    EXPECT_EQ(MemoryFileData("datos.bin"), original);
    // 11 reads of part 0, 4 of part 1, 1 of part 2, 7 of part 3; the two
    // empty ones (the end of part 0, part 2) are not handed to the helper.
    ASSERT_EQ(g_disk.writeSizes.size(), 23u);
    EXPECT_EQ(g_core.helpersCreated, mode == kInLine ? 0 : 1);
    EXPECT_EQ(g_core.helperTasks, mode == kInLine ? 0 : 21);
    EXPECT_EQ(aliveAtEnd, 0);
}
INSTANTIATE_TEST_SUITE_P(Modes, JoinHashing, ::testing::Values(kTwoBuffers, kOneBuffer, kInLine));

using JoinHelperEnd = JoinCase<uint32_t>;
TEST_P(JoinHelperEnd, IsBeforeACancelOrAFailureIsReported) {
    const uint32_t outcome = GetParam();
    StartUp(CHECKSUM_SHA1, {100, 100});
    g_join.bufferSize = 10;
    g_tickStep = 250;  // every block notifies
    if (outcome == WM_JOIN_FAILED) g_disk.failReadOf = "datos.bin__001";
    int aliveAtEnd = -1;
    g_view.afterHandler = [&](uint32_t message) {
        if (message == WM_JOIN_PROGRESS && outcome == WM_JOIN_CANCELLED && g_join.progressDone >= 50) {
            OnCancelButton();
        }
        if (message == outcome) aliveAtEnd = g_core.helpersAlive;
    };
    RunJob();
    EXPECT_EQ(g_view.messages.back(), outcome);
    EXPECT_EQ(g_core.helpersCreated, 1);
    EXPECT_EQ(aliveAtEnd, 0);
    EXPECT_FALSE(MemoryFileExists("datos.bin"));
}
INSTANTIATE_TEST_SUITE_P(CancelOrFailure, JoinHelperEnd, ::testing::Values(WM_JOIN_CANCELLED, WM_JOIN_FAILED));

// ---- Accounting ----------------------------------------------------------------

TEST_F(Join, HalfABlockAfterTheReadAndTheRestAfterTheWrite) {
    StartUp(CHECKSUM_MD5, {12, 0, 5});
    g_join.bufferSize = 5;
    g_tickStep = kProgressInterval;  // every throttled notification is sent
    RecordProgress();
    RunJob();
    std::vector<Progress> expected = {
        {0, 0, 0, 0},                                        // start of part 0
        {0, 2, 16, 11}, {0, 5, 41, 29},                      // 5 bytes: 2 read, 3 written
        {0, 7, 58, 41}, {0, 10, 83, 58},
        {0, 11, 91, 64}, {0, 12, 100, 70},                   // the last 2 bytes: 1 and 1
        {1, 12, 0, 70},                                      // empty part: opened
        {1, 12, 0, 70}, {1, 12, 0, 70},                      // read 0, written 0
        {2, 12, 0, 70}, {2, 14, 40, 82}, {2, 17, 100, 100},  // exactly one buffer...
        {2, 17, 100, 100}, {2, 17, 100, 100},                // ...then a read of 0
        {2, 17, 100, 100},                                   // the final values
    };
    EXPECT_EQ(progress, expected);
    EXPECT_EQ(MemoryFileData("datos.bin"), original);
    std::vector<uint32_t> writes = {5, 5, 2, 0, 5, 0};
    EXPECT_EQ(g_disk.writeSizes, writes);
    EXPECT_NE(ReportText().find("Checksum válido (MD5)"), std::string::npos);
}

TEST_F(Join, PartsThatGrewAfterTheSurvey) {
    StartUp(0, {100, 100});
    PutMemoryFile("datos.bin__001", 300, 7);  // grew from 100 to 300 bytes
    RunJob();
    EXPECT_EQ(g_view.messages.back(), static_cast<uint32_t>(WM_JOIN_DONE));
    EXPECT_EQ(g_join.progressDone, 400u);
    EXPECT_EQ(g_join.progressPercent, 200u) << "measured against the survey's total";
    EXPECT_EQ(g_view.remaining.text, "Tiempo restante : 00:00:00");
    EXPECT_EQ(g_view.title, "200% - Concatenación no exitosa");
    EXPECT_EQ(MemoryFileData("datos.bin").size(), 400u);
}

// Without a checksum only the size proves the output: a part shortened after
// start-up gives an output that is kept, reported as not successful, and the
// inputs stay although the box is ticked.
TEST_F(Join, AWrongSizeWithoutChecksumIsNoSuccess) {
    StartUp(0, {100, 200});
    PutMemoryFile("datos.bin__001", 199, 101);  // one byte short since the survey
    g_view.deleteInputs.checked = true;
    RunJob();
    EXPECT_EQ(g_view.messages.back(), static_cast<uint32_t>(WM_JOIN_DONE));
    EXPECT_TRUE(EndsWith(ReportText(), "100%\r\n\r\n"
                                       "El tamaño del archivo de salida no es válido : 299 bytes.\r\n"
                                       "Tamaño del archivo original : 300 bytes.\r\n"
                                       "\r\n"
                                       "Concatenación no exitosa.\r\n"
                                       "Haga click en el botón [Salida].\r\n"));
    EXPECT_EQ(g_view.title, "99% - Concatenación no exitosa");
    EXPECT_TRUE(RecordedBoxes().empty()) << "the output is kept without a question";
    EXPECT_EQ(MemoryFileData("datos.bin").size(), 299u);
    EXPECT_EQ(MemoryFileData("datos.bin__000").size(), 100u);
    EXPECT_EQ(MemoryFileData("datos.bin__001").size(), 199u);
    EXPECT_EQ(g_view.cancel.text, "Salida");
}

TEST_F(Join, EveryPartEmpty) {
    StartUp(CHECKSUM_SHA256, {0, 0, 0});
    RecordProgress();
    RunJob();
    for (const Progress& p : progress) EXPECT_EQ(p.percent, 0u);
    EXPECT_EQ(g_view.messages.back(), static_cast<uint32_t>(WM_JOIN_DONE));
    EXPECT_NE(ReportText().find("Checksum válido (SHA-256)"), std::string::npos);
    EXPECT_TRUE(MemoryFileExists("datos.bin"));
    EXPECT_EQ(g_view.title, "0% - Concatenación exitosa");
}

TEST_F(Join, ANotificationRewritesOnlyTheTailInOneEdit) {
    StartUp(0, {100, 100});
    g_join.bufferSize = 10;
    g_tickStep = kProgressInterval;
    std::vector<std::string> reports;
    std::vector<int> requests;
    g_view.afterHandler = [&](uint32_t message) {
        if (message != WM_JOIN_PROGRESS) return;
        reports.push_back(ReportText());
        requests.push_back(g_view.lengthRequests + g_view.selectRequests + g_view.replaceRequests);
    };
    RunJob();
    ASSERT_GT(reports.size(), 4u);
    // Between two notifications of part 0, only the 6-character tail changes,
    // by one edit of three requests: length, selection, replacement.
    for (size_t i = 2; i < 6; ++i) {
        ASSERT_EQ(reports[i].size(), reports[i - 1].size());
        EXPECT_EQ(reports[i].substr(0, reports[i].size() - 6),
                  reports[i - 1].substr(0, reports[i - 1].size() - 6));
        EXPECT_EQ(requests[i] - requests[i - 1], 3);
    }
    EXPECT_EQ(reports[1].substr(reports[1].size() - 22), "\"datos.bin__000\"    5%");
    // The move to part 1 (complete line, new name, new tail) is one edit too.
    size_t next = 0;
    while (next < reports.size() &&
           reports[next].compare(reports[next].size() - 22, 16, "\"datos.bin__001\"") != 0) {
        ++next;
    }
    ASSERT_LT(next, reports.size());
    EXPECT_EQ(requests[next] - requests[next - 1], 3);
    EXPECT_NE(reports[next].find("\"datos.bin__000\"  100%\r\n\"datos.bin__001\""),
              std::string::npos);
}

// The closing lines of a good join reach the report in one edit.
TEST_F(Join, TheClosingLinesAreOneEdit) {
    StartUp(CHECKSUM_SHA1, {100, 100});
    int before = -1, after = -1;
    g_view.afterHandler = [&](uint32_t message) {
        if (message == WM_JOIN_PROGRESS) before = g_view.replaceRequests;
        if (message == WM_JOIN_DONE) after = g_view.replaceRequests;
    };
    RunJob();
    EXPECT_EQ(after - before, 1);
    EXPECT_NE(ReportText().find("  100%\r\n\r\nChecksum válido (SHA-1) :\r\n"), std::string::npos);
    const std::string closing = "Concatenación exitosa.\r\nHaga click en el botón [Salida].\r\n";
    EXPECT_EQ(ReportText().substr(ReportText().size() - closing.size()), closing);
}

// ---- Failures ------------------------------------------------------------------

// The error box is the last of boxCount boxes (a question may come first).
void ExpectFailure(const std::string& boxText, size_t boxCount = 1) {
    auto boxes = RecordedBoxes();
    ASSERT_EQ(boxes.size(), boxCount);
    EXPECT_EQ(boxes.back().text, boxText);
    EXPECT_EQ(boxes.back().title, "Vantorel - Error");
    EXPECT_EQ(boxes.back().style, static_cast<uint32_t>(BOX_OK | BOX_ICON_ERROR));
    EXPECT_EQ(boxes.back().owner, DialogWindow());
    EXPECT_EQ(g_view.messages.back(), static_cast<uint32_t>(WM_JOIN_FAILED));
    std::string report = ReportText();
    EXPECT_TRUE(EndsWith(report,
              "\r\n\r\nError durante la concatenación.\r\nLa concatenación ha sido cancelada.\r\n"));
    EXPECT_EQ(g_view.title.substr(g_view.title.find('%')), "% - Error durante la concatenación");
    EXPECT_EQ(g_view.cancel.text, "Salida");
    EXPECT_TRUE(g_view.cancel.enabled);
}

// A file operation that fails at its turn: the box names the file (the
// joined file by the output's name), the join stops, the joined file goes
// and the parts stay.
struct FileFailure {
    const char* name;
    uint32_t kind;
    void (*inject)();
    const char* box;
};
void PrintTo(const FileFailure& c, std::ostream* out) { *out << c.name; }
using JoinFailure = JoinCase<FileFailure>;
TEST_P(JoinFailure, StopsTheJoinAndKeepsTheParts) {
    const FileFailure& c = GetParam();
    StartUp(c.kind, {100, 200, 300});
    c.inject();
    RunJob();
    ExpectFailure(c.box);
    EXPECT_FALSE(MemoryFileExists("datos.bin"));
    EXPECT_EQ(MemoryFileData("datos.bin__000").size(), 100u);
    EXPECT_EQ(MemoryFileData("datos.bin__002").size(), 300u);
}
INSTANTIATE_TEST_SUITE_P(
    Operations, JoinFailure,
    ::testing::Values(
        FileFailure{"OpenOfAPartRemovedAfterTheSurvey", CHECKSUM_SHA256,
                    [] { ASSERT_TRUE(DeleteNamedFile("datos.bin__001")); },
                    "Un error a ocurrido durante la apertura del siguiente archivo :\n\"datos.bin__001\""},
        FileFailure{"SizeOfAPart", 0, [] { g_disk.failSizeOf = "datos.bin__001"; },
                    "Un error a ocurrido durante la lectura del siguiente archivo :\n\"datos.bin__001\""},
        FileFailure{"ReadOfAPart", 0, [] { g_disk.failReadOf = "datos.bin__002"; },
                    "Un error a ocurrido durante la lectura del siguiente archivo :\n\"datos.bin__002\""},
        // The parts take 600 bytes, the output has room for 250: a short
        // write is a failure, never a success.
        FileFailure{"ShortWrite", 0, [] { g_disk.capacity = 600 + 250; },
                    "Un error a ocurrido durante la escritura del siguiente archivo :\n\"datos.bin\""},
        FileFailure{"CloseOfAPart", 0, [] { g_disk.failCloseOf = "datos.bin__000"; },
                    "Un error a ocurrido al cerrar del siguiente archivo :\n\"datos.bin__000\""}));

// A folder that takes no new file: a bounded number of temporary names is
// tried, the error box names the output, and the user's file stays.
TEST_F(Join, AnOutputThatCannotBeCreatedIsNotDeleted) {
    StartUp(0, {100, 200});
    g_disk.failCreate = true;
    PutMemoryFile("datos.bin", 42, 3);  // somebody's file of that name
    g_view.answers.push_back(ANSWER_YES);
    g_disk.operations.clear();
    RunJob();
    ExpectFailure("Un error a ocurrido durante la creación del siguiente archivo :\n\"datos.bin\"", 2);
    EXPECT_EQ(MemoryFileData("datos.bin").size(), 42u);
    EXPECT_TRUE(g_view.elapsed.text.find("--:--:--") != std::string::npos) << "no progress";
    EXPECT_EQ(g_disk.operations.size(), 16u) << "sixteen names, then the failure";
    EXPECT_TRUE(OperationsOn("datos.bin").empty());
}

// A file left under a temporary name by a killed run never blocks the next
// one: a taken name is drawn again, and the leftover is not the job's.
TEST_F(Join, ALeftoverOfAKilledRunIsPassedOver) {
    const char leftover[] = "~selvanore-abcdef0123456789.tmp";
    PutMemoryFile(leftover, 83, 5);
    StartUp(0, {100, 200});
    g_disk.randomBits = {0xABCDEF0123456789ull, 0xABCDEF0123456789ull, 0x42};
    temporaryMayStay = true;
    RunJob();
    EXPECT_EQ(g_view.title, "100% - Concatenación exitosa");
    EXPECT_EQ(MemoryFileData("datos.bin"), original);
    EXPECT_EQ(MemoryFileData(leftover).size(), 83u);
    EXPECT_EQ(TemporaryFiles(), std::vector<std::string>({leftover}));
    EXPECT_EQ(OperationsOn("datos.bin"),
              std::vector<std::string>({"publish ~selvanore-0000000000000042.tmp datos.bin"}));
    // The start-up report names it, so that the user can delete it.
    EXPECT_NE(ReportText().find("\r\n\r\nArchivos temporales de una concatenación anterior :\r\n"
                                "\"~selvanore-abcdef0123456789.tmp\" : 83 bytes.\r\n\r\n"
                                "Todos los archivos de entrada estan presentes."),
              std::string::npos)
        << ReportText();
}

// A part name that had to be cut names another file: even where that file
// exists it is neither opened nor counted.
TEST_F(Join, ACutPartNameIsNeverOpened) {
    // 515 characters and "__000" make 520, one too many: cut to 519.
    std::string base(515, 'c');
    PutMemoryFile(base + "__00", 5000, 1);
    ASSERT_TRUE(EncodeRecord(0, 0, 2, base, "", g_fakeRecord));
    ASSERT_NE(PrepareJob(), 0);
    EXPECT_EQ(g_join.unreadableCount, 2u);
    EXPECT_EQ(g_join.inputTotal, 0u);
    EXPECT_TRUE(g_disk.opened.empty());
}

// ---- A checksum list beside the parts ---------------------------------------------

// Changes one byte of a part in place, its size kept.
void Damage(const std::string& name, size_t at) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    g_disk.files.at(name)->data.at(at) ^= 0x20;
}

// With each part's own SHA-256 from a list, the parts damaged after the list
// was made are named at the end, whatever the blocks' boundaries (part 0 is
// whole blocks and ends with an empty read, part 2 is empty), on the helper
// thread or without one. Without a checksum in the record a damaged part
// makes the join no success, which the sizes alone would call one.
struct ListCase {
    const char* name;
    uint32_t kind;
    bool helper;
    bool damaged;
};
void PrintTo(const ListCase& c, std::ostream* out) { *out << c.name; }
using JoinWithList = JoinCase<ListCase>;
TEST_P(JoinWithList, NamesTheDamagedParts) {
    const ListCase& c = GetParam();
    withList = true;
    StartUp(c.kind, {100, 35, 0, 64});
    g_join.bufferSize = 10;
    g_core.failHelpers = !c.helper;
    if (c.damaged) {
        Damage("datos.bin__001", 7);
        Damage("datos.bin__003", 63);
        if (c.kind != 0) g_view.answers.push_back(ANSWER_YES);
    }
    RunJob();
    std::string report = ReportText();
    size_t named = report.find("\r\nLa parte \"datos.bin__001\" no es válida.\r\n"
                               "La parte \"datos.bin__003\" no es válida.\r\n\r\n");
    EXPECT_EQ(named != std::string::npos, c.damaged) << report;
    EXPECT_EQ(report.find("La parte \"datos.bin__000\""), std::string::npos) << report;
    EXPECT_EQ(report.find("La parte \"datos.bin__002\""), std::string::npos) << report;
    EXPECT_EQ(g_view.title, c.damaged ? "100% - Concatenación no exitosa" : "100% - Concatenación exitosa");
    // With a checksum in the record the parts are checked only in a second
    // round, once the whole file's checksum proved invalid.
    bool secondRound = c.damaged && c.kind != 0;
    EXPECT_EQ(report.find("Checksum inválido: comprobación de cada parte.\r\n\r\nConcatenación de archivos...") !=
                  std::string::npos,
              secondRound)
        << report;
    EXPECT_EQ(g_core.helpersCreated, c.helper ? (secondRound ? 2 : 1) : 0);
}
INSTANTIATE_TEST_SUITE_P(Cases, JoinWithList,
                         ::testing::Values(ListCase{"Sha256", CHECKSUM_SHA256, true, true},
                                           ListCase{"NoChecksum", 0, true, true},
                                           ListCase{"Sha256WithoutHelper", CHECKSUM_SHA256, false, true},
                                           ListCase{"NoChecksumGood", 0, true, false}));

// A list whose line for a part disagrees while the whole file's checksum
// proves the join good: the whole file's checksum checked every byte, so the
// lines are not read against the parts (a second checksum of every byte) and
// the join is an ordinary success.
TEST_F(Join, AListLineIsNotCheckedWhenTheWholeFileIsGood) {
    withList = true;
    StartUp(CHECKSUM_SHA256, {100, 35, 64});
    g_join.partChecks[1].digest[0] = g_join.partChecks[1].digest[0] == '0' ? '1' : '0';
    g_view.deleteInputs.checked = true;
    RunJob();
    std::string report = ReportText();
    EXPECT_EQ(report.find("La línea de la parte"), std::string::npos) << report;
    EXPECT_EQ(report.find("comprobación de cada parte"), std::string::npos) << report;
    EXPECT_EQ(g_view.title, "100% - Concatenación exitosa");
    EXPECT_EQ(MemoryFileData("datos.bin"), original);
    EXPECT_FALSE(MemoryFileExists("datos.bin__000") || MemoryFileExists("datos.bin__001")) << "deleted as asked";
}

// A list names the parts that cannot be read at start-up; a list of another
// number of parts fails the start-up rather than be read beyond its end.
TEST_F(Join, AListNamesThePartsThatCannotBeReadAtStartUp) {
    withList = true;
    absentParts = {1, 3};
    StartUp(CHECKSUM_SHA256, {10, 20, 30, 40});
    EXPECT_TRUE(EndsWith(ReportText(),
                         "No se puede leer 2 archivos de entrada.\r\n"
                         "No se puede leer la parte \"datos.bin__001\".\r\n"
                         "No se puede leer la parte \"datos.bin__003\".\r\n"
                         "La concatenación es imposible.\r\n"
                         "Haga click en el botón [Anular].\r\n"));
    ReleaseJob();
    ASSERT_TRUE(UsePartChecksums({std::string(64, 'a'), std::string(64, 'b')}));
    EXPECT_EQ(PrepareJob(), 0);
}

// ---- Deleting the inputs ----------------------------------------------------------

TEST_F(Join, InputsDeletedWhenTheBoxIsTicked) {
    StartUp(CHECKSUM_SHA256, {3, 3, 3});
    g_view.deleteInputs.checked = true;
    RunJob();
    std::string report = ReportText();
    EXPECT_TRUE(EndsWith(report,
              "Concatenación exitosa.\r\nBorrando archivos de entrada...\r\nHaga click en el botón [Salida].\r\n"));
    EXPECT_EQ(g_disk.files.size(), 1u) << "only the output is left";
    EXPECT_EQ(MemoryFileData("datos.bin"), original);
    EXPECT_TRUE(RecordedBoxes().empty());
}

TEST_F(Join, OneMissingPartAtDeletion) {
    StartUp(0, {10, 20, 30});
    g_view.deleteInputs.checked = true;
    g_view.afterHandler = [](uint32_t message) {
        if (message == WM_JOIN_PROGRESS && g_join.progressDone == 60) DeleteNamedFile("datos.bin__001");
    };
    RunJob();
    auto boxes = RecordedBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Imposible suprimir el archivo :\n\"datos.bin__001\"");
    EXPECT_FALSE(MemoryFileExists("datos.bin__000"));
    EXPECT_FALSE(MemoryFileExists("datos.bin__002"));
    EXPECT_TRUE(MemoryFileExists("datos.bin"));
}

TEST_F(Join, InputsKeptWhenTheBoxIsNotTicked) {
    StartUp(0, {10, 20});
    g_view.afterHandler = [](uint32_t message) {
        // Ticked during the job, then unticked again: its state at the end decides.
        if (message == WM_JOIN_PROGRESS) g_view.deleteInputs.checked = g_join.progressDone != 30;
    };
    RunJob();
    EXPECT_TRUE(MemoryFileExists("datos.bin__000"));
    EXPECT_TRUE(MemoryFileExists("datos.bin__001"));
    EXPECT_EQ(ReportText().find("Borrando"), std::string::npos);
}

}  // namespace
