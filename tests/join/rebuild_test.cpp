// Parts rebuilt from the recovery data beside them: the survey's report, the
// rebuild before the join and after it, too few recovery slices, a recovery
// file that is itself damaged, pause and cancel during the rebuild; the
// files in memory, the worker on its own thread and the dialog's handlers
// on the test's UI loop.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "hash/hash.h"
#include "join/join_state.h"
#include "join/rebuild.h"
#include "join/survey.h"
#include "join/worker.h"
#include "recovery/par2_file_hash.h"
#include "recovery/par2_packets.h"
#include "recovery/reed_solomon.h"
#include "tests/support/encode_record.h"
#include "tests/support/fake_core.h"
#include "tests/support/fake_record.h"
#include "tests/support/fake_tick.h"
#include "tests/support/memory_files.h"
#include "tests/support/part_names.h"
#include "tests/support/scripted_view.h"
#include "ui/dialog.h"
#include "ui/dialog_record.h"

namespace {

const char kOutput[] = "datos.bin";

std::string Part(uint32_t count, uint32_t i) { return ExpectedPartName(kOutput, count, i); }

std::string Sha256(const std::vector<uint8_t>& data) {
    std::unique_ptr<CHash> engine(CreateHashEngine(CHECKSUM_SHA256));
    engine->Reset();
    engine->Update(data.data(), static_cast<uint32_t>(data.size()));
    engine->Finish();
    std::string text(2 * engine->m_digestSize + 1, '\0');
    engine->GetDigestText(&text[0]);
    text.pop_back();
    return text;
}

// A PAR 2.0 set of the parts, made with the recovery library as a splitter
// makes it: the index (the critical packets) and one recovery file for each
// group of exponents, each slice's packet followed by the critical packets.
struct RecoveryFiles {
    std::vector<uint8_t> index;
    std::vector<std::vector<uint8_t>> volumes;
    uint64_t sliceSize;
};

RecoveryFiles MakeRecovery(const std::vector<std::vector<uint8_t>>& parts, uint64_t sliceSize,
                           const std::vector<std::vector<uint32_t>>& volumes) {
    RecoveryFiles made;
    made.sliceSize = sliceSize;
    Par2Set set;
    set.sliceSize = sliceSize;
    for (uint32_t i = 0; i < parts.size(); ++i) {
        Par2FileHasher hasher;
        EXPECT_TRUE(BeginPar2FileHash(sliceSize, &hasher));
        UpdatePar2FileHash(&hasher, parts[i].data(), parts[i].size());
        Par2File file;
        EXPECT_TRUE(FinishPar2FileHash(&hasher, Part(static_cast<uint32_t>(parts.size()), i), &file));
        set.files.push_back(file);
    }
    EXPECT_TRUE(FinishPar2Set(&set));
    made.index = Par2CriticalPackets(set);
    for (const std::vector<uint32_t>& exponents : volumes) {
        std::vector<uint8_t> volume;
        for (uint32_t exponent : exponents) {
            std::vector<uint8_t> slice(sliceSize + 2, 0);
            uint8_t* out = slice.data();
            uint32_t input = 0;
            for (const Par2File& file : set.files) {
                const std::vector<uint8_t>* data = nullptr;
                for (uint32_t i = 0; i < parts.size(); ++i) {
                    if (Part(static_cast<uint32_t>(parts.size()), i) == file.name) data = &parts[i];
                }
                for (uint64_t at = 0; at < file.length || (at == 0 && file.length == 0); at += sliceSize, ++input) {
                    size_t bytes = static_cast<size_t>(std::min<uint64_t>(sliceSize, file.length - at));
                    RsAccumulate(input, data->data() + at, bytes, &exponent, 1, &out);
                    if (file.length == 0) break;
                }
            }
            Par2RecoveryPacket packet;
            EXPECT_TRUE(BeginPar2RecoveryPacket(set, exponent, &packet));
            UpdatePar2RecoveryPacket(&packet, slice.data(), sliceSize);
            FinishPar2RecoveryPacket(&packet);
            volume.insert(volume.end(), packet.header, packet.header + kPar2RecoveryHeaderSize);
            volume.insert(volume.end(), slice.begin(), slice.begin() + static_cast<std::ptrdiff_t>(sliceSize));
            volume.insert(volume.end(), made.index.begin(), made.index.end());
        }
        made.volumes.push_back(volume);
    }
    return made;
}

// Changes one byte of a file in memory.
void Damage(const std::string& name, size_t at) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    g_disk.files[name]->data[at] ^= 0x5A;
}

