// The recovery data beside the parts: the survey at start-up, the parts'
// states, and the check of each part's slices as it is joined. The rebuild's
// pass is join/rebuild_pass.cpp.
#include "join/rebuild.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "join/join_state.h"
#include "join/rebuild_shared.h"
#include "recovery/crc32.h"
#include "text/text.h"

namespace {

int ReadForScan(void* context, uint64_t offset, void* buffer, size_t size) {
    return ReadAt(static_cast<FileHandle>(context), offset, buffer, static_cast<uint32_t>(size));
}

// Adds the packets of the recovery file name to the catalog; a file that
// cannot be read adds nothing. The survey takes the recovery slices
// unchecked: the rebuild checks each one it uses as it reads it, and a join
// with every part there never reads them.
void ScanRecoveryFile(const std::string& name, uint32_t source, Par2Catalog* catalog) {
    FileHandle file = OpenPartFile(name.c_str());
    if (file == nullptr) return;
    uint64_t size = 0;
    if (GetFileSize64(file, &size)) ScanPar2(ReadForScan, file, size, source, catalog);
    CloseFile(file);
}

struct FoundNames {
    std::string index;
    std::vector<std::string> names;
};

void AddRecoveryName(void* context, const char* name, uint64_t) {
    FoundNames* found = static_cast<FoundNames*>(context);
    if (found->index != name) found->names.push_back(name);
}

// The part's name as the set names its files: UTF-8, without a folder.
std::string SetName(uint32_t part) {
    char name[kNameCapacity];
    if (!PartName(part, name)) return std::string();
    const char* base = name;
    for (const char* p = name; *p != '\0'; ++p) {
        if (*p == '/' || *p == '\\') base = p + 1;
    }
    return std::string(base);
}

// Matches the set's files with the parts by name. Returns 0 when the set is
// not exactly the parts, or a file has no slice checksums to check it by.
int MatchParts(RecoveryData* data) {
    const Par2Set& set = data->set;
    if (set.files.size() != g_join.partCount || set.sliceSize == 0) return 0;
    uint64_t total = 0;
    for (uint32_t i = 0; i < g_join.partCount; ++i) {
        std::string name = SetName(i);
        uint32_t found = kNoPart;
        for (size_t f = 0; f < set.files.size(); ++f) {
            if (set.files[f].name == name) found = static_cast<uint32_t>(f);
        }
        if (found == kNoPart || set.files[found].slices.empty()) return 0;
        data->fileOfPart[i] = found;
        total += set.files[found].length;
    }
    // A set of other contents under the same names.
    return total == g_join.expectedSize;
}


// Whether the survey could not read part index: it then counted it with
// the size 0, which an empty part has too.
bool PartUnreadable(uint32_t index) {
    if (g_join.partSizes[index] != 0) return false;
    char name[kNameCapacity];
    FileHandle file = PartName(index, name) ? OpenPartFile(name) : nullptr;
    if (file == nullptr) return true;
    CloseFile(file);
    return false;
}



}  // namespace

const uint8_t kZeros[4096] = {};

uint32_t CrcOfZeros(uint64_t count, uint32_t crc) {
    while (count > 0) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(count, sizeof kZeros));
        crc = Crc32(kZeros, n, crc);
        count -= n;
    }
    return crc;
}

int ReadAt(FileHandle file, uint64_t offset, void* buffer, uint32_t size) {
    uint32_t got = 0;
    if (!SeekFile(file, offset) || !ReadFileBlock(file, buffer, size, &got)) return 0;
    return got == size;
}

RecoveryData* Data() { return g_join.recovery; }

const Par2File& FileOf(uint32_t part) { return Data()->set.files[Data()->fileOfPart[part]]; }

bool NeedsRebuild(PartState state) { return state == PartState::Missing || state == PartState::Damaged; }

// Every packet checked this time: a length that looked right may have
// hidden packets after it.
void RescanChecked(RecoveryData* data) {
    Par2Catalog catalog;
    for (size_t k = 0; k < data->files.size(); ++k) {
        ScanRecoveryFile(data->files[k], static_cast<uint32_t>(k), &catalog);
    }
    Par2Set set;
    std::vector<Par2RecoverySlice> slices;
    Par2SetProblem problem = Par2SetProblem::None;
    size_t which = 0;
    data->slices.clear();
    if (ResolvePar2Set(catalog, &set, &slices, &problem, &which) && Par2HashEqual(set.id, data->set.id)) {
        data->slices = slices;
    }
}

