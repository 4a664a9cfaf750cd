// The Reed-Solomon code of PAR 2.0 over GF(2^16).
//
// Input slice i (counted from 0 in the order of the main packet's file IDs,
// then slice order within each file) has the constant c(i) = 2^n(i), n(i)
// the i-th exponent n = 1, 2, ... not divisible by 3, 5, 17 or 257. The
// recovery slice of exponent e is, word by word, the sum over the input
// slices of c(i)^e times the input slice's word; an input slice shorter
// than the slice size counts as padded with zeros.
//
// Everything works a block at a time on the caller's buffers: the same
// byte range of every slice involved, so that files of any size stream
// through a few blocks of memory.
#ifndef SELVANORE_RECOVERY_REED_SOLOMON_H
#define SELVANORE_RECOVERY_REED_SOLOMON_H

#include <cstddef>
#include <cstdint>
#include <vector>

// The format's limit: there are 32768 constants of order 65535.
const uint32_t kMaxInputSlices = 32768;

// c(index) for index < kMaxInputSlices (0 beyond).
uint16_t InputSliceConstant(uint32_t index);

// Adds one block of input slice input to the same block of each of count
// recovery slices: recovery[r] ^= c(input)^exponents[r] * block, over bytes
// bytes. The recovery blocks start zeroed, and the input slices' blocks are
// added in any order; bytes may be less than the recovery blocks' length
// (an input slice that ends inside the block: the rest counts as zeros).
// An odd bytes counts as followed by one zero byte: the recovery blocks
// then hold at least bytes + 1 bytes.
void RsAccumulate(uint32_t input, const uint8_t* block, size_t bytes, const uint32_t* exponents,
                  uint32_t count, uint8_t* const* recovery);

// A prepared rebuild of the missing input slices from as many recovery
// slices: the inverse of the matrix c(missing[k])^exponents[j].
struct RsDecoder {
    std::vector<uint32_t> missing;    // input slices rebuilt, ascending
    std::vector<uint32_t> exponents;  // recovery slices used, in the accumulators' order
    std::vector<uint16_t> inverse;    // row k (missing[k]) by column j (exponents[j])
};

enum class RsProblem {
    None,
    BadInput,  // an input index out of range, repeated or not ascending
    TooFew,    // fewer recovery slices than missing input slices
    Singular,  // no choice of the recovery slices gives a system that can be solved
};

// Prepares the rebuild of the missing input slices (ascending indices below
// inputCount) from recovery slices with the available exponents. Uses the
// first missing.size() exponents whose matrix can be inverted (trying other
// choices when the first is singular). Returns 0 with the problem.
int RsPrepareDecoder(uint32_t inputCount, const std::vector<uint32_t>& missing,
                     const std::vector<uint32_t>& available, RsDecoder* decoder,
                     RsProblem* problem);

// The rebuild of one block: accumulator j starts as the block of the
// recovery slice decoder.exponents[j]; every present input slice's block is
// added with RsDecodeAdd (any order; shorter blocks as in RsAccumulate);
// then RsDecodeSolve writes missing slice k's block to outputs[k]. bytes
// is the blocks' length (even); the accumulators are left as they are.
void RsDecodeAdd(const RsDecoder& decoder, uint32_t input, const uint8_t* block, size_t bytes,
                 uint8_t* const* accumulators);
void RsDecodeSolve(const RsDecoder& decoder, uint8_t* const* accumulators, size_t bytes,
                   uint8_t* const* outputs);

// Inverts the n by n matrix (row-major) in place by Gauss-Jordan
// elimination. Returns 0, leaving it undefined, when it is singular.
int GfInvertMatrix(uint16_t* matrix, uint32_t n);

#endif