void Remove(const std::string& name) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    g_disk.files.erase(name);
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class Rebuild : public ::testing::Test {
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
        ReleaseJob();
        EXPECT_FALSE(AnyMemoryFileOpen()) << "a file was left open";
        g_join = JoinState{};
    }

    // Parts of "datos.bin" of these sizes, recovery files of the slice size
    // (the largest part rounded up to 4 when 0) with the exponents of each
    // volume, written beside them as NAME.par2 and NAME.vol<n>.par2.
    void MakeSet(const std::vector<uint64_t>& sizes, const std::vector<std::vector<uint32_t>>& volumes,
                 uint64_t sliceSize = 0) {
        count = static_cast<uint32_t>(sizes.size());
        original.clear();
        parts.clear();
        uint64_t largest = 0;
        for (uint32_t i = 0; i < count; ++i) {
            PutMemoryFile(Part(count, i), sizes[i], 300 + i);
            parts.push_back(MemoryFileData(Part(count, i)));
            original.insert(original.end(), parts.back().begin(), parts.back().end());
            largest = std::max(largest, sizes[i]);
        }
        if (sliceSize == 0) sliceSize = Par2SliceSizeFor(largest);
        recovery = MakeRecovery(parts, sliceSize, volumes);
        PutMemoryFile(std::string(kOutput) + ".par2", recovery.index);
        for (size_t v = 0; v < recovery.volumes.size(); ++v) {
            PutMemoryFile(std::string(kOutput) + ".vol" + std::to_string(v) + ".par2", recovery.volumes[v]);
        }
    }

    void StartUp() {
        ASSERT_TRUE(EncodeRecord(CHECKSUM_SHA256, original.size(), count, kOutput, Sha256(original), g_fakeRecord));
        ASSERT_NE(PrepareJob(), 0);
        InitJoinDialog(DialogWindow());
    }

    void RunJob() {
        ASSERT_TRUE(g_view.start.enabled);
        OnStartButton();
        ASSERT_TRUE(RunUiLoopUntilJobEnds());
    }

    // Every part as it was made, except those the test removed or damaged,
    // which are as the test left them.
    void ExpectPartsAsLeft(const std::vector<std::vector<uint8_t>>& left) {
        for (uint32_t i = 0; i < count; ++i) {
            if (left[i].empty()) {
                EXPECT_FALSE(MemoryFileExists(Part(count, i))) << i;
            } else {
                EXPECT_EQ(MemoryFileData(Part(count, i)), left[i]) << i;
            }
        }
    }

    std::vector<std::vector<uint8_t>> PartsNow() {
        std::vector<std::vector<uint8_t>> now;
        for (uint32_t i = 0; i < count; ++i) {
            now.push_back(MemoryFileExists(Part(count, i)) ? MemoryFileData(Part(count, i)) : std::vector<uint8_t>());
        }
        return now;
    }

    uint32_t count = 0;
    std::vector<uint8_t> original;
    std::vector<std::vector<uint8_t>> parts;
    RecoveryFiles recovery;
};

// ---- Parts missing or damaged, rebuilt -------------------------------------

struct Loss {
    const char* name;
    std::vector<uint32_t> missing;
    std::vector<uint32_t> damaged;  // one byte changed, the size kept
    std::vector<uint32_t> cut;      // a byte fewer
    uint64_t sliceSize;             // 0: one slice per part
    std::vector<std::vector<uint32_t>> volumes;
    uint32_t rebuildMessages;  // WM_JOIN_REBUILDING sent
};
void PrintTo(const Loss& loss, std::ostream* out) { *out << loss.name; }

