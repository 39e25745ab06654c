#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using app::DirectoryPart;
using app::NextFlagToken;
using app::Trim;

struct FlagWalk {
    const char* name;
    std::string text;
    std::vector<std::string> tokens;  // every token until the position comes back as 0
};

void PrintTo(const FlagWalk& walk, std::ostream* out) {
    *out << walk.name;
}

class NextFlagTokenWalk : public testing::TestWithParam<FlagWalk> {};

TEST_P(NextFlagTokenWalk, SplitsOnlyAtSlashesThatBeginAWord) {
    const FlagWalk& walk = GetParam();
    std::vector<std::string> tokens;
    int position = 1;
    std::string token;
    NextFlagToken(walk.text, position, token);
    tokens.push_back(token);
    while (position != 0 && tokens.size() < 50) {
        NextFlagToken(walk.text, position, token);
        tokens.push_back(token);
    }
    EXPECT_EQ(tokens, walk.tokens);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NextFlagTokenWalk,
    testing::Values(
        FlagWalk{"FileAlone", "deck.ppt", {"deck.ppt"}},
        FlagWalk{"TokensKeepTheirBlank", "deck.ppt /x /y", {"deck.ppt ", "x ", "y"}},
        FlagWalk{"AbsolutePathIsNotAFlag",
                 "/home/ana/My Talk.ppt /d:/tmp/out /s:2-4",
                 {"/home/ana/My Talk.ppt ", "d:/tmp/out ", "s:2-4"}},
        FlagWalk{"SlashInsideAWordStays", "a/b.ppt /x/y", {"a/b.ppt ", "x/y"}},
        FlagWalk{"RunOfSlashesIsOneDelimiter", "deck.ppt ///bmp", {"deck.ppt ", "bmp"}},
        FlagWalk{"QuestionAfterSlashIsTheFile", "/?", {"/?"}},
        FlagWalk{"TrailingSlashGivesEmptyFlag", "deck.ppt /", {"deck.ppt ", ""}},
        FlagWalk{"TrailingSlashesGiveOneEmptyFlag", "deck.ppt //", {"deck.ppt ", ""}},
        FlagWalk{"BlankFlagBetweenSlashes", "deck.ppt / /x", {"deck.ppt ", " ", "x"}},
        FlagWalk{
            "BlanksInDirectoryValue", "d.ppt /d:/tmp/My Output", {"d.ppt ", "d:/tmp/My Output"}},
        FlagWalk{"CommandLineStartingWithFlag", "/s:2-4 deck.ppt", {"/s:2-4 deck.ppt"}}),
    [](const testing::TestParamInfo<FlagWalk>& info) { return std::string(info.param.name); });

TEST(NextFlagToken, UsedUpOrEmptyTextGivesNothing) {
    for (const auto& [text, start] :
         std::vector<std::pair<std::string, int>>{{"", 1}, {"abc", 0}, {"abc", -3}, {"abc", 4}}) {
        int position = start;
        std::string token = "stale";
        NextFlagToken(text, position, token);
        EXPECT_EQ(token, "") << text << " at " << start;
        EXPECT_EQ(position, 0) << text << " at " << start;
    }
}

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
