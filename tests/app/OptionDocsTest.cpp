// The man page and the README name the same options as the option table.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <set>
#include <string>

#include "app/Options.h"

namespace {

using Names = std::set<std::string>;

std::string sourceFile(const std::string& path) {
    const char* root = std::getenv("DECKSHOT_SOURCE_DIR");
    return std::string(root != nullptr ? root : ".") + "/" + path;
}

// "-h", "--slides" ... as they begin each match of the text (a value after "=" is left out).
void addOptionNames(const std::string& text, Names& names) {
    static const std::regex option(R"((^|[^\w-])(--?[a-z][a-z-]*))");
    for (std::sregex_iterator it(text.begin(), text.end(), option), end; it != end; ++it)
        names.insert((*it)[2]);
}

// The macro lines of the man page's OPTIONS section, where each option is set in bold.
Names manPageOptions() {
    std::ifstream in(sourceFile("dist/deckshot.1.in"));
    Names names;
    bool inOptions = false;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(".SH", 0) == 0)
            inOptions = line == ".SH OPTIONS";
        else if (inOptions && line.rfind(".B", 0) == 0)
            addOptionNames(std::regex_replace(line, std::regex(R"(\\-)"), "-"), names);
    }
    return names;
}

// The first column of the README's table of options.
Names readmeOptions() {
    std::ifstream in(sourceFile("README.md"));
    Names names;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("| `-", 0) == 0)
            addOptionNames(line.substr(1, line.find('|', 1) - 1), names);
    }
    return names;
}

TEST(OptionDocs, ManPageAndReadmeNameEveryOptionOfTheTable) {
    const std::vector<std::string> spellings = app::OptionSpellings();
    const Names table(spellings.begin(), spellings.end());
    ASSERT_TRUE(table.count("--help") == 1 && table.count("-h") == 1);
    EXPECT_EQ(manPageOptions(), table);
    EXPECT_EQ(readmeOptions(), table);
}

}  // namespace