class RebuildLoss : public Rebuild, public ::testing::WithParamInterface<Loss> {};

TEST_P(RebuildLoss, TheOutputIsTheOriginalAndThePartsStayAsReceived) {
    const Loss& loss = GetParam();
    MakeSet({1000, 1000, 1000, 1000, 1000, 1000, 1000, 977}, loss.volumes, loss.sliceSize);
    for (uint32_t i : loss.missing) Remove(Part(count, i));
    for (uint32_t i : loss.damaged) Damage(Part(count, i), 500 + 31 * i);
    for (uint32_t i : loss.cut) {
        std::vector<uint8_t> shorter = parts[i];
        shorter.pop_back();
        PutMemoryFile(Part(count, i), shorter);
    }
    std::vector<std::vector<uint8_t>> left = PartsNow();
    StartUp();
    std::string report = ReportText();
    for (uint32_t i : loss.missing) {
        EXPECT_TRUE(Contains(report, "No se puede leer la parte \"" + Part(count, i) + "\".\r\n")) << report;
    }
    for (uint32_t i : loss.cut) {
        EXPECT_TRUE(Contains(report, "El tamaño de la parte \"" + Part(count, i) + "\" no es válido.\r\n"));
    }
    // A damaged part of the right size is found only as it is joined.
    uint32_t atStart = static_cast<uint32_t>(loss.missing.size() + loss.cut.size());
    if (atStart != 0) {
        EXPECT_TRUE(Contains(report, "Partes que faltan o no son válidas : " + std::to_string(atStart) + ".\r\n"));
        EXPECT_TRUE(Contains(report, "Las partes serán reconstruidas con los datos de recuperación.\r\n"));
    } else {
        EXPECT_TRUE(Contains(report, "Todos los archivos de entrada estan presentes.\r\n"));
    }
    // The smallest buffer the rebuild can work in: several blocks a slice.
    g_join.bufferSize = 1024;
    RunJob();

    report = ReportText();
    EXPECT_EQ(MemoryFileData(kOutput), original);
    ExpectPartsAsLeft(left);
    EXPECT_EQ(g_view.messages.back(), static_cast<uint32_t>(WM_JOIN_DONE));
    uint32_t rebuilds = 0;
    for (uint32_t message : g_view.messages) rebuilds += message == WM_JOIN_REBUILDING ? 1 : 0;
    EXPECT_EQ(rebuilds, loss.rebuildMessages);
    for (uint32_t i : loss.damaged) {
        EXPECT_TRUE(Contains(report, "La parte \"" + Part(count, i) + "\" no es válida.\r\n")) << report;
    }
    std::vector<uint32_t> all = loss.missing;
    all.insert(all.end(), loss.damaged.begin(), loss.damaged.end());
    all.insert(all.end(), loss.cut.begin(), loss.cut.end());
    for (uint32_t i : all) {
        EXPECT_TRUE(Contains(report, "Reconstrucción de la parte \"" + Part(count, i) + "\"...\r\n")) << report;
        EXPECT_TRUE(Contains(report, "La parte \"" + Part(count, i) + "\" ha sido reconstruida.\r\n")) << report;
    }
    EXPECT_TRUE(Contains(report, "Checksum válido (SHA-256) :")) << report;
    EXPECT_TRUE(Contains(report, "Concatenación exitosa.\r\nLos archivos de entrada no han sido borrados.\r\n"));
    // The rebuilt parts lived in scratch files only, gone with their handles.
    EXPECT_GE(g_disk.scratchFiles, 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RebuildLoss,
    ::testing::Values(Loss{"OneMissing", {3}, {}, {}, 0, {{0}}, 1},
                      Loss{"OneDamagedFoundWhileJoined", {}, {5}, {}, 0, {{0}}, 1},
                      Loss{"OneCutShort", {}, {}, {2}, 0, {{1}}, 1},
                      Loss{"TwoMissingFromTwoVolumes", {0, 7}, {}, {}, 0, {{0}, {1}}, 1},
                      Loss{"TwoDamaged", {}, {1, 6}, {}, 0, {{0, 1}}, 1},
                      // The damaged part fed the first pass: found there, it
                      // joins the missing one in a second pass.
                      Loss{"OneMissingOneDamaged", {3}, {5}, {}, 0, {{0, 1}}, 2},
                      // par2 create -s256 from these parts: four slices a part.
                      Loss{"SmallerSlicesOneMissing", {4}, {}, {}, 256, {{0, 1, 2}, {3, 4}}, 1},
                      Loss{"SmallerSlicesOneDamaged", {}, {7}, {}, 256, {{0, 1, 2, 3}}, 1}),
    [](const ::testing::TestParamInfo<Loss>& info) { return std::string(info.param.name); });

// ---- Too few recovery slices ------------------------------------------------

TEST_F(Rebuild, OneMissingTooManyIsImpossibleAndSaysTheCounts) {
    MakeSet({800, 800, 800, 800}, {{0, 1}});
    Remove(Part(count, 0));
    Remove(Part(count, 1));
    Remove(Part(count, 3));
    StartUp();
    std::string report = ReportText();
    EXPECT_TRUE(Contains(report,
                         "No se puede leer 3 archivos de entrada.\r\n"
                         "No se puede leer la parte \"datos.bin__000\".\r\n"
                         "No se puede leer la parte \"datos.bin__001\".\r\n"
                         "No se puede leer la parte \"datos.bin__003\".\r\n"
                         "Partes que faltan o no son válidas : 3.\r\n"
                         "Bloques de recuperación presentes : 2.\r\n"
                         "\r\n"
                         "No hay suficientes datos de recuperación para reconstruir las partes.\r\n"
                         "La concatenación es imposible.\r\n"))
        << report;
    EXPECT_FALSE(g_view.start.enabled);
    EXPECT_EQ(g_disk.scratchFiles, 0u);
}

TEST_F(Rebuild, DamageBeyondTheRecoveryDataIsNamedAndNothingIsRebuilt) {
    MakeSet({800, 800, 800, 800}, {{0, 1}});
    Damage(Part(count, 0), 1);
    Damage(Part(count, 2), 2);
    Damage(Part(count, 3), 3);
    StartUp();
    g_view.answers.push_back(ANSWER_NO);  // keep the output? No
    RunJob();
    std::string report = ReportText();
    EXPECT_TRUE(Contains(report,
                         "La parte \"datos.bin__000\" no es válida.\r\n"
                         "La parte \"datos.bin__002\" no es válida.\r\n"
                         "La parte \"datos.bin__003\" no es válida.\r\n"
                         "Partes que faltan o no son válidas : 3.\r\n"
                         "Bloques de recuperación presentes : 2.\r\n"
                         "No hay suficientes datos de recuperación para reconstruir las partes.\r\n"))
        << report;
    EXPECT_TRUE(Contains(report, "Checksum inválido (SHA-256) :"));
    EXPECT_FALSE(MemoryFileExists(kOutput));
    for (uint32_t message : g_view.messages) EXPECT_NE(message, static_cast<uint32_t>(WM_JOIN_REBUILDING));
}

TEST_F(Rebuild, APartOfAWrongSizeBeyondTheRecoveryDataMayStillBeJoined) {
    // Without recovery slices a part cut short is named and counted, and
    // the join may go on after the size warning, as without recovery data.
    MakeSet({800, 800, 800}, {});
    std::vector<uint8_t> shorter = parts[1];
    shorter.resize(700);
    PutMemoryFile(Part(count, 1), shorter);
    StartUp();
    std::string report = ReportText();
    EXPECT_TRUE(Contains(report,
                         "El tamaño de la parte \"datos.bin__001\" no es válido.\r\n"
                         "Partes que faltan o no son válidas : 1.\r\n"
                         "Bloques de recuperación presentes : 0.\r\n"
                         "\r\n"
                         "No hay suficientes datos de recuperación para reconstruir las partes.\r\n"
                         "\r\n"
                         "Todos los archivos de entrada estan presentes.\r\n"))
        << report;
    ASSERT_EQ(RecordedBoxes().size(), 1u);
    EXPECT_EQ(RecordedBoxes()[0].title, "Vantorel - Advertencia");
    EXPECT_TRUE(g_view.start.enabled);
}

// ---- A recovery file that is itself damaged ------------------------------------

// The survey counts the recovery slices on their packets' headers; the
// rebuild checks each slice it uses as it reads it, and one that is not what
// its packet says is set aside and the rebuild starts again without it.
TEST_F(Rebuild, ARecoverySliceWhosePacketIsDamagedIsSetAsideWhileRebuilding) {
    // Two volumes of one slice each, one of them with a changed byte in its
    // data: whichever the rebuild takes first, the output is the original.
    for (const char* damaged : {"datos.bin.vol0.par2", "datos.bin.vol1.par2"}) {
        SCOPED_TRACE(damaged);
        SetUp();
        MakeSet({600, 600, 600}, {{0}, {1}});
        {
            std::lock_guard<std::mutex> lock(g_disk.mutex);
            g_disk.files[damaged]->data[kPar2RecoveryHeaderSize + 10] ^= 1;
        }
        Remove(Part(count, 1));
        std::vector<std::vector<uint8_t>> left = PartsNow();
        StartUp();
        EXPECT_TRUE(Contains(ReportText(), "Bloques de recuperación presentes : 2.\r\n")) << ReportText();
        RunJob();
        EXPECT_EQ(MemoryFileData(kOutput), original);
        EXPECT_EQ(g_view.messages.back(), static_cast<uint32_t>(WM_JOIN_DONE));
        ExpectPartsAsLeft(left);
        TearDown();
    }
}

TEST_F(Rebuild, WithItsOnlySliceDamagedTheRebuildSaysTheCountsAndMakesNothing) {
    MakeSet({600, 600, 600}, {{0}});
    {
        std::lock_guard<std::mutex> lock(g_disk.mutex);
        g_disk.files["datos.bin.vol0.par2"]->data[kPar2RecoveryHeaderSize + 10] ^= 1;
    }
    Remove(Part(count, 2));
    std::vector<std::vector<uint8_t>> left = PartsNow();
    StartUp();
    EXPECT_TRUE(Contains(ReportText(), "Bloques de recuperación presentes : 1.\r\n")) << ReportText();
    RunJob();
    auto boxes = RecordedBoxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().text,
              "No hay suficientes datos de recuperación para reconstruir las partes.\n"
              "Partes que faltan o no son válidas : 1.\nBloques de recuperación presentes : 0.");
    EXPECT_EQ(g_view.messages.back(), static_cast<uint32_t>(WM_JOIN_FAILED));
    EXPECT_FALSE(MemoryFileExists(kOutput));
    ExpectPartsAsLeft(left);
}

