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

// The memory of a set of recovery blocks (there are two); the parts' blocks
// take the cut's buffer: two groups of kMd5Lanes blocks, one read while the
// other is hashed.
const size_t kRecoveryMemory = 2u << 20;
const size_t kLargestBlock = kCutBufferSize / (2 * kMd5Lanes);
const size_t kSmallestBlock = 16u << 10;
// This many parts or fewer are kept open from round to round (each read
// then follows the last); beyond, each is opened for each read.
const uint32_t kPartsKeptOpen = 64;

// What the helper hashes: the MD5s of a group of parts' blocks, side by
// side where they are of the same length, and with the first group of a
// round the recovery blocks of the round before, for their packets.
struct Md5Task {
    Par2FileHasher* hashers[kMd5Lanes];
    const uint8_t* data[kMd5Lanes];
    size_t lengths[kMd5Lanes];
    uint32_t count;
    std::vector<Par2RecoveryPacket>* packets;
    const std::vector<uint8_t*>* recovery;  // null: none
    size_t recoveryLength;
};

void HashMd5s(void* parameter) {
    Md5Task& task = *static_cast<Md5Task*>(parameter);
    if (task.recovery != nullptr) {
        for (size_t r = 0; r < task.recovery->size(); ++r) {
            UpdatePar2RecoveryPacket(&(*task.packets)[r], (*task.recovery)[r], task.recoveryLength);
        }
    }
    if (task.count == 0) return;
    uint32_t same = 0;
    while (same < task.count && task.lengths[same] == task.lengths[0]) ++same;
    UpdatePar2FileMd5s(task.hashers, task.data, task.lengths[0], same);
    for (uint32_t i = same; i < task.count; ++i) {
        UpdatePar2FileMd5s(&task.hashers[i], &task.data[i], task.lengths[i], 1);
    }
}

// The pass's reading: the parts, each kept open or opened for each read.
struct PartReader {
    const Job* job;
    const OutputSet* outputs;
    std::vector<SystemFile> open;  // when the parts are kept open
    SystemError error;
    bool shortRead;
};

// Reads length bytes of part index at offset, all of them.
int ReadPartBlock(PartReader* reader, uint32_t index, uint64_t offset, uint8_t* block, size_t length) {
    SystemFile once;
    SystemFile* file = reader->open.empty() ? &once : &reader->open[index];
    reader->shortRead = false;
    if (!file->IsOpen()) {
        uint64_t size = 0;
        std::string path = OutputPath(*reader->job, reader->outputs->temporaries[index]);
        if (!OpenRegularFile(path, file, &size, &reader->error)) return 0;
        if (size < offset + length) {
            reader->shortRead = true;
            return 0;
        }
        if (!SeekTo(file->handle, offset, &reader->error)) return 0;
    }
    size_t done = 0;
    while (done < length) {
        size_t got = 0;
        if (!ReadSome(file->handle, block + done, length - done, &got, &reader->error)) return 0;
        if (got == 0) {
            reader->shortRead = true;
            return 0;
        }
        done += got;
    }
    return 1;
}

int WriteAt(const SystemFile& file, uint64_t offset, const void* data, size_t length,
            const std::string& name, const Job& job, SplitFailure* failure) {
    SystemError error;
    if (!SeekTo(file.handle, offset, &error)) {
        return FailWithSystem(failure, SplitCause::CannotWrite, OutputPath(job, name), error);
    }
    return WriteOutput(file, data, length, name, job, failure);
}

}  // namespace

uint64_t RecoverySliceSize(const SplitPlan& plan) {
    return Par2SliceSizeFor(std::max(plan.partSize, plan.lastSize));
}

