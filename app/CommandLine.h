#pragma once
// Reading the command-line text: the presentation's name, then flags introduced by "/".
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "app/Options.h"

namespace platform {
class Dialogs;
}

namespace app {

// The number of items in each slide box: "1" to "1000".
inline constexpr int SlideBoxItems = 1000;

// The usage message, its nine lines joined by CR LF.
extern const char* const UsageMessage;

// The tokens of the command line, read from its words as they arrive, so that a blank inside
// one word never splits it. The first word begins the presentation's name, even when it begins
// with "/" (an absolute path). A later word that begins with "/" begins a flag, the token being
// the rest of it (a run of slashes counts as one); any other word, and every word from
// `literalFrom` on (after "--"), continues the token before it after one blank, as unquoted words
// of a name with blanks arrive. Empty words are skipped. Every token but the last ends with the
// blank that separates it from the next one, as in the command line joined by blanks.
std::vector<std::string> CommandLineTokens(const std::vector<std::string>& words,
                                           std::size_t literalFrom = std::string::npos);

// What a command line asks for, in the fields that the main window's controls hold.
struct CommandLineRequest {
    enum class Action {
        Interactive,  // no command line: the window waits for the user
        Usage,        // "?": the usage message was shown
        Convert,      // convert at once
        Refused,      // an invalid flag was reported: nothing is converted
    };
    Action action = Action::Interactive;
    std::optional<std::string> fileName;   // FileName
    std::optional<std::string> outputDir;  // OutputDir
    bool someSlides = false;               // SomeSlides ticked
    // Slide box positions to select (Fslide, Tslide); -1 selects nothing.
    std::optional<int> firstPosition;
    std::optional<int> lastPosition;
    // The slide numbers as they were asked for, also those the boxes have no item for.
    std::optional<int> firstSlide;
    std::optional<int> lastSlide;
    std::string formatOverride;  // FormatOverride
};

// Reads the command line (options.parameters) the way the main window's creation reads it: the
// presentation, then the slash flags, each invalid one reported through `dialogs` as it is read,
// then the conventional options, which win over the flags. "?" alone shows the usage message. A
// slide number that is not a whole number throws support::ConvertError at that point, and `into`
// keeps what was read before it.
void ReadCommandLine(const Options& options, platform::Dialogs& dialogs, CommandLineRequest& into);

// A command line read once, for every part of the program that needs it: what it asks for, the
// messages its reading gave (an invalid flag, the usage message) in order, and the error that
// stopped the reading, if one did.
struct CommandLineReading {
    CommandLineRequest request;
    std::vector<std::string> messages;
    std::exception_ptr failure;
};
CommandLineReading ReadCommandLineOnce(const Options& options);

// What ReadCommandLine does, from the reading made once (options.reading, or a reading made now
// for Options made by hand): its messages are shown through `dialogs`, `into` gets what it asks
// for, and its error is thrown again.
void ShowCommandLine(const Options& options, platform::Dialogs& dialogs, CommandLineRequest& into);

// The slide box position of slide n; -1 (nothing selected) for a number outside the list.
int SlidePosition(std::int64_t slide);

// Blanks and control characters removed from both ends.
std::string Trim(const std::string& text);

// The directory part of a file name: up to, without, its last "/"; the root itself for a name
// directly under it; empty when the name holds no directory.
std::string DirectoryPart(const std::string& fileName);

}  // namespace app
