// The rebuild's pass: every missing or damaged part rebuilt into a scratch
// file, block by block across the parts and the recovery slices, the
// present parts' CRC-32s and the recovery slices' check taken beside it on
// the helper.
#include <algorithm>
#include <cstring>
#include <memory>

#include "join/join_state.h"
#include "join/rebuild.h"
#include "join/rebuild_shared.h"
#include "platform/temporary_name.h"
#include "recovery/crc32.h"
#include "recovery/reed_solomon.h"
#include "text/text.h"

namespace {

// The smallest block the rebuild works in: the buffer holds two blocks of
// the present parts and two blocks for each slice rebuilt.
const uint32_t kSmallestBlock = 64;
const uint32_t kScratchNameTries = 16;

// A scratch file made under "~selvanore-<16 hex digits>.tmp" in the
// output's folder, as the joined file is: a killed run's leftover is named
// at the next start.
struct ScratchTry {
    size_t folder;
    FileHandle file;
};

NameTry MakeScratch(void* context, const char* digits) {
    ScratchTry& t = *static_cast<ScratchTry*>(context);
    char name[kNameCapacity];
    if (FormatText(name, sizeof name, "%.*s~selvanore-%s.tmp", static_cast<int>(t.folder), g_join.outputName,
                   digits) != TextResult::Ok) {
        return NameTry::Failed;
    }
    t.file = CreateScratchFile(name);
    return t.file != nullptr ? NameTry::Made : NameTry::Taken;
}

FileHandle CreateScratch() {
    ScratchTry t{0, nullptr};
    for (size_t i = 0; g_join.outputName[i] != '\0'; ++i) {
        if (g_join.outputName[i] == '/' || g_join.outputName[i] == '\\') t.folder = i + 1;
    }
    MakeUnderTemporaryName(TemporaryNaming{&t, DrawUnpredictableBits, MakeScratch}, kScratchNameTries);
    return t.file;
}

// One input slice of the pass: where it lies, and its CRC so far.
struct InputSlice {
    uint32_t part;
    uint64_t slice;   // within the part
    uint32_t global;  // among the set's input slices
    uint32_t crc;
};

// One slice rebuilt: its part, where it goes, and its checksums so far.
struct OutputSlice {
    uint32_t part;
    uint64_t slice;
    std::unique_ptr<CHash> md5;
    uint32_t crc;
};

// A recovery slice in use whose packet was not checked when found: its data
// are hashed as they are read, a copy of each block kept for the hash.
struct RecoveryCheck {
    size_t source;  // among the pass's sources
    std::unique_ptr<CHash> md5;
};

// A present slice's block whose CRC-32 is carried on beside the rebuild,
// and a share of the round's blocks of the recovery slices to check: each
// of a round's tasks hashes the next share, in order, so that the helper's
// work is spread over the round.
struct CrcTask {
    InputSlice* slice;
    const uint8_t* data;
    uint32_t bytes;
    uint32_t padding;  // zeros after the data, to the block's end
    std::vector<RecoveryCheck>* checks;
    uint8_t* const* copies;  // by source: the recovery blocks read
    uint32_t shareBegin;
    uint32_t shareEnd;
};

void HashRecoveryShare(std::vector<RecoveryCheck>& checks, uint8_t* const* copies, uint32_t begin, uint32_t end) {
    if (begin == end) return;
    for (RecoveryCheck& check : checks) HashBytes(check.md5.get(), copies[check.source] + begin, end - begin);
}

void CarryCrc(void* parameter) {
    CrcTask* task = static_cast<CrcTask*>(parameter);
    task->slice->crc = CrcOfZeros(task->padding, Crc32(task->data, task->bytes, task->slice->crc));
    HashRecoveryShare(*task->checks, task->copies, task->shareBegin, task->shareEnd);
}

// Where the share of a round's recovery blocks that task t of count hashes
// begins: a multiple of 64 bytes, the last share ending at the block's end.
uint32_t ShareBegin(uint32_t blockBytes, size_t t, size_t count) {
    if (t >= count) return blockBytes;
    return static_cast<uint32_t>(static_cast<uint64_t>(blockBytes) * t / count) & ~63u;
}


// Waits for the task beside the rebuild on every way out of a pass: its
// block is the buffer's, which the worker reuses.
struct TaskGuard {
    const RebuildHooks& hooks;
    ~TaskGuard() { hooks.awaitTask(hooks.context); }
};

// What one pass holds open, closed on every way out.
struct Pass {
    std::vector<FileHandle> parts;    // by part: opened here, or null
    std::vector<FileHandle> volumes;  // by source number
    std::vector<FileHandle> made;     // by part: the scratch files of this pass
    ~Pass() {
        for (FileHandle f : parts) {
            if (f != nullptr) CloseFile(f);
        }
        for (FileHandle f : volumes) {
            if (f != nullptr) CloseFile(f);
        }
        for (FileHandle f : made) {
            if (f != nullptr) CloseFile(f);
        }
    }
};

void NamePart(uint32_t part, char (&failedName)[520]) { PartName(part, failedName); }

enum class PassEnd { Rebuilt, Again, Ended };

// One pass over the parts; Again when a present part was found damaged.
PassEnd RunPass(uint8_t* buffer, uint32_t bufferSize, const RebuildHooks& hooks, char (&failedName)[520],
                RebuildEnd* end) {
    RecoveryData& data = *Data();
    const Par2Set& set = data.set;
    const uint64_t sliceSize = set.sliceSize;
    uint32_t totalSlices = static_cast<uint32_t>(Par2TotalSlices(set));

    std::vector<uint32_t> missing;
    std::vector<OutputSlice> outputs;
    std::vector<InputSlice> inputs;
    for (size_t f = 0; f < set.files.size(); ++f) {
        uint32_t part = kNoPart;
        for (uint32_t i = 0; i < g_join.partCount; ++i) {
            if (data.fileOfPart[i] == f) part = i;
        }
        uint32_t first = static_cast<uint32_t>(Par2FirstSlice(set, f));
        uint64_t count = Par2SliceCount(set.files[f].length, sliceSize);
        for (uint64_t s = 0; s < count; ++s) {
            uint32_t global = first + static_cast<uint32_t>(s);
            if (NeedsRebuild(data.states[part])) {
                missing.push_back(global);
                outputs.push_back(OutputSlice{part, s, nullptr, 0});
            } else {
                inputs.push_back(InputSlice{part, s, global, 0});
            }
        }
    }
    if (missing.empty()) return PassEnd::Rebuilt;
    std::vector<uint32_t> available;
    for (const Par2RecoverySlice& slice : data.slices) available.push_back(slice.exponent);
    RsDecoder decoder;
    RsProblem problem = RsProblem::None;
    if (!RsPrepareDecoder(totalSlices, missing, available, &decoder, &problem)) {
        *end = RebuildEnd::TooFew;
        return PassEnd::Ended;
    }

    // The buffer: two blocks of the present parts (one read while the CRC-32
    // of the other is taken beside), then an accumulator and an output block
    // for each slice rebuilt, each a multiple of 64 bytes.
    const size_t m = missing.size();
    uint64_t block = bufferSize / (2 * m + 2) / kSmallestBlock * kSmallestBlock;
    if (block < kSmallestBlock) {
        *end = RebuildEnd::NoMemory;
        return PassEnd::Ended;
    }
    block = std::min<uint64_t>(block, (sliceSize + kSmallestBlock - 1) / kSmallestBlock * kSmallestBlock);
    uint8_t* inputs2[2] = {buffer, buffer + block};
    uint32_t current = 0;
    std::vector<uint8_t*> accumulators(m), rebuilt(m);
    for (size_t k = 0; k < m; ++k) {
        accumulators[k] = buffer + block * (2 + k);
        rebuilt[k] = buffer + block * (2 + m + k);
    }
    // The checks outlive the task beside the rebuild, which may hash for
    // them: the guard waits for it first.
    std::vector<RecoveryCheck> checks;
    CrcTask task{nullptr, nullptr, 0, 0, nullptr, nullptr, 0, 0};
    TaskGuard guard{hooks};

    Pass pass;
    pass.parts.assign(g_join.partCount, nullptr);
    pass.volumes.assign(data.files.size(), nullptr);
    pass.made.assign(g_join.partCount, nullptr);
    for (const InputSlice& in : inputs) {
        if (pass.parts[in.part] != nullptr || data.scratch[in.part] != nullptr) continue;
        char name[kNameCapacity];
        pass.parts[in.part] = PartName(in.part, name) ? OpenPartFile(name) : nullptr;
        if (pass.parts[in.part] == nullptr) {
            NamePart(in.part, failedName);
            *end = RebuildEnd::ReadFailed;
            return PassEnd::Ended;
        }
    }
    std::vector<Par2RecoverySlice*> sources(m);
    for (size_t j = 0; j < m; ++j) {
        for (Par2RecoverySlice& slice : data.slices) {
            if (slice.exponent == decoder.exponents[j]) sources[j] = &slice;
        }
        if (!sources[j]->checked) {
            checks.push_back(RecoveryCheck{j, std::unique_ptr<CHash>(CreateHashEngine(CHECKSUM_MD5))});
            if (checks.back().md5 == nullptr) {
                *end = RebuildEnd::NoMemory;
                return PassEnd::Ended;
            }
            BeginPar2RecoveryCheck(*sources[j], checks.back().md5.get());
        }
        uint32_t source = sources[j]->source;
        if (pass.volumes[source] == nullptr) pass.volumes[source] = OpenPartFile(data.files[source].c_str());
        if (pass.volumes[source] == nullptr) {
            FormatText(failedName, sizeof failedName, "%s", data.files[source].c_str());
            *end = RebuildEnd::ReadFailed;
            return PassEnd::Ended;
        }
    }
    for (OutputSlice& out : outputs) {
        if (pass.made[out.part] == nullptr) pass.made[out.part] = CreateScratch();
        out.md5.reset(CreateHashEngine(CHECKSUM_MD5));
        if (out.md5 != nullptr) out.md5->Reset();
        if (pass.made[out.part] == nullptr || out.md5 == nullptr) {
            NamePart(out.part, failedName);
            *end = out.md5 == nullptr ? RebuildEnd::NoMemory : RebuildEnd::ScratchFailed;
            return PassEnd::Ended;
        }
    }

    const uint64_t total = sliceSize * (inputs.size() + m);
    uint64_t done = 0;
    hooks.progress(hooks.context, 0, total);
    for (uint64_t at = 0; at < sliceSize; at += block) {
        uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(block, sliceSize - at));
        for (size_t j = 0; j < m; ++j) {
            if (hooks.stop(hooks.context)) {
                *end = RebuildEnd::Cancelled;
                return PassEnd::Ended;
            }
            uint32_t source = sources[j]->source;
            // A slice to check is read into its output block, free until
            // the round's end, and hashed from there beside the rebuild.
            uint8_t* into = sources[j]->checked ? accumulators[j] : rebuilt[j];
            if (!ReadAt(pass.volumes[source], sources[j]->dataOffset + at, into, n)) {
                FormatText(failedName, sizeof failedName, "%s", data.files[source].c_str());
                *end = RebuildEnd::ReadFailed;
                return PassEnd::Ended;
            }
            if (into != accumulators[j]) std::memcpy(accumulators[j], into, n);
        }
        if (inputs.empty()) HashRecoveryShare(checks, rebuilt.data(), 0, n);
        size_t t = 0;
        for (InputSlice& in : inputs) {
            if (hooks.stop(hooks.context)) {
                *end = RebuildEnd::Cancelled;
                return PassEnd::Ended;
            }
            uint64_t length = FileOf(in.part).length;
            uint64_t offset = in.slice * sliceSize + at;
            uint32_t bytes = offset < length ? static_cast<uint32_t>(std::min<uint64_t>(n, length - offset)) : 0;
            FileHandle file = data.scratch[in.part] != nullptr ? data.scratch[in.part] : pass.parts[in.part];
            uint8_t* input = inputs2[current];
            if (bytes > 0 && !ReadAt(file, offset, input, bytes)) {
                NamePart(in.part, failedName);
                *end = RebuildEnd::ReadFailed;
                return PassEnd::Ended;
            }
            RsDecodeAdd(decoder, in.global, input, bytes, accumulators.data());
            // The other block's CRC-32 is done: this one's goes beside, while
            // the next block is read into the other.
            hooks.awaitTask(hooks.context);
            task = CrcTask{&in,          input,
                           bytes,        n - bytes,
                           &checks,      rebuilt.data(),
                           ShareBegin(n, t, inputs.size()), ShareBegin(n, t + 1, inputs.size())};
            ++t;
            hooks.startTask(hooks.context, CarryCrc, &task);
            current ^= 1;
            done += n;
            hooks.progress(hooks.context, done, total);
        }
        // The solve writes the output blocks, which may be being hashed.
        if (!checks.empty()) hooks.awaitTask(hooks.context);
        RsDecodeSolve(decoder, accumulators.data(), n, rebuilt.data());
        for (size_t k = 0; k < m; ++k) {
            OutputSlice& out = outputs[k];
            uint64_t length = FileOf(out.part).length;
            uint64_t offset = out.slice * sliceSize + at;
            uint32_t bytes = offset < length ? static_cast<uint32_t>(std::min<uint64_t>(n, length - offset)) : 0;
            uint32_t written = 0;
            if (bytes > 0 && (!SeekFile(pass.made[out.part], offset) ||
                              !WriteFileBlock(pass.made[out.part], rebuilt[k], bytes, &written))) {
                NamePart(out.part, failedName);
                *end = RebuildEnd::ScratchFailed;
                return PassEnd::Ended;
            }
            HashBytes(out.md5.get(), rebuilt[k], n);
            out.crc = Crc32(rebuilt[k], n, out.crc);
            done += n;
            hooks.progress(hooks.context, done, total);
        }
    }

