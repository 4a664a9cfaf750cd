// The record as the program finds it in its own executable: the template's
// bytes, read from the file's image rather than folded into the code.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "format/record_layout.h"
#include "platform/platform.h"
#include "tests/support/temp_dir.h"

TEST(OwnRecord, IsTheTemplateEmbeddedWhole) {
    std::string expected = ReadWholeFile(JOINDESC_TEMPLATE);
    ASSERT_EQ(expected.size(), kRecordSize);
    const uint8_t* record = GetOwnRecord();
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(0, std::memcmp(record, expected.data(), expected.size()));
    // The template's placeholder name is 50 Windows-1252 characters followed
    // by 576 digits, with no terminator in the field.
    EXPECT_EQ(std::memchr(record + kOutputNameOffset, 0, kOutputNameField), nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(record) + kOutputNameOffset + 50, 10),
              "1234567890");
}
