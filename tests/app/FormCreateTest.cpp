// The command line read by FormCreate, driven with scripted dialogs and a recording Convert.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/MainWindow.h"
#include "tests/fakes/FakeAutomation.h"
#include "tests/fakes/FakeRunPlatforms.h"
#include "tests/fakes/FakeServices.h"

namespace {

using app::TForm1;

// The program's services, all fakes.
struct FakeProgram : fakes::FakeServices {
    fakes::FakeAutomation automation;
    fakes::FakeRunPlatforms runs{automation};
    app::Program program{dialogs, clock, shell, events, runs};
};

app::Options commandLine(std::vector<std::string> parameters) {
    app::Options options;
    options.parameters = std::move(parameters);
    return options;
}

struct Expect {
    std::string fileName;
    std::string outputDir;
    bool someSlides = false;
    int fslide = -1;
    int tslide = -1;
    std::string formatOverride;
    bool batchMode = false;
    int converts = 0;
    std::vector<std::string> messages;
    bool quit = false;
    bool failed = false;
};

struct CommandLineCase {
    const char* name;
    std::vector<std::string> parameters;
    Expect expect;
};

void PrintTo(const CommandLineCase& c, std::ostream* out) {
    *out << c.name;
}

class FormCreateReads : public testing::TestWithParam<CommandLineCase> {
  protected:
    FakeProgram services;
};

TEST_P(FormCreateReads, CommandLineIntoControls) {
    const CommandLineCase& c = GetParam();
    const Expect& e = c.expect;
    // Conventional options are read first; the rest is the command line of the slash flags.
    const app::Options options = app::ReadOptions(c.parameters);
    ASSERT_EQ(options.error, "");
    int converts = 0;
    bool batchWhenConverting = false;
    TForm1 form(services.program.services(), options, [&](TForm1& converting) {
        ++converts;
        batchWhenConverting = converting.BatchMode;
    });

    EXPECT_EQ(form.FileName->text().toStdString(), e.fileName);
    EXPECT_EQ(form.OutputDir->text().toStdString(), e.outputDir);
    EXPECT_EQ(form.SomeSlides->isChecked(), e.someSlides);
    EXPECT_EQ(form.allslides->isChecked(), !e.someSlides);
    EXPECT_EQ(form.Fslide->currentIndex(), e.fslide);
    EXPECT_EQ(form.Tslide->currentIndex(), e.tslide);
    EXPECT_EQ(form.FormatOverride, e.formatOverride);
    EXPECT_EQ(form.BatchMode, e.batchMode);
    EXPECT_EQ(converts, e.converts);
    if (converts > 0) {
        EXPECT_TRUE(batchWhenConverting);
    }
    EXPECT_EQ(services.dialogs.texts(), e.messages);
    for (const fakes::ShownBox& box : services.dialogs.shown) {
        EXPECT_EQ(box.caption, "Convert PPT to jpg, bmp or gif files ");
    }
    EXPECT_EQ(form.quitRequested(), e.quit);
    EXPECT_EQ(form.runFailed, e.failed);
    EXPECT_TRUE(form.OutputFiles.empty());
}

const std::string Usage =
    "Convert PowerPoint slides to JPEGs or Bit Maps\r\n\r\n"
    "deckshot <PowerPoint file> [/s:n1-n2] [/d:Directory] [/bmp]\r\n\r\nWhere\r\n"
    "      /s specifies slides to convert - default = All\r\n"
    "         if n2 is not specified then only slide n1 will be converted\r\n"
    "      /d specifies the output directory\r\n"
    "      /bmp will produce Bit Maps";

Expect converted(std::string file) {
    Expect e;
    e.fileName = std::move(file);
    e.batchMode = true;
    e.converts = 1;
    e.quit = true;
    return e;
}

Expect with(Expect e, auto change) {
    change(e);
    return e;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormCreateReads,
    testing::Values(
        CommandLineCase{"NoArguments", {}, Expect{}},
        CommandLineCase{"UsageAlone",
                        {"?"},
                        with(Expect{},
                             [](Expect& e) {
                                 e.messages = {Usage};
                                 e.quit = true;
                             })},
        CommandLineCase{"SlashQuestionIsAFileName", {"/?"}, converted("/?")},
        CommandLineCase{"BmpThenRange",
                        {"deck.ppt", "/bmp", "/s:2-4"},
                        with(converted("deck.ppt"),
                             [](Expect& e) {
                                 e.someSlides = true;
                                 e.fslide = 1;
                                 e.tslide = 3;
                                 e.formatOverride = "bmp";
                             })},
        CommandLineCase{"RangeThenBmp",
                        {"deck.ppt", "/s:2-4", "/bmp"},
                        with(converted("deck.ppt"),
                             [](Expect& e) {
                                 e.someSlides = true;
                                 e.fslide = 1;
                                 e.tslide = 3;
                                 e.formatOverride = "bmp";
                             })},
        CommandLineCase{"RangeLast",
                        {"deck.ppt", "/d:out", "/s:2-14"},
                        with(converted("deck.ppt"),
                             [](Expect& e) {
                                 e.outputDir = "out";
                                 e.someSlides = true;
                                 e.fslide = 1;
                                 e.tslide = 13;
                             })},
        CommandLineCase{"UpperCaseFlags",
                        {"deck.ppt", "/S: 3 - 4 ", "/BMP", "/D:out"},
                        with(converted("deck.ppt"),
                             [](Expect& e) {
                                 e.outputDir = "out";
                                 e.someSlides = true;
                                 e.fslide = 2;
                                 e.tslide = 3;
                                 e.formatOverride = "bmp";
                             })},
        CommandLineCase{"TwoInvalidFlags",
                        {"deck.ppt", "/x", "/y"},
                        with(converted("deck.ppt"),
                             [](Expect& e) {
                                 e.converts = 0;
                                 e.failed = true;
                                 e.messages = {"Error: Invalid flag \"/x \" in deck.ppt /x /y",
                                               "Error: Invalid flag \"/y\" in deck.ppt /x /y"};
                             })},
        CommandLineCase{"BmpMustBeWhole",
                        {"deck.ppt", "/bmpx"},
                        with(converted("deck.ppt"),
                             [](Expect& e) {
                                 e.converts = 0;
                                 e.failed = true;
                                 e.messages = {"Error: Invalid flag \"/bmpx\" in deck.ppt /bmpx"};
                             })},
        CommandLineCase{"TrailingSlashIsAnInvalidFlag",
                        {"deck.ppt", "/"},
                        with(converted("deck.ppt"),
                             [](Expect& e) {
                                 e.converts = 0;
                                 e.failed = true;
                                 e.messages = {"Error: Invalid flag \"/\" in deck.ppt /"};
                             })},
        CommandLineCase{"UnquotedBlanksInFileName", {"My", "Deck.ppt"}, converted("My Deck.ppt")},
        CommandLineCase{
            "UnquotedBlanksInDirectory",
            {"deck.ppt", "/d:/tmp/My", "Output"},
            with(converted("deck.ppt"), [](Expect& e) { e.outputDir = "/tmp/My Output"; })},
        CommandLineCase{"AbsolutePathsUnquoted",
                        {"/home/ana/My", "Talk.ppt", "/d:/tmp/out", "/s:2-4"},
                        with(converted("/home/ana/My Talk.ppt"),
                             [](Expect& e) {
                                 e.outputDir = "/tmp/out";
                                 e.someSlides = true;
                                 e.fslide = 1;
                                 e.tslide = 3;
                             })},
        CommandLineCase{"LongerWordsAreFlags",
                        {"deck.ppt", "/dir:/out"},
                        with(converted("deck.ppt"), [](Expect& e) { e.outputDir = "r:/out"; })},
        CommandLineCase{"RangeBeyondTheList",
                        {"deck.ppt", "/s:1-2000"},
                        with(converted("deck.ppt"),
                             [](Expect& e) {
                                 e.someSlides = true;
                                 e.fslide = 0;
                                 e.tslide = -1;
                             })},
        CommandLineCase{"SlideZeroSelectsNothing",
                        {"deck.ppt", "/s:0-0"},
                        with(converted("deck.ppt"), [](Expect& e) { e.someSlides = true; })},
        CommandLineCase{"SingleSlideSetsBothBoxes",
                        {"deck.ppt", "/s:5"},
                        with(converted("deck.ppt"),
                             [](Expect& e) {
                                 e.someSlides = true;
                                 e.fslide = 4;
                                 e.tslide = 4;
                             })},
        CommandLineCase{"FirstSlideNotANumber",
                        {"deck.ppt", "/d:out", "/s:a-3", "/bmp"},
                        with(Expect{},
                             [](Expect& e) {
                                 e.fileName = "deck.ppt";
                                 e.outputDir = "out";
                                 e.someSlides = true;
                                 e.failed = true;
                                 e.messages = {"'a' is not a valid integer value"};
                             })},
        CommandLineCase{"FirstSlideEmpty",
                        {"deck.ppt", "/s:-3"},
                        with(Expect{},
                             [](Expect& e) {
                                 e.fileName = "deck.ppt";
                                 e.someSlides = true;
                                 e.failed = true;
                                 e.messages = {"'' is not a valid integer value"};
                             })},
        CommandLineCase{"OptionsWinOverFlags",
                        {"--slides=5-6", "deck.ppt", "/s:2-4", "/bmp", "/d:flag", "--format=gif",
                         "--dir", "option"},
                        with(converted("deck.ppt"),
                             [](Expect& e) {
                                 e.someSlides = true;
                                 e.fslide = 4;
                                 e.tslide = 5;
                                 e.formatOverride = "gif";
                                 e.outputDir = "option";
                             })},
        CommandLineCase{"OptionsBesideFlags",
                        {"--dir=/tmp/a /b", "--slides=3", "deck.ppt", "/bmp"},
                        with(converted("deck.ppt"),
                             [](Expect& e) {
                                 e.someSlides = true;
                                 e.fslide = 2;
                                 e.tslide = 2;
                                 e.formatOverride = "bmp";
                                 e.outputDir = "/tmp/a /b";
                             })},
        CommandLineCase{"DoubleDashBeforeTheFile",
                        {"--quiet", "--format=bmp", "--", "-deck.ppt"},
                        with(converted("-deck.ppt"), [](Expect& e) { e.formatOverride = "bmp"; })},
        CommandLineCase{"AfterTheDoubleDashNothingIsAFlag",
                        {"--", "/home/ana/odd /deck.ppt", "/bmp"},
                        converted("/home/ana/odd /deck.ppt /bmp")},
        CommandLineCase{"BlankSlashInsideOneWord",
                        {"/home/ana/odd /deck.ppt", "/d:/tmp/a /b"},
                        with(converted("/home/ana/odd /deck.ppt"),
                             [](Expect& e) { e.outputDir = "/tmp/a /b"; })},
        CommandLineCase{"OneInvalidFlagWithABlankSlashInside",
                        {"deck.ppt", "/x /y"},
                        with(converted("deck.ppt"),
                             [](Expect& e) {
                                 e.converts = 0;
                                 e.failed = true;
                                 e.messages = {"Error: Invalid flag \"/x /y\" in deck.ppt /x /y"};
                             })},
        CommandLineCase{"InvalidFlagBesideOptions",
                        {"deck.ppt", "--slides=2-3", "/x"},
                        with(Expect{},
                             [](Expect& e) {
                                 e.fileName = "deck.ppt";
                                 e.someSlides = true;
                                 e.fslide = 1;
                                 e.tslide = 2;
                                 e.batchMode = true;
                                 e.quit = true;
                                 e.failed = true;
                                 e.messages = {"Error: Invalid flag \"/x\" in deck.ppt /x"};
                             })}),
    [](const testing::TestParamInfo<CommandLineCase>& info) {
        return std::string(info.param.name);
    });

TEST(FormCreate, StartsWithTheListsFilledAndNothingSelected) {
    FakeProgram services;
    TForm1 form(services.program.services());
    for (QComboBox* box : {form.Fslide, form.Tslide}) {
        ASSERT_EQ(box->count(), 1000);
        EXPECT_EQ(box->itemText(0), "1");
        EXPECT_EQ(box->itemText(999), "1000");
        EXPECT_EQ(box->currentIndex(), -1);
        EXPECT_EQ(box->currentText(), "1");
    }
    EXPECT_FALSE(form.quitRequested());
    EXPECT_TRUE(services.dialogs.shown.empty());
}

TEST(FormCreate, FileNameFromCommandLineFillsThePattern) {
    FakeProgram services;
    TForm1 form(services.program.services(), commandLine({"/home/ana/My", "Talk.ppt"}),
                [](TForm1&) {});
    EXPECT_EQ(form.OfileName->text(), "My Talk_#");
    EXPECT_FALSE(form.OfileName->isHidden());
    EXPECT_FALSE(form.OfileNameLabel->isHidden());
}

TEST(FormCreate, NameOptionIsTypedIntoThePatternFieldAfterTheFileName) {
    FakeProgram services;
    TForm1 form(services.program.services(), app::ReadOptions({"a#.ppt", "--name=a#-#"}),
                [](TForm1&) {});
    EXPECT_EQ(form.OfileName->text(), "a#-#");
    // Typed in, every "#" is the number, also where the deck's name has one.
    EXPECT_EQ(app::ImageFileName(form.request(), 2, 1, "jpg"), "/a2-2.jpg");
}

TEST(FormCreate, ErrorEscapingConvertIsShownAndTheWindowStays) {
    FakeProgram services;
    TForm1 form(services.program.services(), commandLine({"deck.ppt"}),
                [](TForm1&) { throw std::runtime_error("Unsupported clipboard format"); });
    EXPECT_EQ(services.dialogs.texts(), std::vector<std::string>{"Unsupported clipboard format"});
    EXPECT_TRUE(form.BatchMode);
    EXPECT_FALSE(form.quitRequested());
    EXPECT_TRUE(form.runFailed);
}

TEST(FormCreate, CommandLineRunThatFailsAsksToQuitAndReportsTheFailure) {
    FakeProgram services;
    TForm1 form(services.program.services(), commandLine({"/nonexistent/deck.ppt"}));
    EXPECT_EQ(services.dialogs.texts(),
              std::vector<std::string>{"Error: \"/nonexistent/deck.ppt\" does not exist."});
    EXPECT_TRUE(form.runFailed);
    EXPECT_TRUE(form.quitRequested());
}

}  // namespace
