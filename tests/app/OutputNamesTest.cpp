// Output file names and export formats, as tables.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/OutputNames.h"
#include "platform/Automation.h"

namespace {

using app::ExportFormatFor;
using app::NumberWidth;
using app::OutputFileName;

TEST(NumberWidth, CountsDigitsOfTheSlideCount) {
    const struct {
        int count;
        int width;
    } cases[] = {{0, 1}, {1, 1}, {9, 1}, {10, 2}, {99, 2}, {100, 3}, {999, 3}, {1000, 4}};
    for (const auto& c : cases) EXPECT_EQ(NumberWidth(c.count), c.width) << c.count;
}

TEST(OutputFileName, FollowsThePatternAndTheNumberWidth) {
    const struct {
        const char* directory;
        const char* pattern;
        int slide;
        int slideCount;
        const char* extension;
        const char* expected;
    } cases[] = {
        {"/out", "_#", 3, 7, "jpg", "/out/_3.jpg"},
        {"/out", "_#", 3, 12, "jpg", "/out/_03.jpg"},
        {"/out", "_#", 3, 150, "jpg", "/out/_003.jpg"},
        {"/out", "_#", 150, 150, "gif", "/out/_150.gif"},
        {"/out", "page#", 3, 12, "jpg", "/out/page03.jpg"},
        {"/out", "talk", 3, 12, "jpg", "/out/talk.jpg"},  // no "#": one name for all
        {"/out", "#-#", 4, 12, "bmp", "/out/04-04.bmp"},  // every "#"
        {"/out", "_#", 12, 9, "jpg", "/out/_2.jpg"},      // longer number keeps its tail
        {"/out/", "_#", 1, 12, "jpg", "/out//_01.jpg"},   // directory text as it stands
        {"rel dir", "deck_#", 10, 10, "jpg", "rel dir/deck_10.jpg"},
        {"/out", "", 2, 5, "jpg", "/out/.jpg"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(
            OutputFileName(c.directory, c.pattern, c.slide, NumberWidth(c.slideCount), c.extension),
            c.expected)
            << c.pattern << " slide " << c.slide << " of " << c.slideCount;
    }
}

TEST(OutputFileName, AHashFromTheDecksNameStaysLiteral) {
    const struct {
        const char* pattern;
        const char* deckName;
        const char* expected;
    } cases[] = {
        {"has#hash_#", "has#hash", "/out/has#hash_03.jpg"},
        {"#_#", "#", "/out/#_03.jpg"},
        {"has#hash_#-#", "has#hash", "/out/has#hash_03-03.jpg"},  // the user's own "#"s count
        {"has#hash", "has#hash", "/out/has03hash.jpg"},  // no "#" after it: a plain pattern
        {"page#", "has#hash", "/out/page03.jpg"},        // typed anew: every "#"
        {"x_#", "", "/out/x_03.jpg"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OutputFileName("/out", c.pattern, 3, 2, "jpg", c.deckName), c.expected)
            << c.pattern;
}

TEST(ExportFormatFor, FourWordsInAnyLetterCaseAndNothingElse) {
    const struct {
        const char* word;
        int number;  // 0: no format
        const char* extension;
    } cases[] = {
        {"jpg", platform::SaveAsJpeg, "jpg"},
        {"bmp", platform::SaveAsBmp, "bmp"},
        {"gif", platform::SaveAsGif, "gif"},
        {"png", platform::SaveAsPng, "png"},
        {"BMP", platform::SaveAsBmp, "bmp"},
        {"Gif", platform::SaveAsGif, "gif"},
        {"peg", 0, ""},
        {"  x", 0, ""},
        {"", 0, ""},
        {"jpg ", 0, ""},
    };
    for (const auto& c : cases) {
        const std::optional<app::ExportFormat> format = app::FindExportFormat(c.word);
        if (c.number == 0) {
            EXPECT_FALSE(format.has_value()) << c.word;
            EXPECT_THROW(ExportFormatFor(c.word), app::UnknownFormatError) << c.word;
            continue;
        }
        ASSERT_TRUE(format.has_value()) << c.word;
        EXPECT_EQ(format->number, c.number) << c.word;
        EXPECT_EQ(format->extension, c.extension) << c.word;
    }
    EXPECT_EQ(app::UnknownFormatMessage("tif"), "Error: Unknown image format \"tif\"");
}

}  // namespace
