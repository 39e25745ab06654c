// The real program, started without a display: what a command-line run on a server sees.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/app/ProgramRun.h"

namespace {

using testapp::ProgramRun;
using testapp::runProgram;

const std::string Usage =
    "Convert PowerPoint slides to JPEGs or Bit Maps\n\n"
    "deckshot <PowerPoint file> [/s:n1-n2] [/d:Directory] [/bmp]\n\nWhere\n"
    "      /s specifies slides to convert - default = All\n"
    "         if n2 is not specified then only slide n1 will be converted\n"
    "      /d specifies the output directory\n"
    "      /bmp will produce Bit Maps\n";

TEST(ProgramWithoutDisplay, EndsWithTheRightMessagesAndExitCode) {
    struct Case {
        std::string arguments;
        int exitCode;
        std::string errors;
    };
    const std::vector<Case> cases = {
        {"", 2, Usage},
        {"'?'", 0, Usage},
        {"deck.ppt /x /y", 1,
         "Error: Invalid flag \"/x \" in deck.ppt /x /y\n"
         "Error: Invalid flag \"/y\" in deck.ppt /x /y\n"},
        {"deck.ppt /s:a-3", 1, "'a' is not a valid integer value\n"},
    };
    for (const Case& c : cases) {
        const ProgramRun run = runProgram(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments;
        EXPECT_EQ(run.errors, c.errors) << c.arguments;
    }
}

TEST(ProgramWithoutDisplay, ConventionalOptions) {
    struct Case {
        std::string arguments;
        int exitCode;
        std::string errors;
        std::string outputStart;  // the beginning of standard output
    };
    const std::string tryHelp = "Try \"deckshot --help\".\n";
    const std::vector<Case> cases = {
        {"--help", 0, "", Usage + "\nOptions"},
        {"-h /bmp", 0, "", Usage + "\nOptions"},
        {"--version", 0, "", "deckshot " DECKSHOT_VERSION "\n"},
        {"deck.ppt --bmp", 2, "deckshot: unknown option \"--bmp\"\n" + tryHelp, ""},
        {"-deck.ppt", 2, "deckshot: unknown option \"-deck.ppt\"\n" + tryHelp, ""},
        {"--slides=2-4", 2, "deckshot: no presentation given\n" + tryHelp, ""},
        {"--quiet -- -deck.ppt", 1, "Error: \"-deck.ppt\" does not exist.\n", ""},
        {"./-deck.ppt", 1, "Error: \"./-deck.ppt\" does not exist.\n", ""},
        // One word stays one word, a " /" inside it included.
        {"'/gone/odd /deck.ppt'", 1, "Error: \"/gone/odd /deck.ppt\" does not exist.\n", ""},
        {"-- '/gone/odd /deck.ppt' /bmp", 1,
         "Error: \"/gone/odd /deck.ppt /bmp\" does not exist.\n", ""},
    };
    for (const Case& c : cases) {
        const ProgramRun run = runProgram(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments;
        EXPECT_EQ(run.errors, c.errors) << c.arguments;
        EXPECT_EQ(run.output.substr(0, c.outputStart.size()), c.outputStart) << c.arguments;
    }
}

// A display that is named but gone would make Qt abort: the run goes on with the console.
TEST(ProgramWithoutDisplay, AStaleDisplayFallsBackToTheConsoleAndSaysWhy) {
    const ProgramRun run = runProgram("'?'", ".", "-u QT_QPA_PLATFORM DISPLAY=:97");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.errors,
              "deckshot: no usable display (the X display \":97\" does not answer): messages go "
              "to standard error\n" +
                  Usage);
}

TEST(ProgramWithoutDisplay, TheOfficeTimeoutIsADecimalNumberOfSecondsCheckedBeforeAnythingRuns) {
    for (const std::string value : {"0", "-5", "abc", "", "99999999999", "1e400", "5s", "0x10",
                                    "1e1", "inf", "nan", " 5", "+5", "1.2.3", "."}) {
        const ProgramRun run =
            runProgram("deck.ppt", ".", "DECKSHOT_OFFICE_TIMEOUT='" + value + "'");
        EXPECT_EQ(run.exitCode, 1) << value;
        EXPECT_EQ(run.errors,
                  "Error: DECKSHOT_OFFICE_TIMEOUT must be a number of seconds from 0.01 to 86400, "
                  "not \"" +
                      value + "\"\n")
            << value;
    }
    for (const std::string value : {"60", "0.5", ".5", "2.", "86400"}) {
        const ProgramRun run =
            runProgram("gone.ppt", ".", "DECKSHOT_OFFICE_TIMEOUT='" + value + "'");
        EXPECT_EQ(run.errors, "Error: \"gone.ppt\" does not exist.\n") << value;
    }
}

}  // namespace
