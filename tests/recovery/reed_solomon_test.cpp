// The Reed-Solomon code of PAR 2.0: recovery slices as the format defines
// them, streamed in blocks; every choice of up to R missing slices rebuilt;
// systems that cannot be solved reported.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "recovery/gf16.h"
#include "recovery/gf_kernels.h"
#include "recovery/reed_solomon.h"

namespace {

using Slices = std::vector<std::vector<uint8_t>>;

uint16_t Word(const std::vector<uint8_t>& slice, size_t w) {
    size_t i = 2 * w;
    return static_cast<uint16_t>((i < slice.size() ? slice[i] : 0) | (i + 1 < slice.size() ? slice[i + 1] : 0) << 8);
}

// The definition, word by word: sum over i of c(i)^e * word.
std::vector<uint8_t> DefinedRecovery(const Slices& inputs, size_t sliceSize, uint32_t exponent) {
    std::vector<uint8_t> out(sliceSize);
    for (size_t w = 0; w < sliceSize / 2; ++w) {
        uint16_t sum = 0;
        for (size_t i = 0; i < inputs.size(); ++i) {
            sum ^= GfMultiply(GfPower(InputSliceConstant(static_cast<uint32_t>(i)), exponent), Word(inputs[i], w));
        }
        out[2 * w] = static_cast<uint8_t>(sum);
        out[2 * w + 1] = static_cast<uint8_t>(sum >> 8);
    }
    return out;
}

// The recovery slices made block by block, the inputs as given (a shorter
// one counts as padded with zeros).
Slices Encode(const Slices& inputs, size_t sliceSize, const std::vector<uint32_t>& exponents, size_t block) {
    Slices recovery(exponents.size(), std::vector<uint8_t>(sliceSize, 0));
    for (size_t offset = 0; offset < sliceSize; offset += block) {
        std::vector<uint8_t*> blocks;
        for (auto& r : recovery) blocks.push_back(r.data() + offset);
        for (size_t i = 0; i < inputs.size(); ++i) {
            size_t have = inputs[i].size() > offset ? std::min(block, inputs[i].size() - offset) : 0;
            RsAccumulate(static_cast<uint32_t>(i), inputs[i].data() + offset, have, exponents.data(),
                         static_cast<uint32_t>(exponents.size()), blocks.data());
        }
    }
    return recovery;
}

Slices RandomSlices(std::mt19937* rng, size_t count, size_t size) {
    Slices slices(count, std::vector<uint8_t>(size));
    for (auto& s : slices) {
        for (auto& b : s) b = static_cast<uint8_t>((*rng)());
    }
    return slices;
}

TEST(ReedSolomon, RecoverySlicesAreTheFormatsSums) {
    std::mt19937 rng(3);
    const size_t sliceSize = 200;
    Slices inputs = RandomSlices(&rng, 7, sliceSize);
    inputs[6].resize(117);  // the last file ends inside its slice, at an odd byte
    const std::vector<uint32_t> exponents = {0, 1, 2, 7, 65535, 40000};
    for (int simd = 0; simd < 2; ++simd) {
        UseGfSimd(simd != 0);
        for (size_t block : {size_t(200), size_t(64), size_t(36)}) {
            Slices recovery = Encode(inputs, sliceSize, exponents, block);
            for (size_t r = 0; r < exponents.size(); ++r) {
                EXPECT_EQ(recovery[r], DefinedRecovery(inputs, sliceSize, exponents[r]))
                    << "exponent " << exponents[r] << " block " << block << " simd " << simd;
            }
        }
    }
    UseGfSimd(true);
}

// Every combination of k of n.
void Combinations(size_t n, size_t k, std::vector<uint32_t>* current, size_t from,
                  std::vector<std::vector<uint32_t>>* out) {
    if (current->size() == k) {
        out->push_back(*current);
        return;
    }
    for (size_t i = from; i < n; ++i) {
        current->push_back(static_cast<uint32_t>(i));
        Combinations(n, k, current, i + 1, out);
        current->pop_back();
    }
}

// Rebuilds the missing slices block by block from the rest and the
// recovery slices.
Slices Decode(const RsDecoder& decoder, const Slices& inputs, const std::vector<uint32_t>& allExponents,
              const Slices& recovery, size_t sliceSize, size_t block) {
    size_t m = decoder.missing.size();
    Slices out(m, std::vector<uint8_t>(sliceSize));
    for (size_t offset = 0; offset < sliceSize; offset += block) {
        size_t n = std::min(block, sliceSize - offset);
        Slices acc(m);
        std::vector<uint8_t*> accPtr, outPtr;
        for (size_t j = 0; j < m; ++j) {
            size_t r = std::find(allExponents.begin(), allExponents.end(), decoder.exponents[j]) - allExponents.begin();
            acc[j].assign(recovery[r].begin() + offset, recovery[r].begin() + offset + n);
            accPtr.push_back(acc[j].data());
            outPtr.push_back(out[j].data() + offset);
        }
        for (uint32_t i = 0; i < inputs.size(); ++i) {
            if (std::find(decoder.missing.begin(), decoder.missing.end(), i) != decoder.missing.end()) continue;
            size_t have = inputs[i].size() > offset ? std::min(n, inputs[i].size() - offset) : 0;
            RsDecodeAdd(decoder, i, inputs[i].data() + offset, have, accPtr.data());
        }
        RsDecodeSolve(decoder, accPtr.data(), n, outPtr.data());
    }
    return out;
}

TEST(ReedSolomon, EveryChoiceOfUpToRMissingIsRebuilt) {
    std::mt19937 rng(5);
    const size_t sliceSize = 96, n = 6;
    Slices inputs = RandomSlices(&rng, n, sliceSize);
    inputs[5].resize(50);
    const std::vector<uint32_t> exponents = {0, 1, 2, 3};
    Slices recovery = Encode(inputs, sliceSize, exponents, 32);
    int cases = 0;
    for (size_t k = 1; k <= exponents.size(); ++k) {
        std::vector<std::vector<uint32_t>> missingSets, exponentSets;
        std::vector<uint32_t> scratch;
        Combinations(n, k, &scratch, 0, &missingSets);
        Combinations(exponents.size(), k, &scratch, 0, &exponentSets);
        for (const auto& missing : missingSets) {
            for (const auto& chosen : exponentSets) {
                std::vector<uint32_t> available;
                for (uint32_t c : chosen) available.push_back(exponents[c]);
                RsDecoder decoder;
                RsProblem problem;
                ASSERT_TRUE(RsPrepareDecoder(n, missing, available, &decoder, &problem));
                EXPECT_EQ(problem, RsProblem::None);
                EXPECT_EQ(decoder.exponents, available);
                Slices rebuilt = Decode(decoder, inputs, exponents, recovery, sliceSize, 40);
                for (size_t j = 0; j < k; ++j) {
                    std::vector<uint8_t> expected = inputs[missing[j]];
                    expected.resize(sliceSize, 0);
                    ASSERT_EQ(rebuilt[j], expected) << "slice " << missing[j] << " of " << k << " missing";
                }
                ++cases;
            }
        }
    }
    EXPECT_EQ(cases, 6 * 4 + 15 * 6 + 20 * 4 + 15 * 1);
}

TEST(ReedSolomon, SystemsThatCannotBeSolvedAreReported) {
    RsDecoder decoder;
    RsProblem problem;
    // Exponents 0 and 65535 give the same row (c^65535 = 1 for every c).
    EXPECT_FALSE(RsPrepareDecoder(5, {1, 3}, {0, 65535}, &decoder, &problem));
    EXPECT_EQ(problem, RsProblem::Singular);
    // With a third recovery slice another choice is solvable, and used.
    ASSERT_TRUE(RsPrepareDecoder(5, {1, 3}, {0, 65535, 1}, &decoder, &problem));
    EXPECT_EQ(decoder.exponents, (std::vector<uint32_t>{0, 1}));

    EXPECT_FALSE(RsPrepareDecoder(5, {1, 3, 4}, {0, 1}, &decoder, &problem));
    EXPECT_EQ(problem, RsProblem::TooFew);
    EXPECT_FALSE(RsPrepareDecoder(5, {3, 1}, {0, 1}, &decoder, &problem));
    EXPECT_EQ(problem, RsProblem::BadInput);
    EXPECT_FALSE(RsPrepareDecoder(5, {1, 5}, {0, 1}, &decoder, &problem));
    EXPECT_EQ(problem, RsProblem::BadInput);
    EXPECT_FALSE(RsPrepareDecoder(kMaxInputSlices + 1, {1}, {0}, &decoder, &problem));
    EXPECT_EQ(problem, RsProblem::BadInput);
    // Nothing missing: nothing to solve.
    ASSERT_TRUE(RsPrepareDecoder(5, {}, {}, &decoder, &problem));
    EXPECT_TRUE(decoder.missing.empty());

    uint16_t singular[4] = {3, 6, GfMultiply(3, 9), GfMultiply(6, 9)};  // row 2 = 9 * row 1
    EXPECT_FALSE(GfInvertMatrix(singular, 2));
}

TEST(ReedSolomon, InverseTimesMatrixIsTheIdentity) {
    std::mt19937 rng(9);
    for (uint32_t n : {1u, 2u, 5u, 12u}) {
        std::vector<uint16_t> matrix(n * n);
        for (auto& x : matrix) x = static_cast<uint16_t>(rng());
        std::vector<uint16_t> inverse = matrix;
        ASSERT_TRUE(GfInvertMatrix(inverse.data(), n));
        for (uint32_t r = 0; r < n; ++r) {
            for (uint32_t c = 0; c < n; ++c) {
                uint16_t sum = 0;
                for (uint32_t k = 0; k < n; ++k) sum ^= GfMultiply(inverse[r * n + k], matrix[k * n + c]);
                EXPECT_EQ(sum, r == c ? 1 : 0) << n << ": " << r << "," << c;
            }
        }
    }
}

}  // namespace
