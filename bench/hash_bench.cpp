// Throughput of each checksum engine on a 32 MiB buffer, beside OpenSSL's
// EVP digest of the same buffer in the same run.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <vector>

#include "hash/accel.h"
#include "hash/hash.h"

namespace {

const size_t kBufferSize = 32u << 20;

const std::vector<uint8_t>& Buffer() {
    static const std::vector<uint8_t> buffer = [] {
        std::vector<uint8_t> b(kBufferSize);
        std::mt19937 rng(1);
        for (auto& byte : b) byte = static_cast<uint8_t>(rng());
        return b;
    }();
    return buffer;
}

// Our engine with the block functions chosen at start (the SHA extensions
// where the processor has them) or forced to the portable ones.
void Engine(benchmark::State& state, uint32_t kind, bool hardware) {
    if (UseShaExtensions(hardware) != hardware) {
        state.SkipWithError("this processor has no SHA extensions");
        return;
    }
    const std::vector<uint8_t>& buffer = Buffer();
    std::unique_ptr<CHash> engine(CreateHashEngine(kind));
    char text[65];
    for (auto _ : state) {
        engine->Reset();
        engine->Update(buffer.data(), static_cast<uint32_t>(buffer.size()));
        engine->Finish();
        engine->GetDigestText(text);
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBufferSize);
    UseShaExtensions(true);
}

// A command-line digest of the same 32 MiB, read from a page-cached file:
// the time includes starting the command (a few milliseconds).
void Command(benchmark::State& state, const char* command) {
    static const std::string path = [] {
        std::string p = (std::filesystem::temp_directory_path() / "selvanore-hash-bench.bin").string();
        FILE* f = std::fopen(p.c_str(), "wb");
        std::fwrite(Buffer().data(), 1, Buffer().size(), f);
        std::fclose(f);
        return p;
    }();
    std::string line = std::string(command) + " '" + path + "' > /dev/null";
    for (auto _ : state) {
        if (std::system(line.c_str()) != 0) state.SkipWithError("the command failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBufferSize);
}

void Openssl(benchmark::State& state, const EVP_MD* (*md)()) {
    const std::vector<uint8_t>& buffer = Buffer();
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    for (auto _ : state) {
        EVP_DigestInit_ex(ctx, md(), nullptr);
        EVP_DigestUpdate(ctx, buffer.data(), buffer.size());
        EVP_DigestFinal_ex(ctx, digest, &size);
        benchmark::DoNotOptimize(digest);
    }
    EVP_MD_CTX_free(ctx);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBufferSize);
}

// MD5 of eight messages side by side, as the recovery data's pass hashes
// eight parts: 256 KiB of each per call, all eight in the caches.
void SideBySide(benchmark::State& state, Md5LanesLimit limit) {
    const bool lanes = limit != Md5LanesLimit::None;
    if (UseMd5Lanes(limit) != lanes) {
        state.SkipWithError("this processor has no side-by-side MD5");
        return;
    }
    const size_t kBlock = 256u << 10;
    const uint8_t* base = Buffer().data();
    uint32_t states[kMd5Lanes][4] = {};
    uint32_t* statePointers[kMd5Lanes];
    const uint8_t* data[kMd5Lanes];
    for (uint32_t i = 0; i < kMd5Lanes; ++i) {
        statePointers[i] = states[i];
        data[i] = base + i * kBlock;
    }
    for (auto _ : state) {
        if (lanes) {
            Md5Lanes()(statePointers, data, static_cast<uint32_t>(kBlock));
        } else {
            for (uint32_t i = 0; i < kMd5Lanes; ++i) Md5BlocksPortable(states[i], data[i], kBlock);
        }
        benchmark::DoNotOptimize(states);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kMd5Lanes * kBlock);
    UseMd5Lanes(Md5LanesLimit::Widest);
}

#define HASH_BENCH(...) BENCHMARK_CAPTURE(__VA_ARGS__)->Unit(benchmark::kMillisecond)->UseRealTime()

HASH_BENCH(Engine, md5, CHECKSUM_MD5, true);
HASH_BENCH(Openssl, md5, EVP_md5);
HASH_BENCH(SideBySide, md5_lanes, Md5LanesLimit::Widest);
HASH_BENCH(SideBySide, md5_lanes_avx2, Md5LanesLimit::Avx2);
HASH_BENCH(SideBySide, md5_one_by_one, Md5LanesLimit::None);
HASH_BENCH(Engine, sha1, CHECKSUM_SHA1, true);
HASH_BENCH(Engine, sha1_portable, CHECKSUM_SHA1, false);
HASH_BENCH(Openssl, sha1, EVP_sha1);
HASH_BENCH(Engine, sha224, CHECKSUM_SHA224, true);
HASH_BENCH(Openssl, sha224, EVP_sha224);
HASH_BENCH(Engine, sha256, CHECKSUM_SHA256, true);
HASH_BENCH(Engine, sha256_portable, CHECKSUM_SHA256, false);
HASH_BENCH(Openssl, sha256, EVP_sha256);
HASH_BENCH(Command, sha256sum, "sha256sum");

}  // namespace

BENCHMARK_MAIN();
