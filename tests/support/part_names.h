// The part-name rule as the tests expect it, written once and independently
// of the program's (format/part_name.h): the output name, two underscores and
// the index in at least three digits, or four in a set of more than 1000
// parts.
#ifndef SELVANORE_TESTS_SUPPORT_PART_NAMES_H
#define SELVANORE_TESTS_SUPPORT_PART_NAMES_H

#include <cstdint>
#include <string>

inline std::string ExpectedPartName(const std::string& name, uint32_t count, uint32_t index) {
    std::string digits = std::to_string(index);
    size_t width = count > 1000 ? 4 : 3;
    if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
    return name + "__" + digits;
}

#endif
