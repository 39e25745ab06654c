// The Convert command and the all-slides export, over the recording presentation application:
// order of calls, every message, the waits, the names and what is left on disk.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "tests/app/ConvertFixture.h"

namespace {

using app::TForm1;
using testapp::contents;
using testapp::Info;
using testapp::question;
using testapp::Texts;
using testapp::Warning;
using testapp::writeFile;
namespace fs = std::filesystem;

class ConvertCommand : public testapp::ConvertFixture {};

// The calls with the run's staging folder, whose name is the run's own, written "<staging>".
Texts withStagingNamed(Texts calls) {
    for (std::string& call : calls) {
        const auto start = call.find("/.deckshot-staging-");
        if (start != std::string::npos)
            call.replace(start + 1, call.find(',', start) - start - 1, "<staging>");
    }
    return calls;
}

// Nothing of a run's staging is left in the directory.
bool noStagingLeft(const std::string& directory) {
    for (const auto& entry : fs::directory_iterator(directory))
        if (entry.path().filename().string().rfind(".deckshot-staging-", 0) == 0)
            return false;
    return true;
}

TEST_F(ConvertCommand, AllSlidesDrivesTheApplicationInOrderAndNamesTheImages) {
    automation.script.slideCount = 12;
    QString captionWhileLoading;
    bool busyWhileLoading = false;
    automation.script.onCall = [&](const std::string& call) {
        if (call == "openPresentation") {
            captionWhileLoading = form->windowTitle();
            busyWhileLoading = QApplication::overrideCursor() != nullptr &&
                               QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        }
    };

    clickConvert();

    EXPECT_EQ(automation.requestedIds, Texts{"PowerPoint.Application"});
    EXPECT_EQ(
        withStagingNamed(automation.log->calls),
        (Texts{"setVisible(1)", "openPresentation(" + deck + ",0,0,1)", "setAdvanceMode(1)",
               "runSlideShow()", "slideCount()", "saveAs(" + out + "/<staging>,17,1)", "quit()"}));
    EXPECT_TRUE(noStagingLeft(out));
    EXPECT_EQ(automation.log->released, 1);
    // No fixed pause before opening or before restoring: the office answers when it is ready,
    // and Quit returns once it has gone.
    EXPECT_TRUE(services.clock.sleeps.empty());
    EXPECT_EQ(captionWhileLoading.toStdString(), "Loading " + deck + "...");
    EXPECT_TRUE(busyWhileLoading);

    EXPECT_EQ(form->OutputFiles, outputNames(12, "talk_"));
    for (int n = 1; n <= 12; ++n) {
        EXPECT_EQ(contents(form->OutputFiles[n - 1]),
                  "fake jpg of slide " + std::to_string(n) + "\n");
        EXPECT_FALSE(fs::exists(inOut("Slide" + std::to_string(n) + ".jpg")));
    }
    EXPECT_EQ(services.dialogs.texts(), (Texts{Info, question(12)}));
    ASSERT_EQ(services.shell.opened.size(), 1U);
    EXPECT_EQ(services.shell.opened[0].file, inOut("talk_01.jpg"));
    EXPECT_EQ(services.shell.opened[0].parameters, out);
    EXPECT_EQ(services.shell.opened[0].directory, "");
    EXPECT_EQ(services.shell.opened[0].showCommand, 1);

    EXPECT_EQ(form->windowTitle().toStdString(), "before");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(form->runFailed);
}

struct FormatCase {
    const char* name;
    const char* convertTo;
    const char* formatOverride;
    const char* word;
    int number;
    const char* extension;
};

class ConvertFormats : public ConvertCommand, public testing::WithParamInterface<FormatCase> {};

TEST_P(ConvertFormats, FormatWordChoosesExportAndExtension) {
    const FormatCase& c = GetParam();
    form->ConvertTo->setEditText(QString::fromUtf8(c.convertTo));
    form->FormatOverride = c.formatOverride;
    form->BatchMode = true;

    clickConvert();

    EXPECT_EQ(services.dialogs.texts(),
              Texts{"Powerpoint will save your presentation as *." + std::string(c.word) +
                    " files.\n\rPlease wait for it to finish converting your presentation."});
    EXPECT_EQ(withStagingNamed(automation.log->calls).at(5),
              "saveAs(" + out + "/<staging>," + std::to_string(c.number) + ",1)");
    const std::string extension = c.extension;
    EXPECT_EQ(form->OutputFiles, (Texts{inOut("talk_1." + extension), inOut("talk_2." + extension),
                                        inOut("talk_3." + extension)}));
    for (const std::string& file : form->OutputFiles)
        EXPECT_TRUE(fs::is_regular_file(file)) << file;
}

INSTANTIATE_TEST_SUITE_P(
    Words, ConvertFormats,
    testing::Values(FormatCase{"jpg", "Convert to *.jpg", "", "jpg", 17, "jpg"},
                    FormatCase{"bmp", "Convert to *.bmp", "", "bmp", 19, "bmp"},
                    FormatCase{"gif", "Convert to *.gif", "", "gif", 16, "gif"},
                    FormatCase{"overrideBmp", "Convert to *.jpg", "bmp", "bmp", 19, "bmp"},
                    FormatCase{"png", "Convert to *.png", "", "png", 18, "png"},
                    FormatCase{"anyLetterCase", "Convert to *.BMP", "", "bmp", 19, "bmp"}),
    [](const testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

TEST_F(ConvertCommand, ProgressOfTheExportInTheCaptionAndOnTheConsole) {
    Texts captions;
    services.dialogs.onProgress = [&](const std::string&) {
        captions.push_back(form->windowTitle().toStdString());
    };

    clickConvert();

    const Texts shown{"Loading " + deck + "...", "Exported slide 1 of 3", "Exported slide 2 of 3",
                      "Exported slide 3 of 3"};
    Texts ended = shown;
    ended.push_back("");
    EXPECT_EQ(services.dialogs.progressTexts, ended);
    EXPECT_EQ(Texts(captions.begin(), captions.end() - 1), shown);
    EXPECT_EQ(form->windowTitle().toStdString(), "before");
}

TEST_F(ConvertCommand, ChecksStopBeforeAnythingIsConverted) {
    ASSERT_EQ(::mkfifo((root + "/fifo.ppt").c_str(), 0600), 0);
    fs::create_symlink(root + "/loop.ppt", root + "/loop.ppt");
    const struct {
        const char* name;
        std::string fileName;
        int first, last;
        bool allSlides;
        std::string message;
    } cases[] = {
        {"missing", root + "/gone.ppt", -1, -1, true,
         "Error: \"" + root + "/gone.ppt\" does not exist."},
        {"directory", out, -1, -1, true, "Error: \"" + out + "\" is a directory."},
        {"fifo", root + "/fifo.ppt", -1, -1, true,
         "Error: \"" + root + "/fifo.ppt\" is not a regular file."},
        {"linkLoop", root + "/loop.ppt", -1, -1, true,
         "Error: \"" + root + "/loop.ppt\" is not a regular file."},
        {"notTrimmed", deck + " ", -1, -1, true, "Error: \"" + deck + " \" does not exist."},
        {"reversed", deck, 4, 2, false, "Error: First slide(5) is greater than last slide(3)."},
        {"reversedAllSlides", deck, 9, 0, true,
         "Error: First slide(10) is greater than last slide(1)."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        services.dialogs.shown.clear();
        form->OutputFiles = {"left over"};
        form->FileName->setText(QString::fromStdString(c.fileName));
        form->Fslide->setCurrentIndex(c.first);
        form->Tslide->setCurrentIndex(c.last);
        (c.allSlides ? form->allslides : form->SomeSlides)->setChecked(true);

        clickConvert();

        EXPECT_EQ(services.dialogs.texts(), Texts{c.message});
        EXPECT_EQ(form->OutputFiles, Texts{"left over"});
        EXPECT_TRUE(automation.requestedIds.empty());
        EXPECT_TRUE(form->runFailed);
    }
}

TEST_F(ConvertCommand, OutputDirectoryQuestionAndCreation) {
    const struct {
        const char* name;
        std::string directory;
        bool answer;
        Texts messages;
        bool converted;
    } cases[] = {
        {"refused",
         root + "/new",
         false,
         {"The directory \"" + root + "/new\" does not exist.  Do you want it created?",
          question(0)},
         false},
        {"created",
         root + "/new",
         true,
         {"The directory \"" + root + "/new\" does not exist.  Do you want it created?", Info,
          question(3)},
         true},
        {"parentMissing",
         root + "/no/new",
         true,
         {"The directory \"" + root + "/no/new\" does not exist.  Do you want it created?",
          "Error: Cannot create " + root + "/no/new", question(0)},
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        services.dialogs.shown.clear();
        automation.requestedIds.clear();
        form->OutputDir->setText(QString::fromStdString(c.directory));
        services.dialogs.yesNoAnswers = {c.answer, false};

        clickConvert();

        EXPECT_EQ(services.dialogs.texts(), c.messages);
        EXPECT_EQ(fs::is_directory(c.directory), c.converted);
        EXPECT_EQ(automation.requestedIds.size(), c.converted ? 1U : 0U);
        EXPECT_EQ(form->OutputFiles.size(), c.converted ? 3U : 0U);
        EXPECT_TRUE(services.shell.opened.empty());
    }
}

TEST_F(ConvertCommand, ANameTooLongForTheFileSystemStopsBothWaysBeforeAnOfficeStarts) {
    const std::string longName(::pathconf(out.c_str(), _PC_NAME_MAX), 'n');
    for (const bool allSlides : {true, false}) {
        SCOPED_TRACE(allSlides);
        services.dialogs.shown.clear();
        form->OfileName->setText(QString::fromStdString(longName + "#"));
        (allSlides ? form->allslides : form->SomeSlides)->setChecked(true);
        services.dialogs.yesNoAnswers = {false};

        clickConvert();

        EXPECT_EQ(services.dialogs.texts(), (Texts{"Error: Cannot write " + out + "/" + longName +
                                                       "1.jpg: File name too long",
                                                   question(0)}));
        EXPECT_TRUE(automation.requestedIds.empty());
        EXPECT_TRUE(form->runFailed);
    }
}

TEST_F(ConvertCommand, EmptyOutputDirectoryBecomesThePresentationsDirectory) {
    const struct {
        const char* name;
        std::string fileName;
        const char* typed;
        std::string filled;
    } cases[] = {
        {"empty", "", "", root + "/"},
        {"blanks", "", "  \t ", root + "/"},
        // A bare name lies in the current directory.
        {"bareName", "talk.ppt", "", "./"},
    };
    const fs::path before = fs::current_path();
    fs::current_path(root);
    form->BatchMode = true;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        form->FileName->setText(QString::fromStdString(c.fileName.empty() ? deck : c.fileName));
        form->OutputDir->setText(QString::fromUtf8(c.typed));

        clickConvert();

        EXPECT_EQ(form->OutputDir->text().toStdString(), c.filled);
        ASSERT_EQ(form->OutputFiles.size(), 3U);
        EXPECT_EQ(form->OutputFiles[0], c.filled + "/talk_1.jpg");
        EXPECT_TRUE(fs::is_regular_file(root + "/talk_1.jpg"));
        EXPECT_FALSE(form->runFailed);
    }
    fs::current_path(before);
}

TEST_F(ConvertCommand, ApplicationThatCannotBeCreated) {
    automation.script.createFails = true;

    clickConvert();

    // The reason follows in a message of its own.
    EXPECT_EQ(services.dialogs.texts(),
              (Texts{Info, "Error: Unable to open PowerPoint",
                     "Error: cannot create PowerPoint.Application", question(0)}));
    EXPECT_TRUE(services.clock.sleeps.empty());
    EXPECT_TRUE(services.shell.opened.empty());  // nothing to open, whatever the answer
    EXPECT_EQ(form->windowTitle().toStdString(), "before");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(form->runFailed);
}

TEST_F(ConvertCommand, FailureOfAnyCallQuitsTheApplicationAndEndsTheCommand) {
    for (const char* call : {"setVisible", "openPresentation", "setAdvanceMode", "runSlideShow",
                             "slideCount", "saveAs", "quit"}) {
        SCOPED_TRACE(call);
        services.dialogs.shown.clear();
        services.clock.sleeps.clear();
        automation.log = std::make_shared<fakes::AutomationLog>();
        automation.script.failAt = call;
        automation.script.failMessage = std::string("Cannot do ") + call;
        form->runFailed = false;

        clickConvert();

        // The error with its own text as an error line, and nothing after it: no duplicate
        // check, no question.
        EXPECT_EQ(services.dialogs.texts(), (Texts{Info, std::string("Error: Cannot do ") + call}));
        EXPECT_EQ(std::count(automation.log->calls.begin(), automation.log->calls.end(), "quit()"),
                  1);
        EXPECT_EQ(automation.log->calls.back(), "quit()");
        EXPECT_EQ(automation.log->released, automation.log->created);
        EXPECT_TRUE(services.clock.sleeps.empty());
        EXPECT_TRUE(form->OutputFiles.empty());
        EXPECT_EQ(form->windowTitle().toStdString(), "before");
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_TRUE(form->runFailed);
    }
}

TEST_F(ConvertCommand, StaleTargetIsReplaced) {
    writeFile(inOut("talk_2.jpg"), "an older run");

    clickConvert();

    EXPECT_EQ(form->OutputFiles,
              (Texts{inOut("talk_1.jpg"), inOut("talk_2.jpg"), inOut("talk_3.jpg")}));
    EXPECT_EQ(contents(inOut("talk_2.jpg")), "fake jpg of slide 2\n");
    EXPECT_FALSE(fs::exists(inOut("Slide2.jpg")));
}

TEST_F(ConvertCommand, RenameThatFailsIsReportedAndTheExportKept) {
    fs::create_directory(inOut("talk_2.jpg"));
    form->BatchMode = true;

    clickConvert();

    EXPECT_EQ(services.dialogs.texts(),
              (Texts{Info, "Error: Cannot rename slide 2 to " + inOut("talk_2.jpg") +
                               ": Is a directory; it is kept as " + inOut("Slide2.jpg")}));
    EXPECT_EQ(form->OutputFiles,
              (Texts{inOut("talk_1.jpg"), inOut("Slide2.jpg"), inOut("talk_3.jpg")}));
    EXPECT_EQ(contents(inOut("Slide2.jpg")), "fake jpg of slide 2\n");
    EXPECT_TRUE(form->runFailed);
    EXPECT_TRUE(noStagingLeft(out));
}

TEST_F(ConvertCommand, NeighbouringDuplicatesAreReported) {
    const struct {
        const char* name;
        Texts slides;  // what each exported slide holds
        const char* pattern;
        std::vector<std::pair<int, int>> pairs;  // 1-based entries reported equal
    } cases[] = {
        {"threeInARow", {"A", "A", "A"}, "_#", {{1, 2}, {2, 3}}},
        {"notNeighbours", {"A", "B", "A"}, "_#", {}},
        {"allDifferent", {"A", "B", "C"}, "_#", {}},
        {"oneImage", {"A"}, "_#", {}},
        {"noImage", {}, "_#", {}},
        // Without "#" the slides after the first keep their exported names.
        {"patternWithoutNumber", {"A", "A", "B"}, "talk", {{1, 2}}},
    };
    form->BatchMode = true;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        services.dialogs.shown.clear();
        for (const auto& entry : fs::directory_iterator(out)) fs::remove(entry.path());
        automation.script.slideCount = static_cast<int>(c.slides.size());
        automation.script.exportedContent = [&c](int slide, const std::string&) {
            return c.slides[slide - 1];
        };
        form->OfileName->setText(QString::fromUtf8(c.pattern));

        clickConvert();

        Texts expected{Info};
        if (std::string(c.pattern) == "talk")
            expected.push_back("Error: " + inOut("talk.jpg") +
                               " would have held more than one slide: the others are kept in " +
                               out + " as Slide2.jpg, Slide3.jpg");
        for (const auto& [a, b] : c.pairs)
            expected.push_back(form->OutputFiles.at(a - 1) + " is the same as " +
                               form->OutputFiles.at(b - 1));
        if (!c.pairs.empty())
            expected.push_back(Warning);
        EXPECT_EQ(services.dialogs.texts(), expected);
        EXPECT_EQ(form->OutputFiles.size(), c.slides.size());
    }
}

TEST_F(ConvertCommand, FinalQuestionOpensTheFirstImageUnlessNo) {
    const struct {
        const char* name;
        bool batch;
        bool answer;
        bool opened;
    } cases[] = {
        {"yes", false, true, true},
        {"no", false, false, false},
        {"batchNeverAsks", true, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        services.dialogs.shown.clear();
        services.shell.opened.clear();
        form->BatchMode = c.batch;
        services.dialogs.yesNoAnswers = {c.answer};

        clickConvert();

        EXPECT_EQ(services.dialogs.texts(), c.batch ? Texts{Info} : (Texts{Info, question(3)}));
        EXPECT_EQ(services.shell.opened.size(), c.opened ? 1U : 0U);
        EXPECT_EQ(form->windowTitle().toStdString(), "before");
    }
}

TEST_F(ConvertCommand, EmptyPresentationGivesNoImage) {
    automation.script.slideCount = 0;

    clickConvert();

    EXPECT_TRUE(form->OutputFiles.empty());
    EXPECT_EQ(services.dialogs.texts(), (Texts{Info, question(0)}));
    EXPECT_TRUE(services.shell.opened.empty());
    EXPECT_TRUE(fs::is_empty(out));
}

// The window with the command line's options beside its controls.
std::unique_ptr<TForm1> windowWith(app::Program& program, const app::Options& options,
                                   const std::string& deck, const std::string& out) {
    auto form = std::make_unique<TForm1>(program.services(), options);
    form->FileName->setText(QString::fromStdString(deck));
    form->OutputDir->setText(QString::fromStdString(out));
    form->BatchMode = true;
    return form;
}

TEST_F(ConvertCommand, SlideListExportsItsSlidesAloneNamedAsInTheWholeDeck) {
    automation.script.slideCount = 12;
    app::Options options;
    options.exportSlides = {{2, 2}, {4, 5}};
    options.width = 1920;
    form = windowWith(program, options, deck, out);

    clickConvert();

    EXPECT_EQ(withStagingNamed(automation.log->calls),
              (Texts{"setVisible(1)", "openPresentation(" + deck + ",0,0,1)", "setAdvanceMode(1)",
                     "runSlideShow()", "slideCount()", "setExportSize(1920,0)",
                     "setExportSlides(2,4,5)", "saveAs(" + out + "/<staging>,17,1)", "quit()"}));
    EXPECT_EQ(form->OutputFiles,
              (Texts{inOut("talk_02.jpg"), inOut("talk_04.jpg"), inOut("talk_05.jpg")}));
    for (const std::string slide : {"2", "4", "5"})
        EXPECT_EQ(contents(inOut("talk_0" + slide + ".jpg")), "fake jpg of slide " + slide + "\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 3);
    EXPECT_FALSE(form->runFailed);
}

TEST_F(ConvertCommand, SlideListBeyondTheDeckNamesTheMissingSlidesAndWritesNothing) {
    const struct {
        std::vector<app::SlideRange> list;
        std::string message;
    } cases[] = {
        {{{3, 4}}, "Error: The presentation has 3 slides: there is no slide 4"},
        {{{1, 1}, {5, 6}, {9, 9}},
         "Error: The presentation has 3 slides: there are no slides 5-6, 9"},
    };
    for (const auto& c : cases) {
        services.dialogs.shown.clear();
        automation.log->calls.clear();
        app::Options options;
        options.exportSlides = c.list;
        form = windowWith(program, options, deck, out);

        clickConvert();

        EXPECT_EQ(services.dialogs.texts(), (Texts{Info, c.message}));
        EXPECT_EQ(automation.log->calls.back(), "quit()");
        EXPECT_TRUE(form->OutputFiles.empty());
        EXPECT_TRUE(form->runFailed);
        EXPECT_TRUE(fs::is_empty(out));
    }
}

}  // namespace