// ---- Sets that are not these parts ------------------------------------------------

TEST_F(Rebuild, ASetOfOtherFilesChangesNothing) {
    // The set's names are not the parts': the start-up is today's.
    MakeSet({600, 600, 600}, {{0}});
    PutMemoryFile("datos.bin.par2", MakeRecovery({{1, 2, 3}, {4, 5}}, 4, {}).index);
    PutMemoryFile("datos.bin.vol0.par2", std::vector<uint8_t>());
    Remove(Part(count, 0));
    StartUp();
    std::string report = ReportText();
    EXPECT_TRUE(Contains(report, "No se puede leer un archivo de entrada.\r\nLa concatenación es imposible.\r\n"))
        << report;
    EXPECT_FALSE(Contains(report, "recuperación"));
    EXPECT_EQ(g_join.recovery, nullptr);
}

// ---- Pause and cancel during the rebuild -------------------------------------------

TEST_F(Rebuild, PausedAndResumedDuringTheRebuild) {
    MakeSet({4000, 4000, 4000}, {{0}});
    Remove(Part(count, 1));
    StartUp();
    g_join.bufferSize = 1024;
    g_tickStep = 300;  // every progress goes through the throttle
    int pauses = 0;
    bool pausedRebuilding = false;
    g_view.afterHandler = [&](uint32_t message) {
        if (message == WM_JOIN_PROGRESS && g_join.progressRebuilding && pauses == 0 &&
            GetDialogState() == DialogState::Running && g_join.progressDone > 0) {
            OnStartButton();  // Pausa
        }
        if (message == WM_JOIN_PAUSED) {
            ++pauses;
            pausedRebuilding = g_join.progressRebuilding != 0;
            EXPECT_EQ(g_view.title.find("Pausa") != std::string::npos, true) << g_view.title;
            OnStartButton();  // Continuar
        }
    };
    RunJob();
    EXPECT_EQ(pauses, 1);
    EXPECT_TRUE(pausedRebuilding);
    EXPECT_EQ(MemoryFileData(kOutput), original);
}

