// Files for tests: one temporary folder of a test's own, files written from
// a seed, and the names a folder holds. The readers are in read_file.h.
#ifndef SELVANORE_TESTS_SUPPORT_TEMP_DIR_H
#define SELVANORE_TESTS_SUPPORT_TEMP_DIR_H

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/support/read_file.h"

// A fresh folder under the system's temporary folder, readable and
// writable by the test's user alone, removed with everything in it when the
// TempDir goes. kEnter (the default) also makes it the working directory for
// that long, the previous one given back after; kStay leaves the working
// directory alone, for tests that make several.
class TempDir {
public:
    enum Mode { kEnter, kStay };
    explicit TempDir(Mode mode = kEnter);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // The path of name inside it, as a string.
    std::string operator/(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
    std::filesystem::path m_previous;  // empty for kStay
};

// size bytes that follow from seed, the same on every system.
std::vector<uint8_t> SeededBytes(uint64_t size, uint32_t seed);

// Writes a file of the given size whose bytes follow from seed
// (SeededBytes), replacing what the name held.
void WriteFile(const std::string& name, uint64_t size, uint32_t seed = 1);
// Writes a file holding exactly bytes. Names are UTF-8, on Windows too.
void WriteWholeFile(const std::string& name, const std::string& bytes);

// The names of everything in a folder, "." and ".." left out, in UTF-8.
std::set<std::string> ListNames(const std::string& folder);

#endif
