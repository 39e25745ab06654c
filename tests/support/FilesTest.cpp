#include "support/Files.h"

#include <gtest/gtest.h>

namespace {

using support::BaseFileName;
using support::CommandLineText;

TEST(CommandLineText, JoinsParametersWithSingleBlanks) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, ""},
        {{"deck.ppt", "/bmp"}, "deck.ppt /bmp"},
        {{"My Deck.ppt", "/d:out"}, "My Deck.ppt /d:out"},
        {{"My", "Deck.ppt"}, "My Deck.ppt"},
        {{"?"}, "?"},
        {{"", "deck.ppt", ""}, "deck.ppt"},
    };
    for (const auto& [parameters, expected] : cases) {
        EXPECT_EQ(CommandLineText(parameters), expected);
    }
}

TEST(BaseFileName, DropsDirectoryAndLastExtension) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/slides/talk.v2.ppt", "talk.v2"},
        {"talk", "talk"},
        {".ppt", ""},
        {"/home/ana/My Talk.ppt", "My Talk"},
        {"/home/ana.d/talk", "talk"},
        {"", ""},
        {"dir/", ""},
    };
    for (const auto& [path, expected] : cases) EXPECT_EQ(BaseFileName(path), expected) << path;
}

}  // namespace
