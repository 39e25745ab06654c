#include "support/TextUtil.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using support::ChangeStr;
using support::NextToken;
using support::ReverseText;
using support::RightJustify;

struct Step {
    std::string token;
    int position;
};

struct TokenWalk {
    const char* name;
    std::string text;
    char delimiter;
    int start;
    std::vector<Step> steps;  // what successive calls give
};

void PrintTo(const TokenWalk& walk, std::ostream* out) {
    *out << walk.name;
}

class NextTokenWalk : public testing::TestWithParam<TokenWalk> {};

TEST_P(NextTokenWalk, YieldsTokensAndPositions) {
    const TokenWalk& walk = GetParam();
    int position = walk.start;
    for (std::size_t i = 0; i < walk.steps.size(); ++i) {
        std::string token = "stale";
        NextToken(walk.text, walk.delimiter, position, token);
        EXPECT_EQ(token, walk.steps[i].token) << "call " << i;
        EXPECT_EQ(position, walk.steps[i].position) << "call " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NextTokenWalk,
    testing::Values(TokenWalk{"TwoWords", "a b", ' ', 1, {{"a", 2}, {"b", 0}, {"", 0}}},
                    TokenWalk{"LeadingDelimiters", "  a", ' ', 1, {{"a", 0}}},
                    TokenWalk{"TrailingDelimiter", "ab ", ' ', 1, {{"ab", 3}, {"", 0}}},
                    TokenWalk{"RunOfDelimitersIsOne", "a  b", ' ', 1, {{"a", 2}, {"b", 0}}},
                    TokenWalk{"EmptyText", "", ' ', 1, {{"", 0}}},
                    TokenWalk{"DelimitersOnly", "   ", ' ', 1, {{"", 0}}},
                    TokenWalk{"PositionBeyondEnd", "abc", ' ', 7, {{"", 0}}},
                    TokenWalk{"PositionZeroChangesNothing", "a b", ' ', 0, {{"", 0}, {"", 0}}},
                    TokenWalk{"NegativePositionIsUsedUp", "a b", ' ', -3, {{"", 0}}},
                    TokenWalk{"FlagsKeepTheirBlanks",
                              "deck.ppt /x /y",
                              '/',
                              1,
                              {{"deck.ppt ", 10}, {"x ", 13}, {"y", 0}}},
                    TokenWalk{"StartInsideText", "abc/def", '/', 2, {{"bc", 4}, {"def", 0}}}),
    [](const testing::TestParamInfo<TokenWalk>& info) { return info.param.name; });

TEST(RightJustify, CutsFromTheLeftAndPadsWithBlanks) {
    const std::vector<std::tuple<std::string, int, std::string>> cases = {
        {"123", 5, "  123"},
        {"123", 3, "123"},
        {"123", 2, "23"},
        {"123", 0, ""},
        {"", 2, "  "},
        {"000000000"
         "7",
         1, "7"},
        {"000000000"
         "3",
         2, "03"},
        {"000000000"
         "12",
         1, "2"},
        {"Convert to *.jpg", 3, "jpg"},
        {"abc", -4, ""},
    };
    for (const auto& [text, width, expected] : cases) {
        EXPECT_EQ(RightJustify(text, width), expected) << '"' << text << "\" width " << width;
    }
}

TEST(ReverseText, ReversesBytes) {
    EXPECT_EQ(ReverseText("abc"), "cba");
    EXPECT_EQ(ReverseText(""), "");
    EXPECT_EQ(ReverseText("/a/b"), "b/a/");
}

TEST(ChangeStr, ReplacesWithoutOverlapOrRescan) {
    struct Case {
        std::string text, newPart, oldPart, expected;
    };
    const std::vector<Case> cases = {
        {"aaaa", "b", "aa", "bb"},
        {"aaaa", "aa", "a", "aaaaaaaa"},
        {"Slide", "x", "slide", "Slide"},
        {"abc", "x", "", "abc"},
        {"", "x", "a", ""},
        {"_#", "03", "#", "_03"},
        {"page#-#", "7", "#", "page7-7"},
        {"no hash", "7", "#", "no hash"},
        {"a\n\rb\r\nc", " ", "\n\r", "a b\r\nc"},
        {"\n\r", " ", "\n\r", " "},
        {"aaa", "", "a", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ChangeStr(c.text, c.newPart, c.oldPart), c.expected)
            << "text '" << c.text << "' new '" << c.newPart << "' old '" << c.oldPart << "'";
    }
}

}  // namespace
