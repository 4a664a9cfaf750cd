// par2_tool repair: the survey of a set's files and the rebuild of the
// missing and damaged ones (see par2_tool.h).
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "recovery/par2_file_hash.h"
#include "recovery/par2_reader.h"
#include "recovery/reed_solomon.h"
#include "tests/recovery/par2_tool.h"

namespace fs = std::filesystem;

namespace {

int Fail(const std::string& message) {
    std::fprintf(stderr, "par2_tool: %s\n", message.c_str());
    return 1;
}

int ReadStream(void* context, uint64_t offset, void* buffer, size_t size) {
    std::ifstream& in = *static_cast<std::ifstream*>(context);
    in.clear();
    in.seekg(static_cast<std::streamoff>(offset));
    in.read(static_cast<char*>(buffer), static_cast<std::streamsize>(size));
    return in.gcount() == static_cast<std::streamsize>(size) ? 1 : 0;
}

// The set's PAR 2.0 files: the index first, then every NAME.*.par2 beside it.
std::vector<std::string> SetFiles(const fs::path& index) {
    std::string stem = index.filename().string();
    stem = stem.substr(0, stem.size() - 5);  // ".par2"
    std::vector<std::string> others;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(index.parent_path().empty() ? "." : index.parent_path(), error)) {
        std::string name = entry.path().filename().string();
        if (name != index.filename().string() && name.size() > stem.size() + 6 &&
            name.compare(0, stem.size() + 1, stem + ".") == 0 && name.compare(name.size() - 5, 5, ".par2") == 0) {
            others.push_back(entry.path().string());
        }
    }
    std::sort(others.begin(), others.end());
    others.insert(others.begin(), index.string());
    return others;
}

// What the survey found of one file of the set.
struct Received {
    std::string path;
    bool present = false;
    bool correct = false;
    std::vector<bool> goodSlices;
};

// Reads a received file once: its whole MD5 and length against its
// description, and each slice against its checksums.
void Survey(const Par2Set& set, const Par2File& file, Received* r) {
    uint64_t slices = Par2SliceCount(file.length, set.sliceSize);
    r->goodSlices.assign(slices, false);
    std::ifstream in(r->path, std::ios::binary);
    std::error_code error;
    uint64_t length = fs::file_size(r->path, error);
    Par2FileHasher hasher;
    if (!in || error || !BeginPar2FileHash(set.sliceSize, &hasher, length)) return;
    r->present = true;
    std::vector<char> block(kToolBlock);
    while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0) {
        UpdatePar2FileHash(&hasher, block.data(), static_cast<size_t>(in.gcount()));
    }
    Par2File seen;
    if (!FinishPar2FileHash(&hasher, file.name, &seen)) return;  // changed while read: as missing
    r->correct = seen.length == file.length && Par2HashEqual(seen.md5, file.md5);
    for (uint64_t s = 0; s < slices; ++s) {
        r->goodSlices[s] = r->correct ||
                           (s < file.slices.size() && s < seen.slices.size() &&
                            Par2HashEqual(seen.slices[s].md5, file.slices[s].md5) && seen.slices[s].crc == file.slices[s].crc);
    }
}

}  // namespace

