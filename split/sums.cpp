#include "split/sums.h"

#include <algorithm>

namespace {

// The list's share of a block: the part's sum, and the whole file's when a
// record's sum keeps the caller's thread busy already.
void SumListShare(void* parameter) {
    CutSums* sums = static_cast<CutSums*>(parameter);
    sums->part->Update(sums->block, sums->length);
    if (sums->wholeOnHelper) sums->whole->Update(sums->block, sums->length);
}

std::string DigestOf(const CHash& engine) {
    char text[kLongestDigestText + 1];
    engine.GetDigestText(text);
    return text;
}

}  // namespace

CutSums::~CutSums() {
    if (helper != nullptr) CloseHelperThread(helper);
}

int PrepareSums(CHash* record, uint32_t kind, bool list, bool recovery, CutSums* sums) {
    sums->record = record;
    if (recovery) {
        sums->start.reset(CreateHashEngine(CHECKSUM_MD5));
        if (!sums->start) return 0;
        sums->start->Reset();
        sums->startFill = 0;
    }
    if (!list) return 1;
    sums->part.reset(CreateHashEngine(CHECKSUM_SHA256));
    if (!sums->part) return 0;
    sums->part->Reset();
    if (kind != CHECKSUM_SHA256) {
        sums->whole.reset(CreateHashEngine(CHECKSUM_SHA256));
        if (!sums->whole) return 0;
        sums->whole->Reset();
        // Two sums of every byte are better on two threads: the record's on
        // the caller's, the list's both on the helper.
        sums->wholeOnHelper = record != nullptr;
    }
    sums->helper = CreateHelperThread();
    return 1;
}

void BeginBlock(CutSums* sums, const uint8_t* block, size_t length) {
    sums->block = block;
    sums->length = static_cast<uint32_t>(length);
    if (sums->part && sums->helper != nullptr) StartHelperTask(sums->helper, SumListShare, sums);
}

void EndBlock(CutSums* sums) {
    if (sums->start && sums->startFill < kPar2FirstBytes) {
        uint64_t take = std::min<uint64_t>(sums->length, kPar2FirstBytes - sums->startFill);
        sums->start->Update(sums->block, static_cast<uint32_t>(take));
        sums->startFill += take;
    }
    if (sums->record != nullptr) sums->record->Update(sums->block, sums->length);
    if (sums->whole && !sums->wholeOnHelper) sums->whole->Update(sums->block, sums->length);
    if (sums->part) {
        if (sums->helper != nullptr) {
            AwaitHelperTask(sums->helper);
        } else {
            SumListShare(sums);
        }
    }
    sums->block = nullptr;
    sums->length = 0;
}

void EndPart(CutSums* sums) {
    if (sums->start) {
        sums->start->Finish();
        sums->partStarts.push_back(Md5Digest(*sums->start));
        sums->start->Reset();
        sums->startFill = 0;
    }
    if (!sums->part) return;
    sums->part->Finish();
    sums->partDigests.push_back(DigestOf(*sums->part));
    sums->part->Reset();
}

void FinishSums(CutSums* sums, const char* recordDigest) {
    if (!sums->part) return;
    if (sums->whole) {
        sums->whole->Finish();
        sums->wholeDigest = DigestOf(*sums->whole);
    } else {
        sums->wholeDigest = recordDigest;
    }
}
