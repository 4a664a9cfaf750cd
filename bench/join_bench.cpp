// The join of a 1 GiB set in 8 parts, without a checksum and with each kind,
// beside `cat parts > out`, `cat parts > out; openssl dgst out` and the
// checksum alone (`openssl dgst` of a joined copy in the page cache) on the
// same files in the same run. The set lives in BENCH_DIR (default: the
// system's temporary directory); page cache decides most of what is measured,
// so each run starts with one untimed pass over the parts.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "hash/hash.h"
#include "join/completion.h"
#include "join/join_state.h"
#include "join/survey.h"
#include "join/timeline.h"
#include "join/worker.h"
#include "platform/platform.h"

extern uint32_t g_benchLastMessage;

namespace fs = std::filesystem;

namespace {

const uint32_t kParts = 8;
const uint64_t kPartSize = 128ull << 20;

fs::path Dir() {
    const char* dir = std::getenv("BENCH_DIR");
    return fs::path(dir != nullptr ? dir : fs::temp_directory_path().string()) / "selvanore-join-bench";
}

std::string PartPath(uint32_t i) {
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, "__%03u", i);
    return (Dir() / ("set.bin" + std::string(suffix))).string();
}

std::string OutputPath() { return (Dir() / "set.bin").string(); }

void MakeSet() {
    static bool made = false;
    if (made) return;
    fs::create_directories(Dir());
    std::mt19937_64 rng(42);
    std::vector<uint64_t> block(1 << 17);
    for (uint32_t i = 0; i < kParts; ++i) {
        if (fs::exists(PartPath(i)) && fs::file_size(PartPath(i)) == kPartSize) continue;
        std::ofstream out(PartPath(i), std::ios::binary | std::ios::trunc);
        for (uint64_t done = 0; done < kPartSize; done += block.size() * 8) {
            for (auto& word : block) word = rng();
            out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size() * 8));
        }
    }
    std::string warm = "cat";
    for (uint32_t i = 0; i < kParts; ++i) warm += " '" + PartPath(i) + "'";
    warm += " > /dev/null";
    if (std::system(warm.c_str()) != 0) std::fprintf(stderr, "cannot read the set\n");
    made = true;
}

void Join(benchmark::State& state, uint32_t kind) {
    MakeSet();
    std::string output = OutputPath();
    g_join = JoinState{};
    g_join.outputName = output.c_str();
    g_join.partCount = kParts;
    g_join.inputTotal = kParts * kPartSize;
    // The program's buffer size; BENCH_BUFFER_KIB tries another.
    const char* kib = std::getenv("BENCH_BUFFER_KIB");
    g_join.bufferSize = kib != nullptr ? static_cast<uint32_t>(std::atoi(kib)) << 10 : kLargestBuffer;
    g_join.transferBuffer = static_cast<uint8_t*>(AllocateFixed(g_join.bufferSize));
    g_join.engine = kind != 0 ? CreateHashEngine(kind) : nullptr;
    // As the program's start-up: a second buffer with a checksum.
    if (kind != 0) g_join.spareBuffer = static_cast<uint8_t*>(AllocateFixed(g_join.bufferSize));
    // Part names are relative to the output name.
    for (auto _ : state) {
        TimelineReset();
        JoinWorker(nullptr);
        if (g_benchLastMessage != WM_JOIN_DONE) state.SkipWithError("the join failed");
        // The joined file takes the output's name, as the dialog does it.
        fs::remove(output);
        PublishOutput(nullptr);
        ReleaseOutput();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kParts * kPartSize));
    // Where the last join's time went (BENCH_TIMELINE=1 prints it).
    if (std::getenv("BENCH_TIMELINE") != nullptr) {
        static char summary[8192];
        TimelineSummary(summary, sizeof summary);
        std::fprintf(stderr, "%s, the last join's %s", kind == 0 ? "no checksum" : FindChecksumKind(kind)->display, summary);
    }
    ReleaseJob();
    g_join = JoinState{};
    fs::remove(output);
}

void Shell(benchmark::State& state, const char* digest) {
    MakeSet();
    std::string command = "cat";
    for (uint32_t i = 0; i < kParts; ++i) command += " '" + PartPath(i) + "'";
    command += " > '" + OutputPath() + "'";
    if (digest != nullptr) command += std::string(" && openssl dgst -") + digest + " '" + OutputPath() + "' > /dev/null";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) state.SkipWithError("the command failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kParts * kPartSize));
    fs::remove(OutputPath());
}

// The floor of a join with a checksum: the checksum alone, one stream on one
// core, over a joined copy of the set that is already in the page cache.
void Digest(benchmark::State& state, const char* digest) {
    MakeSet();
    std::string copy = (Dir() / "joined.bin").string();
    std::string make = "cat";
    for (uint32_t i = 0; i < kParts; ++i) make += " '" + PartPath(i) + "'";
    make += " > '" + copy + "'";
    if (std::system(make.c_str()) != 0) state.SkipWithError("cannot make the joined copy");
    std::string command = std::string("openssl dgst -") + digest + " '" + copy + "' > /dev/null";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) state.SkipWithError("the command failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kParts * kPartSize));
    fs::remove(copy);
}

#define JOIN_BENCH(name, ...) \
    BENCHMARK_CAPTURE(name, __VA_ARGS__)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2)

JOIN_BENCH(Join, none, 0);
JOIN_BENCH(Shell, cat, nullptr);
JOIN_BENCH(Join, md5, CHECKSUM_MD5);
JOIN_BENCH(Shell, cat_md5, "md5");
JOIN_BENCH(Digest, md5_alone, "md5");
JOIN_BENCH(Join, sha1, CHECKSUM_SHA1);
JOIN_BENCH(Shell, cat_sha1, "sha1");
JOIN_BENCH(Digest, sha1_alone, "sha1");
JOIN_BENCH(Join, sha224, CHECKSUM_SHA224);
JOIN_BENCH(Shell, cat_sha224, "sha224");
JOIN_BENCH(Digest, sha224_alone, "sha224");
JOIN_BENCH(Join, sha256, CHECKSUM_SHA256);
JOIN_BENCH(Shell, cat_sha256, "sha256");
JOIN_BENCH(Digest, sha256_alone, "sha256");

}  // namespace

BENCHMARK_MAIN();
