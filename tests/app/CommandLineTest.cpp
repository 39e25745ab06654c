#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using app::CommandLineTokens;
using app::DirectoryPart;
using app::Trim;
using Words = std::vector<std::string>;

struct TokenCase {
    const char* name;
    Words words;
    std::vector<std::string> tokens;
    std::size_t literalFrom = std::string::npos;  // the words after "--" begin here
};

void PrintTo(const TokenCase& c, std::ostream* out) {
    *out << c.name;
}

class CommandLineTokensOf : public testing::TestWithParam<TokenCase> {};

TEST_P(CommandLineTokensOf, FlagsBeginOnlyAtTheStartOfAWord) {
    const TokenCase& c = GetParam();
    EXPECT_EQ(CommandLineTokens(c.words, c.literalFrom), c.tokens);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineTokensOf,
    testing::Values(
        TokenCase{"FileAlone", {"deck.ppt"}, {"deck.ppt"}},
        TokenCase{"TokensKeepTheirBlank", {"deck.ppt", "/x", "/y"}, {"deck.ppt ", "x ", "y"}},
        TokenCase{"AbsolutePathIsNotAFlag",
                  {"/home/ana/My", "Talk.ppt", "/d:/tmp/out", "/s:2-4"},
                  {"/home/ana/My Talk.ppt ", "d:/tmp/out ", "s:2-4"}},
        TokenCase{"SlashInsideAWordStays", {"a/b.ppt", "/x/y"}, {"a/b.ppt ", "x/y"}},
        TokenCase{"BlankSlashInsideOneWordStays",
                  {"/home/ana/odd /deck.ppt", "/d:/tmp/a /b"},
                  {"/home/ana/odd /deck.ppt ", "d:/tmp/a /b"}},
        TokenCase{"RunOfSlashesIsOneDelimiter", {"deck.ppt", "///bmp"}, {"deck.ppt ", "bmp"}},
        TokenCase{"QuestionAfterSlashIsTheFile", {"/?"}, {"/?"}},
        TokenCase{"TrailingSlashGivesEmptyFlag", {"deck.ppt", "/"}, {"deck.ppt ", ""}},
        TokenCase{"TrailingSlashesGiveOneEmptyFlag", {"deck.ppt", "//"}, {"deck.ppt ", ""}},
        TokenCase{"BlankFlagBetweenSlashes", {"deck.ppt", "/", "/x"}, {"deck.ppt ", " ", "x"}},
        TokenCase{"BlanksInDirectoryValue",
                  {"d.ppt", "/d:/tmp/My", "Output"},
                  {"d.ppt ", "d:/tmp/My Output"}},
        TokenCase{"CommandLineStartingWithFlag", {"/s:2-4", "deck.ppt"}, {"/s:2-4 deck.ppt"}},
        TokenCase{"EmptyWordsAreSkipped", {"", "deck.ppt", "", "/x"}, {"deck.ppt ", "x"}},
        TokenCase{"NoWordsNoToken", {"", ""}, {}},
        TokenCase{"AfterTheEndNothingIsAFlag",
                  {"deck.ppt", "/bmp", "/odd /name"},
                  {"deck.ppt ", "bmp /odd /name"},
                  2}),
    [](const testing::TestParamInfo<TokenCase>& info) { return std::string(info.param.name); });

TEST(Trim, RemovesBlanksAndControlCharactersAtBothEnds) {
    EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
    EXPECT_EQ(Trim("\x01x\x1f"), "x");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(Trim(""), "");
}

TEST(DirectoryPart, FollowsTheLastSlash) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/home/ana/Talk.ppt", "/home/ana"},
        {"/talk.ppt", "/"},
        {"talk.ppt", ""},
        {"", ""},
        {"decks/talk.ppt", "decks"},
        {"/home/ana/", "/home/ana"},
    };
    for (const auto& [name, part] : cases) EXPECT_EQ(DirectoryPart(name), part) << name;
}

}  // namespace
