// The region kernels in use: the portable ones, or where the processor has
// them SIMD ones (x86: SSSE3 and AVX2 byte shuffles), chosen once by CPUID
// with a self-test against the portable kernels; and the switch that tests
// and benchmarks use to force the portable kernels.
#ifndef SELVANORE_RECOVERY_GF_KERNELS_H
#define SELVANORE_RECOVERY_GF_KERNELS_H

#include <cstdint>

#include "recovery/gf16.h"

struct GfKernels {
    const char* name;  // "portable", "ssse3", "avx2"
    GfRegionFunction multiplyAdd;
    GfRegionFunction multiply;
};

// The portable kernels, on every processor.
const GfKernels* GfPortableKernels();

// Every set of kernels this processor can run, the portable ones first;
// returns how many (at most capacity are written). GfCpuKernels asks CPUID
// only; GfUsableKernels keeps those that also passed the self-test.
uint32_t GfCpuKernels(const GfKernels** list, uint32_t capacity);
uint32_t GfUsableKernels(const GfKernels** list, uint32_t capacity);

// The kernels in use: the fastest usable ones unless forced to the portable.
const GfKernels* GfActiveKernels();

// Forces the portable kernels (false) or returns to the automatic choice
// (true). Returns whether SIMD kernels are now in use.
bool UseGfSimd(bool allow);

// The SIMD kernels; only to be called where the processor has them. They
// exist in x86 builds only (recovery/gf_ssse3.cpp, recovery/gf_avx2.cpp).
void GfMultiplyAddSsse3(const GfFactor* factor, uint8_t* dst, const uint8_t* src, size_t bytes);
void GfMultiplySsse3(const GfFactor* factor, uint8_t* dst, const uint8_t* src, size_t bytes);
void GfMultiplyAddAvx2(const GfFactor* factor, uint8_t* dst, const uint8_t* src, size_t bytes);
void GfMultiplyAvx2(const GfFactor* factor, uint8_t* dst, const uint8_t* src, size_t bytes);

// dst ^= factor * src over bytes (even) with the kernels in use; prepares
// the factor itself (for callers that multiply by a factor only once).
void GfRegionMultiplyAdd(uint16_t factor, uint8_t* dst, const uint8_t* src, size_t bytes);
// dst = factor * src, likewise.
void GfRegionMultiply(uint16_t factor, uint8_t* dst, const uint8_t* src, size_t bytes);

#endif