int RepairSet(const std::string& indexPath) {
    fs::path index(indexPath);
    std::vector<std::string> parFiles = SetFiles(index);
    std::vector<std::ifstream> sources;
    Par2Catalog catalog;
    for (size_t i = 0; i < parFiles.size(); ++i) {
        sources.emplace_back(parFiles[i], std::ios::binary);
        std::error_code error;
        uint64_t size = fs::file_size(parFiles[i], error);
        if (!sources.back() || error) continue;
        if (!ScanPar2(ReadStream, &sources.back(), size, static_cast<uint32_t>(i), &catalog)) {
            return Fail("cannot read " + parFiles[i]);
        }
    }
    Par2Set set;
    std::vector<Par2RecoverySlice> recovery;
    Par2SetProblem problem;
    size_t which;
    if (!ResolvePar2Set(catalog, &set, &recovery, &problem, &which)) {
        return Fail(problem == Par2SetProblem::NoMain ? "no main packet found"
                                                      : "file " + std::to_string(which + 1) + " of the set has no description");
    }
    if (catalog.damagedPackets != 0) std::printf("%u damaged packets skipped\n", catalog.damagedPackets);

    std::vector<Received> received(set.files.size());
    std::vector<uint32_t> missing;
    uint32_t badFiles = 0;
    uint32_t slice = 0;
    for (size_t f = 0; f < set.files.size(); ++f) {
        received[f].path = (index.parent_path() / set.files[f].name).string();
        Survey(set, set.files[f], &received[f]);
        if (!received[f].correct) {
            ++badFiles;
            std::printf("%s: %s\n", set.files[f].name.c_str(), received[f].present ? "damaged" : "missing");
        }
        for (bool good : received[f].goodSlices) {
            if (!good) missing.push_back(slice);
            ++slice;
        }
    }
    std::printf("%u of %zu files missing or damaged, %zu slices to rebuild, %zu recovery slices present\n",
                badFiles, set.files.size(), missing.size(), recovery.size());
    if (badFiles == 0) return 0;

    std::vector<uint32_t> available;
    for (const Par2RecoverySlice& r : recovery) available.push_back(r.exponent);
    RsDecoder decoder;
    RsProblem rsProblem;
    if (!RsPrepareDecoder(slice, missing, available, &decoder, &rsProblem)) {
        return Fail(rsProblem == RsProblem::TooFew ? "not enough recovery slices to rebuild"
                                                   : "the recovery slices present cannot rebuild these");
    }

    // The rebuilt files: the good slices copied, the others rebuilt.
    std::vector<std::fstream> outputs(set.files.size());
    for (size_t f = 0; f < set.files.size(); ++f) {
        if (received[f].correct) continue;
        outputs[f].open(received[f].path + ".rebuilt", std::ios::binary | std::ios::in | std::ios::out | std::ios::trunc);
        if (!outputs[f]) return Fail("cannot write " + received[f].path + ".rebuilt");
    }
    std::vector<std::ifstream> inputs;
    for (const Received& r : received) inputs.emplace_back(r.path, std::ios::binary);
    size_t m = missing.size();
    uint64_t block = set.sliceSize < kToolBlock ? set.sliceSize : kToolBlock;
    std::vector<std::vector<uint8_t>> accumulators(m, std::vector<uint8_t>(block));
    std::vector<std::vector<uint8_t>> rebuilt(m, std::vector<uint8_t>(block));
    std::vector<uint8_t*> acc, out;
    for (size_t k = 0; k < m; ++k) {
        acc.push_back(accumulators[k].data());
        out.push_back(rebuilt[k].data());
    }
    std::vector<uint8_t> input(block);
    // The slice of each input slice index: its file and place.
    std::vector<std::pair<size_t, uint64_t>> where;
    for (size_t f = 0; f < set.files.size(); ++f) {
        for (uint64_t s = 0; s < received[f].goodSlices.size(); ++s) where.push_back({f, s});
    }
    for (uint64_t offset = 0; offset < set.sliceSize; offset += block) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(block, set.sliceSize - offset));
        for (size_t j = 0; j < m; ++j) {
            auto r = std::find_if(recovery.begin(), recovery.end(),
                                  [&](const Par2RecoverySlice& s) { return s.exponent == decoder.exponents[j]; });
            if (!ReadStream(&sources[r->source], r->dataOffset + offset, acc[j], n)) {
                return Fail("cannot read " + parFiles[r->source]);
            }
        }
        for (uint32_t t = 0; t < where.size(); ++t) {
            if (std::binary_search(missing.begin(), missing.end(), t)) continue;
            size_t f = where[t].first;
            uint64_t at = where[t].second * set.sliceSize + offset;
            // Only the file's own bytes: past its end the slice is zeros.
            size_t want = at < set.files[f].length ? static_cast<size_t>(std::min<uint64_t>(n, set.files[f].length - at)) : 0;
            ReadAt(inputs[f], at, input.data(), want);
            std::memset(input.data() + want, 0, n - want);
            RsDecodeAdd(decoder, t, input.data(), n, acc.data());
            if (outputs[f].is_open() && at < set.files[f].length &&
                !WriteAt(outputs[f], at, input.data(), static_cast<size_t>(std::min<uint64_t>(n, set.files[f].length - at)))) {
                return Fail("cannot write a rebuilt file");
            }
        }
        RsDecodeSolve(decoder, acc.data(), n, out.data());
        for (size_t k = 0; k < m; ++k) {
            size_t f = where[missing[k]].first;
            uint64_t at = where[missing[k]].second * set.sliceSize + offset;
            if (at < set.files[f].length &&
                !WriteAt(outputs[f], at, out[k], static_cast<size_t>(std::min<uint64_t>(n, set.files[f].length - at)))) {
                return Fail("cannot write a rebuilt file");
            }
        }
    }
    int status = 0;
    for (size_t f = 0; f < set.files.size(); ++f) {
        if (!outputs[f].is_open()) continue;
        outputs[f].close();
        Received check;
        check.path = received[f].path + ".rebuilt";
        Survey(set, set.files[f], &check);
        std::printf("%s: %s\n", check.path.c_str(), check.correct ? "rebuilt" : "rebuilt wrong");
        if (!check.correct) status = 1;
    }
    return status;
}
