#include "recovery/reed_solomon.h"

#include <algorithm>

#include "recovery/gf16.h"
#include "recovery/gf_kernels.h"

namespace {

// How many choices of recovery slices RsPrepareDecoder tries before it
// calls a system singular.
const uint32_t kMaxChoices = 1000;

const uint16_t* Constants() {
    static const std::vector<uint16_t> constants = [] {
        std::vector<uint16_t> c;
        c.reserve(kMaxInputSlices);
        for (uint32_t n = 1; c.size() < kMaxInputSlices; ++n) {
            if (n % 3 != 0 && n % 5 != 0 && n % 17 != 0 && n % 257 != 0) c.push_back(GfExp(n));
        }
        return c;
    }();
    return constants.data();
}

// The matrix of the system for the chosen exponents.
void FillMatrix(const std::vector<uint32_t>& missing, const std::vector<uint32_t>& exponents,
                std::vector<uint16_t>* matrix) {
    size_t n = missing.size();
    matrix->assign(n * n, 0);
    for (size_t j = 0; j < n; ++j) {
        for (size_t k = 0; k < n; ++k) {
            (*matrix)[j * n + k] = GfPower(InputSliceConstant(missing[k]), exponents[j]);
        }
    }
}

// The next choice of n positions out of available, in lexicographic order.
bool NextChoice(std::vector<size_t>* choice, size_t available) {
    size_t n = choice->size();
    for (size_t i = n; i-- > 0;) {
        if ((*choice)[i] < available - n + i) {
            ++(*choice)[i];
            for (size_t k = i + 1; k < n; ++k) (*choice)[k] = (*choice)[k - 1] + 1;
            return true;
        }
    }
    return false;
}

}  // namespace

uint16_t InputSliceConstant(uint32_t index) {
    return index < kMaxInputSlices ? Constants()[index] : 0;
}

void RsAccumulate(uint32_t input, const uint8_t* block, size_t bytes, const uint32_t* exponents,
                  uint32_t count, uint8_t* const* recovery) {
    const GfKernels* kernels = GfActiveKernels();
    uint16_t constant = InputSliceConstant(input);
    size_t even = bytes & ~static_cast<size_t>(1);
    GfFactor factor;
    for (uint32_t r = 0; r < count; ++r) {
        GfPrepareFactor(GfPower(constant, exponents[r]), &factor);
        kernels->multiplyAdd(&factor, recovery[r], block, even);
        if (even != bytes) {
            uint16_t product = factor.lowByte[block[even]];
            recovery[r][even] = static_cast<uint8_t>(recovery[r][even] ^ product);
            recovery[r][even + 1] = static_cast<uint8_t>(recovery[r][even + 1] ^ (product >> 8));
        }
    }
}

int GfInvertMatrix(uint16_t* matrix, uint32_t n) {
    std::vector<uint16_t> inverse(static_cast<size_t>(n) * n, 0);
    for (uint32_t i = 0; i < n; ++i) inverse[static_cast<size_t>(i) * n + i] = 1;
    for (uint32_t col = 0; col < n; ++col) {
        uint32_t pivot = col;
        while (pivot < n && matrix[static_cast<size_t>(pivot) * n + col] == 0) ++pivot;
        if (pivot == n) return 0;
        if (pivot != col) {
            for (uint32_t k = 0; k < n; ++k) {
                std::swap(matrix[static_cast<size_t>(pivot) * n + k], matrix[static_cast<size_t>(col) * n + k]);
                std::swap(inverse[static_cast<size_t>(pivot) * n + k], inverse[static_cast<size_t>(col) * n + k]);
            }
        }
        uint16_t* row = matrix + static_cast<size_t>(col) * n;
        uint16_t* invRow = inverse.data() + static_cast<size_t>(col) * n;
        uint16_t scale = GfInverse(row[col]);
        for (uint32_t k = 0; k < n; ++k) {
            row[k] = GfMultiply(row[k], scale);
            invRow[k] = GfMultiply(invRow[k], scale);
        }
        for (uint32_t r = 0; r < n; ++r) {
            uint16_t* other = matrix + static_cast<size_t>(r) * n;
            uint16_t f = other[col];
            if (r == col || f == 0) continue;
            uint16_t* otherInv = inverse.data() + static_cast<size_t>(r) * n;
            for (uint32_t k = 0; k < n; ++k) {
                other[k] ^= GfMultiply(f, row[k]);
                otherInv[k] ^= GfMultiply(f, invRow[k]);
            }
        }
    }
    std::copy(inverse.begin(), inverse.end(), matrix);
    return 1;
}

int RsPrepareDecoder(uint32_t inputCount, const std::vector<uint32_t>& missing,
                     const std::vector<uint32_t>& available, RsDecoder* decoder,
                     RsProblem* problem) {
    *problem = RsProblem::BadInput;
    if (inputCount > kMaxInputSlices) return 0;
    for (size_t k = 0; k < missing.size(); ++k) {
        if (missing[k] >= inputCount || (k > 0 && missing[k] <= missing[k - 1])) return 0;
    }
    size_t n = missing.size();
    *problem = RsProblem::TooFew;
    if (available.size() < n) return 0;

    std::vector<size_t> choice(n);
    for (size_t k = 0; k < n; ++k) choice[k] = k;
    std::vector<uint32_t> exponents(n);
    std::vector<uint16_t> matrix;
    for (uint32_t tries = 0; tries < kMaxChoices; ++tries) {
        for (size_t k = 0; k < n; ++k) exponents[k] = available[choice[k]];
        FillMatrix(missing, exponents, &matrix);
        if (GfInvertMatrix(matrix.data(), static_cast<uint32_t>(n))) {
            decoder->missing = missing;
            decoder->exponents = exponents;
            decoder->inverse = matrix;
            *problem = RsProblem::None;
            return 1;
        }
        if (!NextChoice(&choice, available.size())) break;
    }
    *problem = RsProblem::Singular;
    return 0;
}

void RsDecodeAdd(const RsDecoder& decoder, uint32_t input, const uint8_t* block, size_t bytes,
                 uint8_t* const* accumulators) {
    RsAccumulate(input, block, bytes, decoder.exponents.data(),
                 static_cast<uint32_t>(decoder.exponents.size()), accumulators);
}

void RsDecodeSolve(const RsDecoder& decoder, uint8_t* const* accumulators, size_t bytes,
                   uint8_t* const* outputs) {
    const GfKernels* kernels = GfActiveKernels();
    size_t n = decoder.missing.size();
    GfFactor factor;
    for (size_t k = 0; k < n; ++k) {
        for (size_t j = 0; j < n; ++j) {
            GfPrepareFactor(decoder.inverse[k * n + j], &factor);
            (j == 0 ? kernels->multiply : kernels->multiplyAdd)(&factor, outputs[k], accumulators[j], bytes);
        }
    }
}
