#include "split/recovery.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "platform/files.h"
#include "platform/platform.h"
#include "hash/accel.h"
#include "recovery/par2_file_hash.h"
#include "recovery/reed_solomon.h"
#include "split/cut.h"

namespace {

// The memory of the recovery blocks of both threads together; the parts'
// blocks take the cut's buffer, kMd5Lanes of them for each thread.
const size_t kRecoveryMemory = 4u << 20;
const size_t kLargestBlock = kCutBufferSize / (2 * kMd5Lanes);
const size_t kSmallestBlock = 16u << 10;
// A share of this many parts or fewer keeps them open from round to round
// (each read then follows the last); beyond, each is opened for each read.
const uint32_t kPartsKeptOpen = 64;

// One thread's share of a round: the parts first to end - 1, read at offset
// kMd5Lanes at a time into blocks, hashed side by side and added to its own
// recovery blocks.
struct RoundShare {
    const Job* job;
    const OutputSet* outputs;
    const std::vector<uint32_t>* slotOf;  // each part's input slice
    std::vector<Par2FileHasher>* hashers;
    const uint32_t* exponents;
    uint32_t count;
    uint32_t first;
    uint32_t end;
    uint64_t offset;
    size_t length;  // of the round: the recovery blocks' bytes
    uint8_t* blocks;  // kMd5Lanes blocks of kLargestBlock bytes
    std::vector<uint8_t*> recovery;
    std::vector<SystemFile> open;  // the share's parts, when it keeps them open
    uint64_t read;  // bytes of the parts read in the round
    // The first failure: the part, and the system's reason (none: the part
    // was shorter than cut).
    bool failed;
    uint32_t failedPart;
    SystemError error;
};

// Reads length bytes of part index at the round's offset, all of them.
int ReadPartBlock(RoundShare* s, uint32_t index, uint8_t* block, size_t length, bool* shortRead) {
    SystemFile once;
    SystemFile* file = &once;
    if (!s->open.empty()) file = &s->open[index - s->first];
    if (!file->IsOpen()) {
        uint64_t size = 0;
        std::string path = OutputPath(*s->job, s->outputs->temporaries[index]);
        if (!OpenRegularFile(path, file, &size, &s->error)) return 0;
        if (size < s->offset + length) {
            *shortRead = true;
            return 0;
        }
        if (!SeekTo(file->handle, s->offset, &s->error)) return 0;
    }
    size_t done = 0;
    while (done < length) {
        size_t got = 0;
        if (!ReadSome(file->handle, block + done, length - done, &got, &s->error)) return 0;
        if (got == 0) {
            *shortRead = true;
            return 0;
        }
        done += got;
    }
    return 1;
}

void RunShare(void* parameter) {
    RoundShare& s = *static_cast<RoundShare*>(parameter);
    s.read = 0;
    for (uint8_t* r : s.recovery) std::memset(r, 0, s.length);
    uint32_t i = s.first;
    while (i < s.end) {
        // A group of parts read at the offset: those of a whole block are
        // hashed side by side, a part that ends in it on its own.
        Par2FileHasher* whole[kMd5Lanes];
        const uint8_t* wholeData[kMd5Lanes];
        uint32_t wholeCount = 0;
        for (uint32_t n = 0; i < s.end && n < kMd5Lanes; ++i) {
            uint64_t size = PartSize(s.job->plan, i);
            if (s.offset >= size) continue;
            size_t length = static_cast<size_t>(std::min<uint64_t>(size - s.offset, s.length));
            uint8_t* block = s.blocks + n++ * kLargestBlock;
            bool shortRead = false;
            if (!ReadPartBlock(&s, i, block, length, &shortRead)) {
                s.failed = true;
                s.failedPart = i;
                if (shortRead) s.error = SystemError();
                return;
            }
            if (length == s.length) {
                whole[wholeCount] = &(*s.hashers)[i];
                wholeData[wholeCount++] = block;
            } else {
                UpdatePar2FileHash(&(*s.hashers)[i], block, length);
            }
            RsAccumulate((*s.slotOf)[i], block, length, s.exponents, s.count, s.recovery.data());
            s.read += length;
        }
        UpdatePar2FileHashes(whole, wholeData, s.length, wholeCount);
    }
}

void AddInto(uint8_t* to, const uint8_t* from, size_t length) {
    size_t i = 0;
    for (; i + 8 <= length; i += 8) {
        uint64_t a;
        uint64_t b;
        std::memcpy(&a, to + i, 8);
        std::memcpy(&b, from + i, 8);
        a ^= b;
        std::memcpy(to + i, &a, 8);
    }
    for (; i < length; ++i) to[i] ^= from[i];
}

int WriteAt(const SystemFile& file, uint64_t offset, const void* data, size_t length,
            const std::string& name, const Job& job, SplitFailure* failure) {
    SystemError error;
    if (!SeekTo(file.handle, offset, &error)) {
        return FailWithSystem(failure, SplitCause::CannotWrite, OutputPath(job, name), error);
    }
    return WriteOutput(file, data, length, name, job, failure);
}

int PartFailure(const Job& job, const RoundShare& share, SplitFailure* failure) {
    std::string path = OutputPath(job, PartFileName(job, share.failedPart));
    if (share.error.fault == SystemFault::None) return FailWith(failure, SplitCause::PartChanged, path);
    return FailWithSystem(failure, SplitCause::CannotReadPart, path, share.error);
}

}  // namespace