int SurveyRecovery() {
    ReleaseRecovery();
    if (g_join.partCount < 2 || g_join.partSizes == nullptr) return 1;
    FoundNames found;
    found.index = std::string(g_join.outputName) + ".par2";
    if (NameExists(found.index.c_str())) found.names.push_back(found.index);
    std::string prefix = std::string(g_join.outputName) + ".vol";
    FindNames(prefix.c_str(), ".par2", AddRecoveryName, &found);
    if (found.names.empty()) return 1;

    RecoveryData* data = new (std::nothrow) RecoveryData();
    if (data == nullptr) return 0;
    Par2Catalog catalog;
    catalog.deferRecoveryChecks = true;
    for (size_t k = 0; k < found.names.size(); ++k) {
        ScanRecoveryFile(found.names[k], static_cast<uint32_t>(k), &catalog);
    }
    Par2SetProblem problem = Par2SetProblem::None;
    size_t which = 0;
    data->files = found.names;
    data->fileOfPart.assign(g_join.partCount, 0);
    if (!ResolvePar2Set(catalog, &data->set, &data->slices, &problem, &which) || !MatchParts(data)) {
        delete data;
        return 1;
    }
    data->states.assign(g_join.partCount, PartState::Sound);
    data->scratch.assign(g_join.partCount, nullptr);
    data->verified.assign(g_join.partCount, 0);
    data->check.part = kNoPart;
    g_join.recovery = data;
    for (uint32_t i = 0; i < g_join.partCount; ++i) {
        if (PartUnreadable(i)) {
            data->states[i] = PartState::Missing;
        } else if (g_join.partSizes[i] != FileOf(i).length) {
            data->states[i] = PartState::Damaged;
        }
    }
    // The survey's total as the join will find it: every part at the set's
    // size once rebuilt.
    if (PartsToRebuild() != 0 && CanRebuild()) {
        g_join.inputTotal = 0;
        for (uint32_t i = 0; i < g_join.partCount; ++i) {
            g_join.partSizes[i] = FileOf(i).length;
            g_join.inputTotal += g_join.partSizes[i];
        }
    }
    return 1;
}

void ReleaseRecovery() {
    RecoveryData* data = g_join.recovery;
    if (data == nullptr) return;
    for (FileHandle file : data->scratch) {
        if (file != nullptr) CloseFile(file);
    }
    delete data;
    g_join.recovery = nullptr;
}

uint32_t PartsToRebuild() {
    if (Data() == nullptr) return 0;
    uint32_t count = 0;
    for (PartState state : Data()->states) count += NeedsRebuild(state) ? 1 : 0;
    return count;
}

uint64_t SlicesToRebuild() {
    if (Data() == nullptr) return 0;
    uint64_t count = 0;
    for (uint32_t i = 0; i < g_join.partCount; ++i) {
        if (NeedsRebuild(Data()->states[i])) count += Par2SliceCount(FileOf(i).length, Data()->set.sliceSize);
    }
    return count;
}

uint32_t RecoverySlicesPresent() { return Data() == nullptr ? 0 : static_cast<uint32_t>(Data()->slices.size()); }

bool CanRebuild() { return Data() != nullptr && SlicesToRebuild() <= RecoverySlicesPresent(); }

FileHandle RebuiltPart(uint32_t index) {
    if (Data() == nullptr || index >= Data()->scratch.size()) return nullptr;
    return Data()->scratch[index];
}

// ---- The parts' slice checks as they are joined ------------------------------

void BeginPartCheck(uint32_t part) {
    SliceCheck& check = Data()->check;
    check = SliceCheck{kNoPart, 0, 0, 0, false};
    if (Data()->states[part] == PartState::Rebuilt || Data()->verified[part]) return;
    check.part = part;
}

void UpdatePartCheck(const uint8_t* data, uint32_t size) {
    SliceCheck& check = Data()->check;
    if (check.part == kNoPart) return;
    const Par2File& file = FileOf(check.part);
    uint64_t sliceSize = Data()->set.sliceSize;
    while (size > 0) {
        uint32_t take = static_cast<uint32_t>(std::min<uint64_t>(size, sliceSize - check.fill));
        check.crc = Crc32(data, take, check.crc);
        check.fill += take;
        data += take;
        size -= take;
        if (check.fill == sliceSize) {
            if (check.slice >= file.slices.size() || check.crc != file.slices[check.slice].crc) check.failed = true;
            ++check.slice;
            check.fill = 0;
            check.crc = 0;
        }
    }
}

void FinishPartCheck() {
    SliceCheck& check = Data()->check;
    if (check.part == kNoPart) return;
    const Par2File& file = FileOf(check.part);
    if (check.fill > 0) {
        check.crc = CrcOfZeros(Data()->set.sliceSize - check.fill, check.crc);
        if (check.slice >= file.slices.size() || check.crc != file.slices[check.slice].crc) check.failed = true;
        ++check.slice;
    }
    if (check.slice != file.slices.size()) check.failed = true;
    if (check.failed) Data()->states[check.part] = PartState::Damaged;
    check.part = kNoPart;
}
