#include "tests/recovery/par2_tool.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "recovery/par2_file_hash.h"
#include "recovery/par2_packets.h"
#include "recovery/reed_solomon.h"

namespace fs = std::filesystem;

size_t ReadAt(std::ifstream& in, uint64_t offset, uint8_t* buffer, size_t size) {
    in.clear();
    in.seekg(static_cast<std::streamoff>(offset));
    size_t got = 0;
    if (in) {
        in.read(reinterpret_cast<char*>(buffer), static_cast<std::streamsize>(size));
        got = static_cast<size_t>(in.gcount());
    }
    std::memset(buffer + got, 0, size - got);
    return got;
}

int WriteAt(std::fstream& out, uint64_t offset, const void* data, size_t size) {
    out.seekp(static_cast<std::streamoff>(offset));
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    return out.good() ? 1 : 0;
}

namespace {

int Fail(const std::string& message) {
    std::fprintf(stderr, "par2_tool: %s\n", message.c_str());
    return 1;
}

// The hashes of a file read a block at a time; 0 when it cannot be read.
int HashFile(const std::string& path, const std::string& name, uint64_t sliceSize, Par2File* file) {
    std::ifstream in(path, std::ios::binary);
    std::error_code error;
    uint64_t length = fs::file_size(path, error);
    Par2FileHasher hasher;
    if (!in || error || !BeginPar2FileHash(sliceSize, &hasher, length)) return 0;
    std::vector<char> block(kToolBlock);
    while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0) {
        UpdatePar2FileHash(&hasher, block.data(), static_cast<size_t>(in.gcount()));
    }
    return FinishPar2FileHash(&hasher, name, file);
}

int WriteWhole(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return out.good() ? 1 : 0;
}

}  // namespace

int CreateSet(const std::string& name, uint64_t sliceSize, uint32_t recoveryCount,
              const std::vector<std::string>& files) {
    fs::path folder = fs::path(name).parent_path();
    Par2Set set;
    set.sliceSize = sliceSize;
    for (const std::string& path : files) {
        Par2File file;
        std::string base = fs::path(path).filename().string();
        if (!HashFile((folder / base).string(), base, sliceSize, &file)) return Fail("cannot read " + path);
        set.files.push_back(file);
    }
    if (!FinishPar2Set(&set)) return Fail("no set can be made of these files with this slice size");

    std::vector<uint8_t> critical = Par2CriticalPackets(set);
    std::vector<uint8_t> creator = Par2CreatorPacket(set, "Selvanore par2_tool");
    std::vector<uint8_t> index = critical;
    index.insert(index.end(), creator.begin(), creator.end());
    if (!WriteWhole(Par2IndexName(name), index)) return Fail("cannot write " + Par2IndexName(name));

    // Every recovery file laid out first: the critical packets and the
    // creator in place, the slices' data written at their offsets below.
    std::vector<Par2Volume> volumes = Par2Volumes(name, recoveryCount);
    std::vector<std::fstream> outputs;
    std::vector<uint64_t> dataOffset(recoveryCount);
    std::vector<size_t> output(recoveryCount);
    for (const Par2Volume& v : volumes) {
        outputs.emplace_back(v.name, std::ios::binary | std::ios::in | std::ios::out | std::ios::trunc);
        std::fstream& out = outputs.back();
        for (uint32_t k = 0; k < v.count; ++k) {
            uint64_t data = Par2VolumeDataOffset(sliceSize, critical.size(), k);
            dataOffset[v.firstExponent + k] = data;
            output[v.firstExponent + k] = outputs.size() - 1;
            if (!WriteAt(out, data + sliceSize, critical.data(), critical.size())) return Fail("cannot write " + v.name);
        }
        uint64_t end = Par2VolumeLength(sliceSize, critical.size(), v.count, creator.size());
        if (!WriteAt(out, end - creator.size(), creator.data(), creator.size())) return Fail("cannot write " + v.name);
    }

    std::vector<uint32_t> exponents(recoveryCount);
    std::vector<Par2RecoveryPacket> packets(recoveryCount);
    for (uint32_t r = 0; r < recoveryCount; ++r) {
        exponents[r] = r;
        if (!BeginPar2RecoveryPacket(set, r, &packets[r])) return Fail("no MD5 engine");
    }
    std::vector<std::ifstream> inputs;
    for (const Par2File& file : set.files) inputs.emplace_back((folder / file.name).string(), std::ios::binary);

    // One block of every slice at a time: the recovery blocks of that byte
    // range are complete once every input slice's block has been added.
    uint64_t block = sliceSize < kToolBlock ? sliceSize : kToolBlock;
    std::vector<std::vector<uint8_t>> recovery(recoveryCount, std::vector<uint8_t>(block));
    std::vector<uint8_t*> recoveryBlocks;
    for (auto& r : recovery) recoveryBlocks.push_back(r.data());
    std::vector<uint8_t> input(block);
    for (uint64_t offset = 0; offset < sliceSize; offset += block) {
        size_t n = static_cast<size_t>(sliceSize - offset < block ? sliceSize - offset : block);
        for (auto& r : recovery) std::memset(r.data(), 0, n);
        uint32_t slice = 0;
        for (size_t f = 0; f < set.files.size(); ++f) {
            uint64_t count = Par2SliceCount(set.files[f].length, sliceSize);
            for (uint64_t s = 0; s < count; ++s, ++slice) {
                size_t got = ReadAt(inputs[f], s * sliceSize + offset, input.data(), n);
                RsAccumulate(slice, input.data(), got, exponents.data(), recoveryCount, recoveryBlocks.data());
            }
        }
        for (uint32_t r = 0; r < recoveryCount; ++r) {
            UpdatePar2RecoveryPacket(&packets[r], recovery[r].data(), n);
            if (!WriteAt(outputs[output[r]], dataOffset[r] + offset, recovery[r].data(), n)) {
                return Fail("cannot write the recovery data");
            }
        }
    }
    for (uint32_t r = 0; r < recoveryCount; ++r) {
        FinishPar2RecoveryPacket(&packets[r]);
        if (!WriteAt(outputs[output[r]], dataOffset[r] - kPar2RecoveryHeaderSize, packets[r].header,
                     kPar2RecoveryHeaderSize)) {
            return Fail("cannot write the recovery data");
        }
    }
    for (std::fstream& out : outputs) {
        out.close();
        if (out.fail()) return Fail("cannot write a recovery file");
    }
    std::printf("%zu files, %llu slices of %llu bytes, %u recovery slices in %zu files\n", set.files.size(),
                static_cast<unsigned long long>(Par2TotalSlices(set)), static_cast<unsigned long long>(sliceSize),
                recoveryCount, volumes.size());
    return 0;
}

int main(int argc, char** argv) {
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "create" && argc >= 6) {
        uint64_t slice = std::strtoull(argv[3], nullptr, 10);
        uint32_t count = static_cast<uint32_t>(std::strtoul(argv[4], nullptr, 10));
        return CreateSet(argv[2], slice, count, std::vector<std::string>(argv + 5, argv + argc));
    }
    if (command == "repair" && argc == 3) return RepairSet(argv[2]);
    std::fprintf(stderr, "usage: par2_tool create NAME SLICE R FILE...\n       par2_tool repair NAME.par2\n");
    return 2;
}
