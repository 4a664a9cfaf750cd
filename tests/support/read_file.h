// The whole content of a file as bytes; empty when it cannot be read.
#ifndef SELVANORE_TESTS_SUPPORT_READ_FILE_H
#define SELVANORE_TESTS_SUPPORT_READ_FILE_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

inline std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return bytes;
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(file);
    return bytes;
}

#endif
