#include "tests/support/temp_dir.h"

#include <fstream>
#include <random>

namespace fs = std::filesystem;

TempDir::TempDir(Mode mode) {
    std::random_device random;
    fs::path base = fs::temp_directory_path();
    do {
        m_path = base / ("selvanore-test-" + std::to_string(random()));
    } while (!fs::create_directory(m_path));
    // Its own user's alone, whatever the umask: tests judge who could have
    // written a file in it.
    fs::permissions(m_path, fs::perms::owner_all);
    if (mode == kEnter) {
        m_previous = fs::current_path();
        fs::current_path(m_path);
    }
}

TempDir::~TempDir() {
    std::error_code ignored;
    if (!m_previous.empty()) fs::current_path(m_previous, ignored);
    fs::remove_all(m_path, ignored);
}

std::vector<uint8_t> SeededBytes(uint64_t size, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(rng());
    return bytes;
}

void WriteFile(const std::string& name, uint64_t size, uint32_t seed) {
    std::vector<uint8_t> bytes = SeededBytes(size, seed);
    WriteWholeFile(name, std::string(bytes.begin(), bytes.end()));
}

void WriteWholeFile(const std::string& name, const std::string& bytes) {
    std::ofstream out(fs::u8path(name), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::set<std::string> ListNames(const std::string& folder) {
    std::set<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(fs::u8path(folder), error)) {
        std::string name;
        for (auto c : entry.path().filename().u8string()) name.push_back(static_cast<char>(c));
        names.insert(name);
    }
    return names;
}