uint64_t RecoverySliceSize(const SplitPlan& plan) {
    return Par2SliceSizeFor(std::max(plan.partSize, plan.lastSize));
}

size_t RecoveryBlockSize(uint32_t count) {
    size_t block = kRecoveryMemory / (2 * static_cast<size_t>(count == 0 ? 1 : count));
    block = std::min(block, kLargestBlock) & ~static_cast<size_t>(4095);
    return std::max(block, kSmallestBlock);
}

int WriteRecovery(const Job& job, const OutputSet& outputs, std::vector<SystemFile>* recoveryFiles,
                  const std::vector<Par2Hash>& partStarts,
                  uint8_t* buffer, const std::string& creator, const SplitEvents& events,
                  uint64_t* bytes, SplitFailure* failure) {
    const uint32_t parts = job.plan.partCount;
    const uint32_t count = job.recoveryCount;
    std::vector<SystemFile>& files = *recoveryFiles;
    // The set, ordered by the file IDs, which need only each part's length,
    // name and first 16 KiB: the input slices' constants are known before
    // the pass, and so is the set ID of the recovery packets' headers.
    Par2Set set;
    set.sliceSize = RecoverySliceSize(job.plan);
    for (uint32_t i = 0; i < parts; ++i) {
        Par2File file;
        file.name = PartFileName(job, i);
        file.length = PartSize(job.plan, i);
        file.md5First = partStarts[i];
        file.md5 = Par2Hash();
        file.slices.resize(1);
        file.id = Par2FileId(file.md5First, file.length, file.name);
        set.files.push_back(file);
    }
    std::vector<uint32_t> order(parts);
    for (uint32_t i = 0; i < parts; ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&set](uint32_t a, uint32_t b) {
        return Par2HashLess(set.files[a].id, set.files[b].id);
    });
    std::vector<uint32_t> slotOf(parts);
    for (uint32_t k = 0; k < parts; ++k) slotOf[order[k]] = k;
    if (!FinishPar2Set(&set)) return FailWith(failure, SplitCause::OutOfMemory);
    // The critical packets' length does not depend on the hashes yet to come.
    const uint64_t criticalBytes = Par2CriticalPackets(set).size();

    std::vector<uint32_t> exponents(count);
    std::vector<Par2RecoveryPacket> packets(count);
    std::vector<uint64_t> dataOffset(count);
    std::vector<size_t> fileOf(count);
    for (uint32_t r = 0; r < count; ++r) {
        exponents[r] = r;
        if (!BeginPar2RecoveryPacket(set, r, &packets[r])) return FailWith(failure, SplitCause::OutOfMemory);
    }
    for (size_t v = 0; v < job.recoveryVolumes.size(); ++v) {
        const Par2Volume& volume = job.recoveryVolumes[v];
        for (uint32_t k = 0; k < volume.count; ++k) {
            dataOffset[volume.firstExponent + k] = Par2VolumeDataOffset(set.sliceSize, criticalBytes, k);
            fileOf[volume.firstExponent + k] = v + 1;  // files[0] is the index
        }
    }
    std::vector<Par2FileHasher> hashers(parts);
    for (uint32_t i = 0; i < parts; ++i) {
        if (!BeginPar2FileHash(set.sliceSize, &hashers[i], PartSize(job.plan, i))) {
            return FailWith(failure, SplitCause::OutOfMemory);
        }
    }

    // Two shares, each with an input block in the cut's buffer and recovery
    // blocks of its own.
    const size_t block = RecoveryBlockSize(count);
    std::unique_ptr<uint8_t[]> recovery(new (std::nothrow) uint8_t[2 * count * block + 2]);
    if (!recovery) return FailWith(failure, SplitCause::OutOfMemory);
    HelperHandle helper = parts >= 2 ? CreateHelperThread() : nullptr;
    struct HelperOwner {
        HelperHandle handle;
        ~HelperOwner() {
            if (handle != nullptr) CloseHelperThread(handle);
        }
    } helperOwner{helper};
    RoundShare shares[2];
    uint32_t middle = helper != nullptr ? parts / 2 : parts;
    for (int t = 0; t < 2; ++t) {
        RoundShare& s = shares[t];
        s = RoundShare{&job, &outputs, &slotOf, &hashers, exponents.data(), count,
                       t == 0 ? 0 : middle, t == 0 ? middle : parts, 0, 0,
                       buffer + t * (kCutBufferSize / 2), {}, {}, 0, false, 0, SystemError()};
        for (uint32_t r = 0; r < count; ++r) s.recovery.push_back(recovery.get() + (t * count + r) * block);
        if (s.end - s.first <= kPartsKeptOpen) s.open.resize(s.end - s.first);
    }

    uint64_t total = 0;
    for (uint32_t i = 0; i < parts; ++i) total += PartSize(job.plan, i);
    SplitProgress progress = {SplitStage::Recovering, job.name, 0, total};
    for (uint64_t offset = 0; offset < set.sliceSize; offset += block) {
        if (StopAsked(events)) return FailWith(failure, SplitCause::Interrupted);
        size_t length = static_cast<size_t>(std::min<uint64_t>(set.sliceSize - offset, block));
        for (RoundShare& s : shares) {
            s.offset = offset;
            s.length = length;
        }
        if (helper != nullptr) StartHelperTask(helper, RunShare, &shares[1]);
        RunShare(&shares[0]);
        if (helper != nullptr) {
            AwaitHelperTask(helper);
        } else {
            RunShare(&shares[1]);
        }
        for (const RoundShare& s : shares) {
            if (s.failed) return PartFailure(job, s, failure);
        }
        for (uint32_t r = 0; r < count; ++r) {
            AddInto(shares[0].recovery[r], shares[1].recovery[r], length);
            UpdatePar2RecoveryPacket(&packets[r], shares[0].recovery[r], length);
            const std::string& name = job.recoveryVolumes[fileOf[r] - 1].name;
            if (!WriteAt(files[fileOf[r]], dataOffset[r] + offset, shares[0].recovery[r], length, name,
                         job, failure)) {
                return 0;
            }
        }
        progress.done += shares[0].read + shares[1].read;
        if (events.progress != nullptr) events.progress(events.context, progress);
    }

    // Every part's hashes; a part whose beginning is no longer what was cut
    // was changed meanwhile by someone else.
    for (uint32_t i = 0; i < parts; ++i) {
        Par2File& file = set.files[slotOf[i]];
        Par2File hashed;
        if (!FinishPar2FileHash(&hashers[i], file.name, &hashed) ||
            !Par2HashEqual(hashed.id, file.id)) {
            return FailWith(failure, SplitCause::PartChanged, OutputPath(job, file.name));
        }
        file = hashed;
    }
    std::vector<uint8_t> critical = Par2CriticalPackets(set);
    std::vector<uint8_t> creatorPacket = Par2CreatorPacket(set, creator);
    *bytes = critical.size() + creatorPacket.size();
    if (!WriteOutput(files[0], critical.data(), critical.size(), job.recoveryIndexName, job, failure) ||
        !WriteOutput(files[0], creatorPacket.data(), creatorPacket.size(), job.recoveryIndexName, job,
                     failure) ||
        !FinishOutput(&files[0], job.recoveryIndexName, job, failure)) {
        return 0;
    }
    for (uint32_t r = 0; r < count; ++r) {
        FinishPar2RecoveryPacket(&packets[r]);
        const std::string& name = job.recoveryVolumes[fileOf[r] - 1].name;
        const SystemFile& file = files[fileOf[r]];
        if (!WriteAt(file, dataOffset[r] - kPar2RecoveryHeaderSize, packets[r].header,
                     kPar2RecoveryHeaderSize, name, job, failure) ||
            !WriteAt(file, dataOffset[r] + set.sliceSize, critical.data(), critical.size(), name, job,
                     failure)) {
            return 0;
        }
    }
    for (size_t v = 0; v < job.recoveryVolumes.size(); ++v) {
        const Par2Volume& volume = job.recoveryVolumes[v];
        uint64_t length = Par2VolumeLength(set.sliceSize, critical.size(), volume.count, creatorPacket.size());
        if (!WriteAt(files[v + 1], length - creatorPacket.size(), creatorPacket.data(), creatorPacket.size(),
                     volume.name, job, failure) ||
            !FinishOutput(&files[v + 1], volume.name, job, failure)) {
            return 0;
        }
        *bytes += length;
    }
    return 1;
}
