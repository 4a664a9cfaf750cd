// GF(2^16) of PAR 2.0: known values, the tables against a bitwise product,
// and every region kernel this processor runs against a word-by-word
// reference on random factors, lengths and unaligned starts.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "recovery/gf16.h"
#include "recovery/gf_kernels.h"
#include "recovery/reed_solomon.h"

namespace {

// Shift and add, reducing by the generator at each step.
uint16_t SlowMultiply(uint16_t a, uint16_t b) {
    uint32_t product = 0;
    uint32_t x = a;
    for (int bit = 0; bit < 16; ++bit) {
        if (b & (1u << bit)) product ^= x;
        x <<= 1;
        if (x & 0x10000) x ^= 0x1100B;
    }
    return static_cast<uint16_t>(product);
}

TEST(Gf16, KnownValues) {
    // 2^16 reduced by the generator; 2 times its inverse is 0x1100A ^ 0x1100B.
    EXPECT_EQ(GfMultiply(0x8000, 2), 0x100B);
    EXPECT_EQ(GfInverse(2), 0x8805);
    EXPECT_EQ(GfMultiply(2, 0x8805), 1);
    EXPECT_EQ(GfDivide(1, 2), 0x8805);
    EXPECT_EQ(GfExp(16), 0x100B);
    EXPECT_EQ(GfLog(0x100B), 16);
    EXPECT_EQ(GfPower(2, 65535), 1);
    EXPECT_EQ(GfPower(0, 0), 1);
    EXPECT_EQ(GfPower(0, 5), 0);
    EXPECT_EQ(GfMultiply(0, 0x1234), 0);
    EXPECT_EQ(GfInverse(0), 0);
    // The first input slice constants the PAR 2.0 format lists.
    const uint16_t first[] = {2, 4, 16, 128, 256, 2048, 8192, 16384, 4107, 32856, 17132};
    for (uint32_t i = 0; i < sizeof first / sizeof first[0]; ++i) {
        EXPECT_EQ(InputSliceConstant(i), first[i]) << "constant " << i;
    }
    EXPECT_EQ(InputSliceConstant(kMaxInputSlices), 0);
}

TEST(Gf16, EveryInputConstantHasTheFullOrder) {
    // 65535 = 3 * 5 * 17 * 257: an element of full order is 1 at no power
    // 65535 / p. The 32768 constants are distinct powers of 2 in order.
    std::vector<bool> seen(65536, false);
    uint32_t lastLog = 0;
    for (uint32_t i = 0; i < kMaxInputSlices; ++i) {
        uint16_t c = InputSliceConstant(i);
        ASSERT_NE(c, 0);
        ASSERT_FALSE(seen[c]) << i;
        seen[c] = true;
        for (uint32_t p : {3u, 5u, 17u, 257u}) ASSERT_NE(GfPower(c, kGfOrder / p), 1) << "constant " << i;
        ASSERT_GT(GfLog(c), lastLog) << i;
        lastLog = GfLog(c);
    }
}

TEST(Gf16, TablesAgreeWithTheBitwiseProduct) {
    // 2 generates the whole group: its powers take every non-zero value once.
    std::vector<bool> seen(65536, false);
    for (uint32_t n = 0; n < kGfOrder; ++n) {
        uint16_t x = GfExp(n);
        ASSERT_FALSE(seen[x]) << n;
        seen[x] = true;
        ASSERT_EQ(GfLog(x), n);
    }
    EXPECT_FALSE(seen[0]);

    std::mt19937 rng(7);
    for (int i = 0; i < 200000; ++i) {
        uint16_t a = static_cast<uint16_t>(rng());
        uint16_t b = static_cast<uint16_t>(rng());
        uint16_t p = GfMultiply(a, b);
        ASSERT_EQ(p, SlowMultiply(a, b)) << a << " * " << b;
        if (b != 0) {
            ASSERT_EQ(GfDivide(p, b), a);
            ASSERT_EQ(GfMultiply(b, GfInverse(b)), 1);
        }
    }
    for (int i = 0; i < 2000; ++i) {
        uint16_t a = static_cast<uint16_t>(rng());
        uint32_t n = rng() % 300;
        uint16_t expected = 1;
        for (uint32_t k = 0; k < n; ++k) expected = SlowMultiply(expected, a);
        ASSERT_EQ(GfPower(a, n), expected) << a << " ^ " << n;
        // Exponents count modulo the group's order.
        if (a != 0) {
            ASSERT_EQ(GfPower(a, n + kGfOrder), expected);
        }
    }
}

// The reference region product, word by word with the bitwise product.
void ReferenceRegion(uint16_t factor, uint8_t* dst, const uint8_t* src, size_t bytes, bool add) {
    for (size_t i = 0; i + 1 < bytes; i += 2) {
        uint16_t p = SlowMultiply(factor, static_cast<uint16_t>(src[i] | src[i + 1] << 8));
        dst[i] = static_cast<uint8_t>((add ? dst[i] : 0) ^ p);
        dst[i + 1] = static_cast<uint8_t>((add ? dst[i + 1] : 0) ^ (p >> 8));
    }
}

TEST(Gf16, EveryKernelMatchesTheReference) {
    // Every kernel the processor has, not only those that passed the
    // self-test at selection: a faulty one would be dropped there unseen.
    const GfKernels* kernels[4];
    const GfKernels* usable[4];
    uint32_t count = GfCpuKernels(kernels, 4);
    ASSERT_GE(count, 1u);
    EXPECT_STREQ(kernels[0]->name, "portable");
    ASSERT_EQ(GfUsableKernels(usable, 4), count);
    for (uint32_t k = 0; k < count; ++k) EXPECT_EQ(usable[k], kernels[k]);
    std::printf("kernels here:");
    for (uint32_t k = 0; k < count; ++k) std::printf(" %s", kernels[k]->name);
    std::printf("\n");

    std::mt19937 rng(11);
    const size_t lengths[] = {0, 2, 6, 30, 32, 34, 62, 64, 66, 94, 126, 130, 1022, 4098, 65538};
    const size_t guard = 8;
    std::vector<uint8_t> src(65538 + 2 * guard + 4), expected(src.size()), actual(src.size());
    for (uint32_t k = 0; k < count; ++k) {
        for (int round = 0; round < 12; ++round) {
            uint16_t factor = round == 0 ? 0 : round == 1 ? 1 : round == 2 ? 0xFFFF : static_cast<uint16_t>(rng());
            GfFactor prepared;
            GfPrepareFactor(factor, &prepared);
            for (size_t length : lengths) {
                size_t srcStart = guard + rng() % 4;
                size_t dstStart = guard + rng() % 4;
                for (auto& b : src) b = static_cast<uint8_t>(rng());
                for (auto& b : expected) b = static_cast<uint8_t>(rng());
                for (int add = 0; add < 2; ++add) {
                    actual = expected;
                    std::vector<uint8_t> reference = expected;
                    ReferenceRegion(factor, reference.data() + dstStart, src.data() + srcStart, length, add != 0);
                    (add ? kernels[k]->multiplyAdd : kernels[k]->multiply)(&prepared, actual.data() + dstStart,
                                                                          src.data() + srcStart, length);
                    // The bytes around the region untouched.
                    ASSERT_EQ(actual, reference) << kernels[k]->name << (add ? " multiply-add" : " multiply")
                                                 << " factor " << factor << " length " << length << " at "
                                                 << srcStart << "/" << dstStart;
                }
            }
        }
    }
    // The same source and destination.
    std::vector<uint8_t> region(1000), reference;
    for (auto& b : region) b = static_cast<uint8_t>(rng());
    for (uint32_t k = 0; k < count; ++k) {
        std::vector<uint8_t> inPlace = region;
        reference = region;
        ReferenceRegion(0x4321, reference.data(), region.data(), region.size(), false);
        GfFactor prepared;
        GfPrepareFactor(0x4321, &prepared);
        kernels[k]->multiply(&prepared, inPlace.data(), inPlace.data(), inPlace.size());
        EXPECT_EQ(inPlace, reference) << kernels[k]->name;
    }
}

TEST(Gf16, TheSwitchForcesThePortableKernels) {
    const GfKernels* kernels[4];
    uint32_t count = GfUsableKernels(kernels, 4);
    EXPECT_FALSE(UseGfSimd(false));
    EXPECT_EQ(GfActiveKernels(), GfPortableKernels());
    EXPECT_EQ(UseGfSimd(true), count > 1);
    EXPECT_EQ(GfActiveKernels(), kernels[count - 1]);

    // The one-factor helpers agree with the reference either way.
    std::vector<uint8_t> src(300), dst(300, 0x5A), reference(300, 0x5A);
    for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<uint8_t>(i * 7 + 3);
    ReferenceRegion(0xBEEF, reference.data(), src.data(), src.size(), true);
    GfRegionMultiplyAdd(0xBEEF, dst.data(), src.data(), src.size());
    EXPECT_EQ(dst, reference);
    UseGfSimd(false);
    ReferenceRegion(0x0102, reference.data(), src.data(), src.size(), false);
    GfRegionMultiply(0x0102, dst.data(), src.data(), src.size());
    EXPECT_EQ(dst, reference);
    UseGfSimd(true);
}

}  // namespace
