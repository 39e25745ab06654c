// The option table: every option, values after "=" or as the next word, "--", and the words
// that are refused.
#include "app/Options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using app::Options;
using app::ReadOptions;
using Words = std::vector<std::string>;

struct OptionCase {
    const char* name;
    Words words;
    Options expect;
};

void PrintTo(const OptionCase& c, std::ostream* out) {
    *out << c.name;
}

Options with(auto change) {
    Options o;
    change(o);
    return o;
}

class OptionTable : public testing::TestWithParam<OptionCase> {};

TEST_P(OptionTable, ReadsWords) {
    const Options& e = GetParam().expect;
    const Options o = ReadOptions(GetParam().words);
    EXPECT_EQ(o.error, e.error);
    EXPECT_EQ(o.help, e.help);
    EXPECT_EQ(o.version, e.version);
    EXPECT_EQ(o.noDialogs, e.noDialogs);
    EXPECT_EQ(o.quiet, e.quiet);
    ASSERT_EQ(o.slides.has_value(), e.slides.has_value());
    if (o.slides) {
        EXPECT_EQ(o.slides->first, e.slides->first);
        EXPECT_EQ(o.slides->last, e.slides->last);
    }
    EXPECT_EQ(o.directory, e.directory);
    EXPECT_EQ(o.format, e.format);
    EXPECT_EQ(o.jobs, e.jobs);
    EXPECT_EQ(o.exportSlides, e.exportSlides);
    EXPECT_EQ(o.width, e.width);
    EXPECT_EQ(o.height, e.height);
    EXPECT_EQ(o.name, e.name);
    EXPECT_EQ(o.printFiles, e.printFiles);
    EXPECT_EQ(o.nullTerminated, e.nullTerminated);
    EXPECT_EQ(o.parameters, e.parameters);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OptionTable,
    testing::Values(
        OptionCase{
            "SlashFlagsPassInOrder", {"My", "Deck.ppt", "/s:2-4", "/bmp"}, with([](Options& o) {
                o.parameters = {"My", "Deck.ppt", "/s:2-4", "/bmp"};
            })},
        OptionCase{"Help", {"--help"}, with([](Options& o) { o.help = true; })},
        OptionCase{"ShortHelp", {"-h"}, with([](Options& o) { o.help = true; })},
        OptionCase{"Version", {"--version"}, with([](Options& o) { o.version = true; })},
        OptionCase{"EveryRunOption",
                   {"--no-dialogs", "--quiet", "--slides=2-14", "--dir=/tmp/My Out", "--format=gif",
                    "deck.ppt"},
                   with([](Options& o) {
                       o.noDialogs = o.quiet = true;
                       o.slides = {2, 14};
                       o.directory = "/tmp/My Out";
                       o.format = "gif";
                       o.parameters = {"deck.ppt"};
                   })},
        OptionCase{"ValuesAsNextWord",
                   {"--slides", "3", "--dir", "out", "--format", "bmp", "deck.ppt"},
                   with([](Options& o) {
                       o.slides = {3, 3};
                       o.directory = "out";
                       o.format = "bmp";
                       o.parameters = {"deck.ppt"};
                   })},
        OptionCase{"OptionsBetweenSlashFlags",
                   {"deck.ppt", "/bmp", "--quiet", "/d:out"},
                   with([](Options& o) {
                       o.quiet = true;
                       o.parameters = {"deck.ppt", "/bmp", "/d:out"};
                   })},
        OptionCase{
            "DoubleDashEndsOptions", {"--quiet", "--", "-deck.ppt", "--help"}, with([](Options& o) {
                o.quiet = true;
                o.parameters = {"-deck.ppt", "--help"};
            })},
        OptionCase{"LoneDashIsAWord", {"-"}, with([](Options& o) { o.parameters = {"-"}; })},
        OptionCase{"QuestionMarkIsAWord", {"?"}, with([](Options& o) { o.parameters = {"?"}; })},
        OptionCase{"UnknownLongOption", {"deck.ppt", "--bmp"}, with([](Options& o) {
                       o.error = "unknown option \"--bmp\"";
                       o.parameters = {"deck.ppt"};
                   })},
        OptionCase{"UnknownLongOptionWithValue", {"--size=3", "deck.ppt"}, with([](Options& o) {
                       o.error = "unknown option \"--size\"";
                   })},
        OptionCase{"UnknownShortOption", {"-deck.ppt"}, with([](Options& o) {
                       o.error = "unknown option \"-deck.ppt\"";
                   })},
        OptionCase{"ValueMissingAtTheEnd", {"deck.ppt", "--dir"}, with([](Options& o) {
                       o.error = "--dir needs a value";
                       o.parameters = {"deck.ppt"};
                   })},
        OptionCase{"EmptyValue", {"--format=", "deck.ppt"}, with([](Options& o) {
                       o.error = "--format needs a value";
                   })},
        OptionCase{"FormatInAnyLetterCase", {"--format=PNG", "deck.ppt"}, with([](Options& o) {
                       o.format = "PNG";
                       o.parameters = {"deck.ppt"};
                   })},
        OptionCase{"FormatNotOneOfTheFour", {"--format=tif", "deck.ppt"}, with([](Options& o) {
                       o.error = "--format wants jpg, bmp, gif or png, not \"tif\"";
                   })},
        OptionCase{"ValueOnAPlainOption", {"--quiet=yes", "deck.ppt"}, with([](Options& o) {
                       o.error = "--quiet takes no value";
                   })},
        OptionCase{"SlidesNotANumber", {"--slides=a-3", "deck.ppt"}, with([](Options& o) {
                       o.error =
                           "--slides wants a slide number or a range such as 2-4, not \"a-3\"";
                   })},
        OptionCase{"SlidesOpenEnded", {"--slides=2-", "deck.ppt"}, with([](Options& o) {
                       o.error = "--slides wants a slide number or a range such as 2-4, not \"2-\"";
                   })},
        OptionCase{"SlideZero", {"--slides=0", "deck.ppt"}, with([](Options& o) {
                       o.error = "--slides wants a slide number or a range such as 2-4, not \"0\"";
                   })},
        OptionCase{"Jobs", {"--jobs=3", "deck.ppt"}, with([](Options& o) {
                       o.jobs = 3;
                       o.parameters = {"deck.ppt"};
                   })},
        OptionCase{"JobsZero", {"--jobs=0", "deck.ppt"}, with([](Options& o) {
                       o.error = "--jobs wants a whole number of offices from 1 to 64, not \"0\"";
                   })},
        OptionCase{"JobsNotANumber", {"--jobs", "two", "deck.ppt"}, with([](Options& o) {
                       o.error = "--jobs wants a whole number of offices from 1 to 64, not \"two\"";
                   })},
        OptionCase{"JobsTooMany", {"--jobs=65", "deck.ppt"}, with([](Options& o) {
                       o.error = "--jobs wants a whole number of offices from 1 to 64, not \"65\"";
                   })},
        OptionCase{
            "ImageSize", {"--width=16", "--height", "10000", "deck.ppt"}, with([](Options& o) {
                o.width = 16;
                o.height = 10000;
                o.parameters = {"deck.ppt"};
            })},
        OptionCase{"WidthTooSmall", {"--width=15", "deck.ppt"}, with([](Options& o) {
                       o.error =
                           "--width wants a whole number of pixels from 16 to 10000, not "
                           "\"15\"";
                   })},
        OptionCase{"HeightTooLarge", {"deck.ppt", "--height=10001"}, with([](Options& o) {
                       o.error =
                           "--height wants a whole number of pixels from 16 to 10000, not "
                           "\"10001\"";
                       o.parameters = {"deck.ppt"};
                   })},
        OptionCase{"WidthNotWhole", {"--width=1920.5", "deck.ppt"}, with([](Options& o) {
                       o.error =
                           "--width wants a whole number of pixels from 16 to 10000, not "
                           "\"1920.5\"";
                   })},
        OptionCase{"SlideListInOrderOverlapsJoined",
                   {"--export-slides=9,4-5,2,3,5-6", "deck.ppt"},
                   with([](Options& o) {
                       o.exportSlides = {{2, 6}, {9, 9}};
                       o.parameters = {"deck.ppt"};
                   })},
        OptionCase{"SlideListWithSlashFlagsOtherThanS",
                   {"deck.ppt", "/d:out", "/bmp", "--export-slides", "1"},
                   with([](Options& o) {
                       o.exportSlides = {{1, 1}};
                       o.parameters = {"deck.ppt", "/d:out", "/bmp"};
                   })},
        OptionCase{
            "SlideListReversedRange", {"--export-slides=5-4", "deck.ppt"}, with([](Options& o) {
                o.error =
                    "--export-slides wants slide numbers and ranges such as 2,4-5, "
                    "not \"5-4\"";
            })},
        OptionCase{"SlideListEmptyItem", {"--export-slides=1,,3", "deck.ppt"}, with([](Options& o) {
                       o.error =
                           "--export-slides wants slide numbers and ranges such as 2,4-5, "
                           "not \"1,,3\"";
                   })},
        OptionCase{"SlideListWithSlideRangeFlag",
                   {"deck.ppt", "/S:2-3", "--export-slides=1"},
                   with([](Options& o) {
                       o.exportSlides = {{1, 1}};
                       o.error =
                           "--export-slides exports without a slide show: it cannot go "
                           "with /s or --slides";
                       o.parameters = {"deck.ppt", "/S:2-3"};
                   })},
        OptionCase{"SlideListWithSlidesOption",
                   {"--slides=2", "--export-slides=1", "deck.ppt"},
                   with([](Options& o) {
                       o.slides = {2, 2};
                       o.exportSlides = {{1, 1}};
                       o.error =
                           "--export-slides exports without a slide show: it cannot go "
                           "with /s or --slides";
                       o.parameters = {"deck.ppt"};
                   })},
        OptionCase{"NameAndPrintFiles",
                   {"--name", "page #", "--print-files", "deck.ppt"},
                   with([](Options& o) {
                       o.name = "page #";
                       // A script reads the list: no box may wait for an OK.
                       o.printFiles = o.noDialogs = true;
                       o.parameters = {"deck.ppt"};
                   })},
        OptionCase{"NullImpliesPrintFiles", {"--null", "deck.ppt"}, with([](Options& o) {
                       o.nullTerminated = o.printFiles = o.noDialogs = true;
                       o.parameters = {"deck.ppt"};
                   })},
        OptionCase{"NameWithASlash", {"--name=../#", "deck.ppt"}, with([](Options& o) {
                       o.error = "--name wants a file name pattern without \"/\", not \"../#\"";
                   })},
        OptionCase{"PrintFilesWithoutPresentation", {"--print-files"}, with([](Options& o) {
                       o.printFiles = o.noDialogs = true;
                       o.error = "no presentation given";
                   })},
        OptionCase{"RunOptionWithoutPresentation", {"--no-dialogs"}, with([](Options& o) {
                       o.noDialogs = true;
                       o.error = "no presentation given";
                   })}),
    [](const testing::TestParamInfo<OptionCase>& info) { return std::string(info.param.name); });

}  // namespace
