// The checksums of a cut: the record's, of the kind asked for, over the
// whole file, and for the checksum list a SHA-256 of each part and of the
// whole file (the record's own when it is SHA-256). Every block is read once
// into one buffer; the list's sums run on a helper thread beside the write
// and the record's sum (all of them only read the buffer), and the block is
// done only once both threads are, so the next read never overwrites bytes
// still being summed. Without a helper the same work is done on the caller's
// thread.
#ifndef SELVANORE_SPLIT_SUMS_H
#define SELVANORE_SPLIT_SUMS_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hash/hash.h"
#include "platform/platform.h"
#include "recovery/par2_packets.h"

struct CutSums {
    CHash* record = nullptr;       // the record's engine (not owned); null for no checksum
    std::unique_ptr<CHash> whole;  // the list's whole-file SHA-256 when the record's is not one
    std::unique_ptr<CHash> part;   // the list's SHA-256 of the part being cut; null: no list
    bool wholeOnHelper = false;    // the helper sums the whole file too (beside a record's sum)
    HelperHandle helper = nullptr;  // null: the helper's share is done on the caller's thread
    // The block handed to the helper.
    const uint8_t* block = nullptr;
    uint32_t length = 0;
    // The MD5 of each part's first 16 KiB, for the recovery data (it orders
    // the parts' slices before they are read back); null: no recovery data.
    std::unique_ptr<CHash> start;
    uint64_t startFill = 0;  // bytes of the part given to start
    std::vector<Par2Hash> partStarts;  // those of the parts ended so far
    std::vector<std::string> partDigests;  // those of the parts ended so far
    std::string wholeDigest;               // the whole file's, once FinishSums gave it

    CutSums() = default;
    CutSums(const CutSums&) = delete;
    CutSums& operator=(const CutSums&) = delete;
    // The helper is idle between blocks: it is ended here on every way out.
    ~CutSums();
};

// Prepares the sums of a cut: record, the record's engine (Reset) of the
// checksum kind, or null for CHECKSUM_NONE; list, whether the list's sums
// are wanted. The helper is started only for
// the list's sums; a helper that cannot be had is no failure. Returns 0 when
// an engine's memory cannot be had.
// recovery: whether the recovery data's first 16 KiB MD5s are wanted.
int PrepareSums(CHash* record, uint32_t kind, bool list, bool recovery, CutSums* sums);

// The block's sums: BeginBlock hands the list's share to the helper, which
// starts at once; EndBlock does the caller's share and waits for the
// helper's. Between the two the caller may only read the block (write it),
// and every BeginBlock is followed by its EndBlock, on a failure too.
void BeginBlock(CutSums* sums, const uint8_t* block, size_t length);
void EndBlock(CutSums* sums);

// The part's last block was summed: its digest is kept, the next part's
// sum begins.
void EndPart(CutSums* sums);

// Every block was summed: the whole file's SHA-256 for the list, from the
// list's own engine, or from the record's, finished by the caller, when it
// is SHA-256 (recordDigest).
void FinishSums(CutSums* sums, const char* recordDigest);

#endif
