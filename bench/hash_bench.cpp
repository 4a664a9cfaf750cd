// Throughput of each checksum engine on a 32 MiB buffer, beside OpenSSL's
// EVP digest of the same buffer in the same run.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstdint>
#include <memory>
#include <random>
#include <vector>

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

void Engine(benchmark::State& state, uint32_t kind) {
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

BENCHMARK_CAPTURE(Engine, md5, CHECKSUM_MD5)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Openssl, md5, EVP_md5)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Engine, sha1, CHECKSUM_SHA1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Openssl, sha1, EVP_sha1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Engine, sha224, CHECKSUM_SHA224)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Openssl, sha224, EVP_sha224)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Engine, sha256, CHECKSUM_SHA256)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Openssl, sha256, EVP_sha256)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