size_t RecoveryBlockSize(uint32_t count) {
    size_t block = kRecoveryMemory / static_cast<size_t>(count == 0 ? 1 : count);
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

    // The helper hashes a group's MD5s while the caller's thread reads the
    // next group, and takes the CRCs and the Reed-Solomon sums of each.
    // The recovery blocks come in two sets, a round's and the one before,
    // which the helper hashes for the packets during the round.
    const size_t block = RecoveryBlockSize(count);
    std::unique_ptr<uint8_t[]> recovery(new (std::nothrow) uint8_t[2 * (count * block + 2)]);
    if (!recovery) return FailWith(failure, SplitCause::OutOfMemory);
    std::vector<uint8_t*> recoverySets[2];
    for (int k = 0; k < 2; ++k) {
        for (uint32_t r = 0; r < count; ++r) {
            recoverySets[k].push_back(recovery.get() + k * (count * block + 2) + r * block);
        }
    }
    // The tasks outlive the helper's last one: its owner waits for it first.
    Md5Task tasks[2];
    HelperHandle helper = parts >= 2 ? CreateHelperThread() : nullptr;
    struct HelperOwner {
        HelperHandle handle;
        bool busy = false;
        void Await() {
            if (busy) AwaitHelperTask(handle);
            busy = false;
        }
        ~HelperOwner() {
            if (handle == nullptr) return;
            Await();
            CloseHelperThread(handle);
        }
    } owner{helper};
    PartReader reader{&job, &outputs, {}, SystemError(), false};
    if (parts <= kPartsKeptOpen) reader.open.resize(parts);

    uint64_t total = 0;
    for (uint32_t i = 0; i < parts; ++i) total += PartSize(job.plan, i);
    SplitProgress progress = {SplitStage::Recovering, job.name, 0, total};
    uint32_t group = 0;  // groups read so far, for the buffer each takes
    uint32_t round = 0;
    size_t lastLength = 0;  // of the round before, whose blocks are still to be hashed
    for (uint64_t offset = 0; offset < set.sliceSize; offset += block, ++round) {
        if (StopAsked(events)) return FailWith(failure, SplitCause::Interrupted);
        size_t length = static_cast<size_t>(std::min<uint64_t>(set.sliceSize - offset, block));
        std::vector<uint8_t*>& recoveryBlocks = recoverySets[round % 2];
        bool firstGroup = true;
        uint32_t i = 0;
        while (i < parts) {
            Md5Task& task = tasks[group % 2];
            uint8_t* blocks = buffer + (group % 2) * (kCutBufferSize / 2);
            ++group;
            task.count = 0;
            for (; i < parts && task.count < kMd5Lanes; ++i) {
                uint64_t size = PartSize(job.plan, i);
                if (offset >= size) continue;
                size_t partLength = static_cast<size_t>(std::min<uint64_t>(size - offset, length));
                uint8_t* data = blocks + task.count * kLargestBlock;
                if (!ReadPartBlock(&reader, i, offset, data, partLength)) {
                    std::string path = OutputPath(job, PartFileName(job, i));
                    if (reader.shortRead) return FailWith(failure, SplitCause::PartChanged, path);
                    return FailWithSystem(failure, SplitCause::CannotReadPart, path, reader.error);
                }
                task.hashers[task.count] = &hashers[i];
                task.data[task.count] = data;
                task.lengths[task.count++] = partLength;
                progress.done += partLength;
            }
            // The helper is done with the set of two rounds before.
            owner.Await();
            task.packets = &packets;
            task.recovery = firstGroup && round > 0 ? &recoverySets[(round + 1) % 2] : nullptr;
            task.recoveryLength = lastLength;
            if (firstGroup) {
                for (uint8_t* r : recoveryBlocks) std::memset(r, 0, length);
                firstGroup = false;
            }
            if (helper != nullptr) {
                StartHelperTask(helper, HashMd5s, &task);
                owner.busy = true;
            } else {
                HashMd5s(&task);
            }
            for (uint32_t k = 0; k < task.count; ++k) {
                UpdatePar2FileChecks(task.hashers[k], task.data[k], task.lengths[k]);
                uint32_t part = static_cast<uint32_t>(task.hashers[k] - hashers.data());
                RsAccumulate(slotOf[part], task.data[k], task.lengths[k], exponents.data(), count,
                             recoveryBlocks.data());
            }
        }
        for (uint32_t r = 0; r < count; ++r) {
            const std::string& name = job.recoveryVolumes[fileOf[r] - 1].name;
            if (!WriteAt(files[fileOf[r]], dataOffset[r] + offset, recoveryBlocks[r], length, name, job,
                         failure)) {
                return 0;
            }
        }
        lastLength = length;
        if (events.progress != nullptr) events.progress(events.context, progress);
    }
    owner.Await();
    for (uint32_t r = 0; r < count; ++r) {
        UpdatePar2RecoveryPacket(&packets[r], recoverySets[(round + 1) % 2][r], lastLength);
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
