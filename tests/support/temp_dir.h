// A fresh directory made current for the length of a test.
#ifndef SELVANORE_TESTS_SUPPORT_TEMP_DIR_H
#define SELVANORE_TESTS_SUPPORT_TEMP_DIR_H

#include <cstdint>
#include <filesystem>
#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
    std::filesystem::path m_previous;
};

// Writes a file of the given size whose bytes follow from seed.
void WriteFile(const std::string& name, uint64_t size, uint32_t seed = 1);
std::string ReadWholeFile(const std::string& name);

#endif
