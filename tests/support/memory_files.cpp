#include "tests/support/memory_files.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <random>

#include "platform/platform.h"

MemoryDisk g_disk;

struct PlatformFile {
    std::string name;
    std::shared_ptr<MemoryFile> file;
    uint64_t position;
};

namespace {

uint64_t UsedBytes() {
    uint64_t used = 0;
    for (const auto& entry : g_disk.files) used += entry.second->data.size();
    return used;
}

}  // namespace

void ResetMemoryDisk() {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    g_disk.files.clear();
    g_disk.capacity = UINT64_MAX;
    g_disk.failReadOf.clear();
    g_disk.failSizeOf.clear();
    g_disk.failCloseOf.clear();
    g_disk.failDeleteOf.clear();
    g_disk.failCreate = false;
    g_disk.failFlush = false;
    g_disk.failRename = false;
    g_disk.randomBits.clear();
    g_disk.randomCalls = 0;
    g_disk.opened.clear();
    g_disk.operations.clear();
    g_disk.writeSizes.clear();
}

void PutMemoryFile(const std::string& name, const std::vector<uint8_t>& data) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    auto& file = g_disk.files[name];
    if (!file) file = std::make_shared<MemoryFile>();
    file->data = data;
}

void PutMemoryFile(const std::string& name, uint64_t size, uint32_t seed) {
    std::vector<uint8_t> data(size);
    std::mt19937 rng(seed);
    for (auto& byte : data) byte = static_cast<uint8_t>(rng());
    PutMemoryFile(name, data);
}

bool MemoryFileExists(const std::string& name) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    return g_disk.files.count(name) != 0;
}

std::vector<uint8_t> MemoryFileData(const std::string& name) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    auto it = g_disk.files.find(name);
    return it == g_disk.files.end() ? std::vector<uint8_t>() : it->second->data;
}

bool AnyMemoryFileOpen() {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    for (const auto& entry : g_disk.files) {
        if (entry.second->open) return true;
    }
    return false;
}

// ---- The platform's file operations -----------------------------------------

FileHandle OpenPartFile(const char* name) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    g_disk.opened.push_back(name);
    g_disk.operations.push_back(std::string("open ") + name);
    auto it = g_disk.files.find(name);
    if (it == g_disk.files.end() || it->second->open) return nullptr;
    it->second->open = true;
    return new PlatformFile{name, it->second, 0};
}

FileHandle CreateNewFile(const char* name) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    g_disk.operations.push_back(std::string("create ") + name);
    if (g_disk.failCreate || g_disk.files.count(name) != 0) return nullptr;
    auto file = std::make_shared<MemoryFile>();
    file->open = true;
    g_disk.files[name] = file;
    return new PlatformFile{name, file, 0};
}

int GetFileSize64(FileHandle file, uint64_t* size) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    if (file->name == g_disk.failSizeOf) return 0;
    *size = file->file->data.size();
    return 1;
}

int ReadFileBlock(FileHandle file, void* buffer, uint32_t size, uint32_t* readCount) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    if (file->name == g_disk.failReadOf) {
        *readCount = 0;
        return 0;
    }
    const std::vector<uint8_t>& data = file->file->data;
    uint64_t left = data.size() > file->position ? data.size() - file->position : 0;
    uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(size, left));
    if (n != 0) std::memcpy(buffer, data.data() + file->position, n);
    file->position += n;
    *readCount = n;
    return 1;
}

int WriteFileBlock(FileHandle file, const void* buffer, uint32_t size, uint32_t* writtenCount) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    g_disk.writeSizes.push_back(size);
    uint64_t used = UsedBytes();
    uint64_t room = g_disk.capacity > used ? g_disk.capacity - used : 0;
    uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(size, room));
    const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
    file->file->data.insert(file->file->data.end(), bytes, bytes + n);
    *writtenCount = n;
    return n == size;
}

int FlushFile(FileHandle file) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    g_disk.operations.push_back("flush " + file->name);
    return !g_disk.failFlush;
}

int CloseFile(FileHandle file) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    file->file->open = false;
    bool ok = file->name != g_disk.failCloseOf;
    delete file;
    return ok;
}

int DeleteNamedFile(const char* name) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    g_disk.operations.push_back(std::string("delete ") + name);
    if (g_disk.failDeleteOf.count(name) != 0) return 0;
    auto it = g_disk.files.find(name);
    if (it == g_disk.files.end() || it->second->open) return 0;
    g_disk.files.erase(it);
    return 1;
}

int NameExists(const char* name) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    return g_disk.files.count(name) != 0;
}

int RenameFile(const char* from, const char* to, int replace) {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    g_disk.operations.push_back(std::string(replace ? "rename-replace " : "rename ") + from + " " + to);
    auto source = g_disk.files.find(from);
    if (g_disk.failRename || source == g_disk.files.end() || source->second->open) return 0;
    auto target = g_disk.files.find(to);
    if (target != g_disk.files.end() && (!replace || target->second->open)) return 0;
    std::shared_ptr<MemoryFile> file = source->second;
    g_disk.files.erase(source);
    g_disk.files[to] = file;
    return 1;
}

uint64_t UnpredictableBits() {
    std::lock_guard<std::mutex> lock(g_disk.mutex);
    ++g_disk.randomCalls;
    if (g_disk.randomBits.empty()) return g_disk.randomCalls;
    uint64_t bits = g_disk.randomBits.front();
    g_disk.randomBits.pop_front();
    return bits;
}