    hooks.awaitTask(hooks.context);
    // A present part whose slice is wrong gave wrong rebuilt blocks: it is
    // rebuilt too, in a pass of its own.
    bool again = false;
    for (const InputSlice& in : inputs) {
        const Par2File& file = FileOf(in.part);
        if (data.states[in.part] == PartState::Sound && in.crc != file.slices[in.slice].crc) {
            data.states[in.part] = PartState::Damaged;
            again = true;
        }
    }
    // A recovery slice that was not what its packet says gave wrong blocks:
    // the pass starts again with the slices found sound.
    bool recoveryFailed = false;
    for (RecoveryCheck& check : checks) {
        if (Par2RecoveryCheckPasses(*sources[check.source], check.md5.get())) {
            sources[check.source]->checked = true;
        } else {
            recoveryFailed = true;
        }
    }
    if (recoveryFailed) {
        RescanChecked(&data);
        return PassEnd::Again;
    }
    if (again) return PassEnd::Again;
    for (const InputSlice& in : inputs) data.verified[in.part] = 1;
    for (OutputSlice& out : outputs) {
        out.md5->Finish();
        const Par2SliceCheck& expected = FileOf(out.part).slices[out.slice];
        if (out.crc != expected.crc || !Par2HashEqual(Md5Digest(*out.md5), expected.md5)) {
            NamePart(out.part, failedName);
            *end = RebuildEnd::Unsound;
            return PassEnd::Ended;
        }
    }
    for (uint32_t i = 0; i < g_join.partCount; ++i) {
        if (pass.made[i] == nullptr) continue;
        data.scratch[i] = pass.made[i];
        pass.made[i] = nullptr;
        data.states[i] = PartState::Rebuilt;
    }
    return PassEnd::Rebuilt;
}

}  // namespace

RebuildEnd RebuildParts(uint8_t* buffer, uint32_t bufferSize, const RebuildHooks& hooks, char (&failedName)[520]) {
    failedName[0] = '\0';
    if (Data() == nullptr) return RebuildEnd::Rebuilt;
    // Each pass that starts again has one more part to rebuild: at most as
    // many passes as parts.
    for (uint32_t round = 0; round <= g_join.partCount; ++round) {
        if (!CanRebuild()) return RebuildEnd::TooFew;
        RebuildEnd end = RebuildEnd::Rebuilt;
        PassEnd pass = RunPass(buffer, bufferSize, hooks, failedName, &end);
        if (pass == PassEnd::Rebuilt) return RebuildEnd::Rebuilt;
        if (pass == PassEnd::Ended) return end;
        if (CanRebuild()) hooks.again(hooks.context);
    }
    return RebuildEnd::TooFew;
}
