// The recovery arithmetic: each region kernel's multiply-add (the hot loop
// of making and of rebuilding recovery slices) on a region that stays in
// the caches and on one that does not, CRC-32, and the encoder over 8 input slices
// of 128 MiB in memory, 1 MiB blocks, with 1 and 2 recovery slices, with
// the kernels chosen at start and forced to the portable ones.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "recovery/crc32.h"
#include "recovery/gf16.h"
#include "recovery/gf_kernels.h"
#include "recovery/reed_solomon.h"

namespace {

const size_t kInputs = 8;
const size_t kSlice = 128u << 20;
const size_t kBlock = 1u << 20;

std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed) {
    std::vector<uint8_t> bytes(size);
    std::mt19937 rng(seed);
    for (size_t i = 0; i + 4 <= size; i += 4) {
        uint32_t x = rng();
        std::memcpy(&bytes[i], &x, 4);
    }
    return bytes;
}

void Kernel(benchmark::State& state, const GfKernels* kernels, size_t bytes) {
    std::vector<uint8_t> src = RandomBytes(bytes, 1);
    std::vector<uint8_t> dst = RandomBytes(bytes, 2);
    GfFactor factor;
    GfPrepareFactor(0x1234, &factor);
    for (auto _ : state) {
        kernels->multiplyAdd(&factor, dst.data(), src.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}

// The slice checksums' CRC-32, computed over every byte of every part.
void Crc(benchmark::State& state) {
    const size_t bytes = 64u << 20;
    std::vector<uint8_t> data = RandomBytes(bytes, 3);
    uint32_t crc = 0;
    for (auto _ : state) {
        crc = Crc32(data.data(), bytes, crc);
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}

const std::vector<std::vector<uint8_t>>& Inputs() {
    static const std::vector<std::vector<uint8_t>> inputs = [] {
        std::vector<std::vector<uint8_t>> v;
        for (size_t i = 0; i < kInputs; ++i) v.push_back(RandomBytes(kSlice, 10 + static_cast<uint32_t>(i)));
        return v;
    }();
    return inputs;
}

// The recovery slices of the inputs, a block of every input at a time, as
// a caller that streams files does (the recovery blocks are written out
// after each round; here they are kept in place).
void Encoder(benchmark::State& state, uint32_t recoveryCount, bool simd) {
    if (UseGfSimd(simd) != simd) {
        state.SkipWithError("no SIMD kernels on this processor");
        return;
    }
    const auto& inputs = Inputs();
    std::vector<uint32_t> exponents(recoveryCount);
    for (uint32_t r = 0; r < recoveryCount; ++r) exponents[r] = r;
    std::vector<std::vector<uint8_t>> recovery(recoveryCount, std::vector<uint8_t>(kBlock));
    std::vector<uint8_t*> blocks;
    for (auto& r : recovery) blocks.push_back(r.data());
    for (auto _ : state) {
        for (size_t offset = 0; offset < kSlice; offset += kBlock) {
            for (auto& r : recovery) std::memset(r.data(), 0, kBlock);
            for (size_t i = 0; i < kInputs; ++i) {
                RsAccumulate(static_cast<uint32_t>(i), inputs[i].data() + offset, kBlock, exponents.data(),
                             recoveryCount, blocks.data());
            }
            benchmark::ClobberMemory();
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kInputs * kSlice));
    UseGfSimd(true);
}

}  // namespace

int main(int argc, char** argv) {
    const GfKernels* kernels[4];
    uint32_t count = GfUsableKernels(kernels, 4);
    for (uint32_t k = 0; k < count; ++k) {
        for (size_t bytes : {size_t(64) << 10, size_t(64) << 20}) {
            std::string name = std::string("Kernel/") + kernels[k]->name + "/" +
                               (bytes < (1u << 20) ? std::to_string(bytes >> 10) + "KiB" : std::to_string(bytes >> 20) + "MiB");
            benchmark::RegisterBenchmark(name.c_str(), Kernel, kernels[k], bytes)->Unit(benchmark::kMicrosecond);
        }
    }
    benchmark::RegisterBenchmark("Crc32/64MiB", Crc)->Unit(benchmark::kMillisecond);
    for (uint32_t r : {1u, 2u}) {
        for (bool simd : {true, false}) {
            std::string name = "Encoder/8x128MiB/R" + std::to_string(r) + (simd ? "/simd" : "/portable");
            benchmark::RegisterBenchmark(name.c_str(), Encoder, r, simd)->Unit(benchmark::kMillisecond)->MinTime(2.0);
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
