#include "tests/support/temp_dir.h"

#include <fstream>
#include <iterator>
#include <random>
#include <vector>

namespace fs = std::filesystem;

TempDir::TempDir() : m_previous(fs::current_path()) {
    std::random_device random;
    fs::path base = fs::temp_directory_path();
    do {
        m_path = base / ("selvanore-test-" + std::to_string(random()));
    } while (!fs::create_directory(m_path));
    fs::current_path(m_path);
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::current_path(m_previous, ignored);
    fs::remove_all(m_path, ignored);
}

void WriteFile(const std::string& name, uint64_t size, uint32_t seed) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    std::mt19937 rng(seed);
    std::vector<char> chunk(1 << 16);
    while (size > 0) {
        size_t n = size < chunk.size() ? static_cast<size_t>(size) : chunk.size();
        for (size_t i = 0; i < n; ++i) chunk[i] = static_cast<char>(rng());
        out.write(chunk.data(), static_cast<std::streamsize>(n));
        size -= n;
    }
}

std::string ReadWholeFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
