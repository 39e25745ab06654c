#include "support/Convert.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(StrToInt, AcceptsWhatTheStandardConversionAccepts) {
    const std::vector<std::pair<std::string, std::int32_t>> cases = {
        {"0", 0},
        {"6", 6},
        {"  12", 12},
        {"-1", -1},
        {"+7", 7},
        {"65536", 65536},
        {"$10", 16},
        {"$ff", 255},
        {"-$10", -16},
        {"0x1F", 31},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"$FFFFFFFF", -1},
        {"007", 7},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(support::StrToInt(text), expected) << '"' << text << '"';
    }
}

TEST(StrToInt, RejectsEverythingElseWithTheStandardMessage) {
    for (const std::string text :
         {"", " ", "a", "3a", "3 ", "--1", "$", "-", "1.5", "2147483648", "$1FFFFFFFF", "1,000"}) {
        try {
            support::StrToInt(text);
            ADD_FAILURE() << '"' << text << "\" was accepted";
        } catch (const support::ConvertError& error) {
            EXPECT_EQ(std::string(error.what()), "'" + text + "' is not a valid integer value");
        }
    }
}

}  // namespace