TEST_F(Rebuild, CancelledDuringTheRebuildLeavesNothing) {
    MakeSet({4000, 4000, 4000}, {{0}});
    Remove(Part(count, 1));
    std::vector<std::vector<uint8_t>> left = PartsNow();
    StartUp();
    g_join.bufferSize = 1024;
    g_tickStep = 300;
    bool cancelled = false;
    g_view.afterHandler = [&](uint32_t message) {
        if (message == WM_JOIN_PROGRESS && g_join.progressRebuilding && !cancelled && g_join.progressDone > 0) {
            cancelled = true;
            OnCancelButton();
        }
    };
    RunJob();
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(g_view.messages.back(), static_cast<uint32_t>(WM_JOIN_CANCELLED));
    EXPECT_TRUE(Contains(ReportText(), "La concatenación ha sido cancelada.")) << ReportText();
    EXPECT_FALSE(MemoryFileExists(kOutput));
    ExpectPartsAsLeft(left);
    for (uint32_t message : g_view.messages) EXPECT_NE(message, static_cast<uint32_t>(WM_JOIN_REBUILT));
}

// The rebuild's progress line and title, as the report shows them.
TEST_F(Rebuild, TheRebuildShowsItsOwnProgressLine) {
    MakeSet({1000, 1000, 1000}, {{0}});
    Remove(Part(count, 2));
    StartUp();
    std::string title;
    // The end of the rebuild's progress line and the lines after it are one
    // edit of the report.
    int before = -1, after = -1;
    g_view.afterHandler = [&](uint32_t message) {
        if (message == WM_JOIN_PROGRESS && after < 0) before = g_view.replaceRequests;
        if (message == WM_JOIN_REBUILT) {
            title = g_view.title;
            after = g_view.replaceRequests;
        }
    };
    RunJob();
    EXPECT_EQ(after - before, 1);
    EXPECT_TRUE(Contains(ReportText(),
                         "Reconstrucción de la parte \"datos.bin__002\"...\r\n"
                         "Reconstrucción  100%\r\n"
                         "La parte \"datos.bin__002\" ha sido reconstruida.\r\n"
                         "\r\n"
                         "Concatenación de archivos...\r\n"
                         "\"datos.bin__000\""))
        << ReportText();
    EXPECT_EQ(title, "100% - Reconstrucción en curso...");
}

// The lines of a rebuild's stages are written after the handler the worker
// waits for, by the display that follows it, and come out the same.
TEST_F(Rebuild, TheStagesLinesWaitForTheDisplayNotTheWorker) {
    std::string report[2];
    for (int deferred = 0; deferred < 2; ++deferred) {
        if (deferred) {
            TearDown();
            SetUp();
        }
        MakeSet({1000, 1000, 1000}, {{0}});
        Remove(Part(count, 2));
        StartUp();
        g_view.deferProgress = deferred != 0;
        bool toldInHandler = true;
        g_view.afterHandler = [&](uint32_t message) {
            if (message == WM_JOIN_REBUILT) toldInHandler = Contains(ReportText(), "ha sido reconstruida");
        };
        RunJob();
        EXPECT_EQ(toldInHandler, deferred == 0);
        report[deferred] = ReportText();
    }
    EXPECT_EQ(report[1], report[0]);
    EXPECT_TRUE(Contains(report[0], "La parte \"datos.bin__002\" ha sido reconstruida.\r\n")) << report[0];
}

}  // namespace
