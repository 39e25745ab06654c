// A command-line run without a window, over the recording presentation application: the command
// line read as the window reads it, the same Convert command, and the exit code.
#include "app/ConsoleFrontEnd.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/fakes/FakeAutomation.h"
#include "tests/fakes/FakeRunPlatforms.h"
#include "tests/fakes/FakeServices.h"

namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

// All that was written to the file, from its start.
std::string readBack(std::FILE* file) {
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
    return text;
}

TEST(ConsoleFrontEnd, RunsTheCommandLineWithoutAWindow) {
    char pattern[] = "/tmp/deckshot-console-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string root = pattern;
    std::ofstream(root + "/my talk.ppt") << "not read by the fake";
    std::ofstream(root + "/a#.ppt") << "not read by the fake";
    std::ofstream(root + "/two\nlines.ppt") << "not read by the fake";
    const std::string nul(1, '\0');
    const std::string info =
        "Powerpoint will save your presentation as *.bmp files.\n\rPlease wait for it to finish "
        "converting your presentation.";
    const struct {
        const char* name;
        Texts parameters;
        int exitCode;
        Texts messages;
        Texts images;
        std::deque<bool> answers = {};  // to the questions, in order; none: Yes
        std::string listing = {};       // on standard output
    } cases[] = {
        {"converts",
         {root + "/my", "talk.ppt", "/bmp"},
         0,
         {info},
         {"my talk_1.bmp", "my talk_2.bmp"}},
        {"namePattern",  // typed in: every "#" is the number, also the deck name's
         {root + "/a#.ppt", "/bmp", "--name=a#-#"},
         0,
         {info},
         {"a1-1.bmp", "a2-2.bmp"}},
        {"missingPresentation",
         {root + "/gone.ppt"},
         1,
         {"Error: \"" + root + "/gone.ppt\" does not exist."},
         {}},
        {"slideNotANumber",
         {root + "/my talk.ppt", "/s:a-2"},
         1,
         {"'a' is not a valid integer value"},
         {}},
        // Nothing was written that was asked for.
        {"directoryNotCreated",
         {root + "/my talk.ppt", "/d:" + root + "/new"},
         1,
         {"The directory \"" + root + "/new\" does not exist.  Do you want it created?"},
         {},
         {false}},
        {"printFiles",
         {"--print-files", root + "/my talk.ppt", "/bmp", "/d:" + root},
         0,
         {info},
         {"my talk_1.bmp", "my talk_2.bmp"},
         {},
         root + "/my talk_1.bmp\n" + root + "/my talk_2.bmp\n"},
        // A newline in a name stays inside its path.
        {"printFilesNullTerminated",
         {"--null", root + "/two\nlines.ppt", "/bmp", "/d:" + root},
         0,
         {info},
         {"two\nlines_1.bmp", "two\nlines_2.bmp"},
         {},
         root + "/two\nlines_1.bmp" + nul + root + "/two\nlines_2.bmp" + nul},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fakes::FakeServices services;
        services.dialogs.yesNoAnswers = c.answers;
        fakes::FakeAutomation automation;
        automation.script.slideCount = 2;
        fakes::FakeRunPlatforms runs(automation);
        app::Program program(services.dialogs, services.clock, services.shell, services.events,
                             runs);
        const app::Options options = app::ReadOptions(c.parameters);
        std::FILE* listing = std::tmpfile();
        ASSERT_NE(listing, nullptr);

        EXPECT_EQ(app::RunWithoutWindow(program.services(), options, listing), c.exitCode);

        EXPECT_EQ(readBack(listing), c.listing);
        std::fclose(listing);
        EXPECT_EQ(services.dialogs.texts(), c.messages);
        for (const std::string& image : c.images) {
            EXPECT_TRUE(fs::is_regular_file(root + "/" + image)) << image;
            fs::remove(root + "/" + image);
        }
    }
    fs::remove_all(root);
}

}  // namespace
