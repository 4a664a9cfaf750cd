// The whole content of a file named in UTF-8 (as the programs name files,
// on Windows too); empty when it cannot be read.
#ifndef SELVANORE_TESTS_SUPPORT_READ_FILE_H
#define SELVANORE_TESTS_SUPPORT_READ_FILE_H

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::string bytes = ReadWholeFile(path);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

#endif
